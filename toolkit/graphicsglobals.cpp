#include "graphicsglobals.h"

#include <mutex>

#include "cfont.h"

// Platform half, in the backend.
void platformGraphicsStartup();
void platformGraphicsShutdown();

namespace {

// Held across the platform's start and stop, so that no reference is counted in while the
// library is half started or half stopped. Frames and bitmaps are made off the audio thread.
std::mutex& transitions() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

void GDIPlusGlobals::enter() {
  std::lock_guard<std::mutex> lock(transitions());
  if (count.load(std::memory_order_relaxed) == 0) platformGraphicsStartup();
  count.fetch_add(1, std::memory_order_relaxed);
}

void GDIPlusGlobals::exit() {
  std::lock_guard<std::mutex> lock(transitions());
  const int32_t users = count.load(std::memory_order_relaxed);
  if (users <= 0) return;  // unbalanced: never shut down twice
  if (users == 1) {
    // The fonts' platform objects must not outlive the library.
    CFontDesc::freeGlobalPlatformFonts();
    platformGraphicsShutdown();
  }
  count.store(users - 1, std::memory_order_relaxed);
  if (users == 1) {
    if (void (*hook)() = shutdownHook.load(std::memory_order_relaxed)) hook();
  }
}

void GDIPlusGlobals::setShutdownHook(void (*hook)()) {
  shutdownHook.store(hook, std::memory_order_relaxed);
}
