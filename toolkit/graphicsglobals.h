// The process-wide start and stop of the graphics library. Every frame and
// every bitmap holds one reference; when the last one goes, the global fonts'
// platform fonts are dropped before the library is shut down.
#pragma once

#include <cstdint>

class GDIPlusGlobals {
 public:
  static void enter();
  static void exit();
  static int32_t getCount() { return count; }

 private:
  static inline int32_t count = 0;
};
