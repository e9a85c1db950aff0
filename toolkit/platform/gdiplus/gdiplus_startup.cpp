// Start and stop of GDI+, reached through GDIPlusGlobals (the first frame or bitmap starts it,
// the last one stops it), and the text conversion the backend shares.
#include "toolkit/platform/gdiplus/gdiplus_context.h"

namespace {

ULONG_PTR token = 0;
bool running = false;

}  // namespace

void platformGraphicsStartup() {
  if (running) return;
  Gdiplus::GdiplusStartupInput input;
  // A failing start leaves the toolkit without drawing: every context and image then stays
  // empty and draws nothing.
  running = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  if (!running) token = 0;
}

void platformGraphicsShutdown() {
  if (!running) return;
  Gdiplus::GdiplusShutdown(token);
  token = 0;
  running = false;
}

namespace zarnith {

bool gdiplusRunning() {
  return running;
}

WideText::WideText(const char* source, int maxChars) : text(inlineText), count(0) {
  inlineText[0] = 0;
  if (!source || !*source) return;
  int needed = MultiByteToWideChar(CP_UTF8, 0, source, -1, nullptr, 0);
  if (needed <= 0) return;
  if (needed > kInline) text = new wchar_t[needed];
  int written = MultiByteToWideChar(CP_UTF8, 0, source, -1, text, needed);
  if (written <= 0) {
    text[0] = 0;
    return;
  }
  count = written - 1;
  if (maxChars > 0 && count > maxChars) {
    count = maxChars;
    text[count] = 0;
  }
}

WideText::~WideText() {
  if (text != inlineText) delete[] text;
}

}  // namespace zarnith
