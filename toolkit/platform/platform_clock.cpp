// The system clock behind the toolkit's ticks and waits, shared by every backend.
#include <chrono>
#include <thread>

#include "platform_frame.h"

namespace {

class SystemClock : public IPlatformClock {
 public:
  uint32_t getTicks() override {
    // The steady clock counts from system start on the platforms we build for; only
    // differences matter to the toolkit, and those survive the 32-bit wrap.
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
  }
  void wait(uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

SystemClock systemClock;
IPlatformClock* currentClock = &systemClock;

}  // namespace

IPlatformClock* setPlatformClock(IPlatformClock* clock) {
  IPlatformClock* previous = currentClock;
  currentClock = clock ? clock : &systemClock;
  return previous == &systemClock ? nullptr : previous;
}

uint32_t getPlatformTicks() {
  return currentClock->getTicks();
}

void platformWait(uint32_t milliseconds) {
  currentClock->wait(milliseconds);
}

#ifndef _WIN32
// No portable way to read a desktop's setting; the common default of desktop environments.
// (Windows has a system setting: its backend reads it.)
uint32_t getPlatformDoubleClickTime() {
  return 400;
}
#endif
