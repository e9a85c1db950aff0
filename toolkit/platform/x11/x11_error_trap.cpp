#include "x11_error_trap.h"

namespace {

// The connection whose errors the innermost trap collects (null: no trap in force).
Display* trappedDisplay = nullptr;
// The handler that was in force when the outermost trap was set.
XErrorHandler outerHandler = nullptr;
unsigned long errorCount = 0;
X11ErrorTrap::Listener listener = nullptr;

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display)
    : display(display),
      previous(nullptr),
      outerDisplay(trappedDisplay),
      errorsAtStart(errorCount),
      requestAtStart(display ? XNextRequest(display) : 0) {
  previous = XSetErrorHandler(&X11ErrorTrap::handler);
  if (previous != &X11ErrorTrap::handler) outerHandler = previous;
  trappedDisplay = display;
}

X11ErrorTrap::~X11ErrorTrap() {
  // Without a request of ours since the trap was set no error can be on its way (the traps
  // before this one synchronised), and an idle pass that found nothing to do costs no
  // round trip to the server.
  if (display && XNextRequest(display) != requestAtStart) XSync(display, False);
  trappedDisplay = outerDisplay;
  XSetErrorHandler(previous);
}

bool X11ErrorTrap::sync() {
  if (display) XSync(display, False);
  return errorCount == errorsAtStart;
}

bool X11ErrorTrap::failed() const {
  return errorCount != errorsAtStart;
}

void X11ErrorTrap::setListener(Listener l) {
  listener = l;
}

int X11ErrorTrap::handler(Display* display, XErrorEvent* error) {
  if (display != trappedDisplay || !trappedDisplay) {
    // Not ours: the host's handler decides, as it would have without us.
    if (outerHandler && outerHandler != &X11ErrorTrap::handler) return outerHandler(display, error);
    return 0;
  }
  ++errorCount;
  if (listener) listener(display, error->resourceid, error->error_code);
  return 0;
}
