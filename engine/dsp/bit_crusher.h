// The bit crusher: quantises a sample to a 16-bit grid and drops up to 15 more
// low-order bits, with an arithmetic shift (so negative values round down).
#pragma once

#include <cstdint>

#include "engine/dsp/conversions.h"

namespace zarnith {

// Bits dropped below the 16-bit grid: 15 at "Bit Crusher" 0, 0 at 1.0. Settings
// outside 0..1 are held to that range of shifts.
inline int crushShift(float bitCrusher) {
  const int32_t wide = truncToInt32(static_cast<double>(bitCrusher) * 15.0);
  const int8_t steps = static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(wide)));
  int shift = 15 - steps;
  if (shift < 0) shift = 0;
  if (shift > 15) shift = 15;
  return shift;
}

inline float crushSample(float x, int shift) {
  int32_t v = truncToInt32(static_cast<double>(x) * 65535.0 * 1.0 / 2.0);
  v >>= shift;  // arithmetic: negative values move toward minus infinity
  v = static_cast<int32_t>(static_cast<uint32_t>(v) << shift);
  return static_cast<float>(static_cast<double>(v) * 2.0 / 65535.0);
}

// Crushes a stereo pair in place.
inline void crushBits(float* left, float* right, float bitCrusher) {
  const int shift = crushShift(bitCrusher);
  *left = crushSample(*left, shift);
  *right = crushSample(*right, shift);
}

}  // namespace zarnith
