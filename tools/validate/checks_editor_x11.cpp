// The editor opened, idled and closed again and again in a window of the validator's own, while
// a host's automation and audio threads run: nothing of a cycle may stay behind, neither in the
// process (memory, files, threads) nor on the X server (windows left in the host's window).
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "session.h"
#include "validate.h"

namespace validate {
namespace {

const float kRate = 44100.0f;
const int kBlock = 512;

int ignoreErrors(Display*, XErrorEvent*) {
  return 0;
}

unsigned int childWindows(Display* display, Window window) {
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
  if (children) XFree(children);
  return count;
}

}  // namespace

void checkEditorCycles(CheckContext& context) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    context.skip("no X display (run under xvfb-run for this check)");
    return;
  }
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = context.load();
  if (!plugin) return;
  if (!(plugin->effect()->flags & effFlagsHasEditor)) {
    context.skip("the plug-in has no editor");
    return;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    context.skip("the X display %s cannot be opened", name);
    return;
  }
  XSetErrorHandler(&ignoreErrors);
  Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 600, 0, 0, 0);
  XMapWindow(display, host);
  XSync(display, False);
  plugin->setTimeInfo(playingTime(kRate));
  startPlugin(*plugin, kRate, kBlock);

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    Random random(context.seed());
    AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
    while (!stop.load(std::memory_order_relaxed)) {
      processBlock(*plugin, block, Signal::kNoise, kBlock, random);
      poll(nullptr, 0, 2);
    }
  });
  std::thread automation([&] {
    const VstInt32 count = plugin->effect()->numParams;
    for (int i = 0; !stop.load(std::memory_order_relaxed); ++i) {
      // A few values only, so that the texts and pictures the editor shows for them are drawn,
      // and cached, in the first cycles.
      for (VstInt32 p = 0; p < count && p < 4; ++p)
        plugin->setParameter(p, static_cast<float>((i + p) % 4) / 3.0f);
      poll(nullptr, 0, 1);
    }
  });

  auto cycle = [&](int number) {
    context.step("cycle %d: open", number);
    ERect* rect = nullptr;
    plugin->dispatch(effEditGetRect, 0, 0, &rect);
    if (plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(host))) == 0) {
      context.fail("cycle %d: the editor did not open", number);
      return false;
    }
    context.step("cycle %d: idle", number);
    for (int i = 0; i < 4; ++i) {
      plugin->dispatch(effEditIdle);
      XSync(display, False);
      poll(nullptr, 0, 3);
    }
    context.step("cycle %d: close", number);
    plugin->dispatch(effEditClose);
    XSync(display, False);
    const unsigned int left = childWindows(display, host);
    if (left > 0) {
      context.fail("cycle %d: %u window(s) left in the host's window after close", number, left);
      return false;
    }
    return true;
  };
  bool good = true;
  const int warmUp = 20;
  for (int i = 1; i <= warmUp && good; ++i) good = cycle(i);
  const size_t heap = liveHeapBytes();
  const int files = openFileCount();
  const int threads = threadCount();
  const int cycles = context.scaled(150, 10);
  for (int i = 1; i <= cycles && good; ++i) good = cycle(warmUp + i);
  const long grown = static_cast<long>(liveHeapBytes()) - static_cast<long>(heap);
  const int moreFiles = openFileCount() - files;
  const int moreThreads = threadCount() - threads;
  stop.store(true);
  audio.join();
  automation.join();
  if (!good) return;
  // Caches that fill up to a bound move the figure by a kilobyte or so; a block lost per cycle
  // adds up to more.
  if (grown > 12L * cycles) context.fail("the heap grew by %ld bytes over %d editor cycles", grown, cycles);
  if (moreFiles > 0) context.fail("%d more open files after %d editor cycles", moreFiles, cycles);
  if (moreThreads > 0) context.fail("%d more threads after %d editor cycles", moreThreads, cycles);
  stopPlugin(*plugin);
  XDestroyWindow(display, host);
  XCloseDisplay(display);
  context.note("%d cycles with automation and audio running: heap %+ld bytes, files %+d, threads %+d", cycles,
               grown, moreFiles, moreThreads);
}

}  // namespace validate
