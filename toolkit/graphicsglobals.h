// The process-wide start and stop of the graphics library. Every frame and
// every bitmap holds one reference; when the last one goes, the global fonts'
// platform fonts are dropped before the library is shut down.
//
// Hosts create plug-ins on worker threads, so references come and go on several
// threads at once: the library is started and stopped exactly once per span of
// use, and a start waits for a stop still running on another thread.
#pragma once

#include <atomic>
#include <cstdint>

class GDIPlusGlobals {
 public:
  static void enter();
  static void exit();
  static int32_t getCount() { return count.load(std::memory_order_relaxed); }
  // Called after the library's shut-down, for what the windowing layer keeps for the toolkit's
  // whole span of use (its connection to the window system). One hook; a later one replaces it.
  static void setShutdownHook(void (*hook)());

 private:
  static inline std::atomic<int32_t> count{0};
  static inline std::atomic<void (*)()> shutdownHook{nullptr};
};
