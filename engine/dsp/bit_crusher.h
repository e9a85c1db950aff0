// The bit crusher: quantises a sample to a 16-bit grid and drops up to 15 more
// low-order bits, with an arithmetic shift (so negative values round down).
#pragma once

#include <cstdint>

#include "engine/dsp/conversions.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#endif

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

// Crushes a stereo pair in place. With SSE2 both samples take one packed path
// with crushSample's operations lane by lane: the products are exact or the
// same correctly rounded double operations, and the truncation saturates as
// truncToInt32 does (NaN cleared to 0 first, then held to the int32 range, so
// the converting instruction never sees a value outside it).
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
// The pair in lanes 0 (left) and 1 (right) of a float vector.
ZARNITH_ALWAYS_INLINE __m128 crushPair(__m128 pair, int shift) {
  const __m128d x = _mm_cvtps_pd(pair);
  __m128d scaled =
      _mm_div_pd(_mm_mul_pd(_mm_mul_pd(x, _mm_set1_pd(65535.0)), _mm_set1_pd(1.0)), _mm_set1_pd(2.0));
  scaled = _mm_and_pd(scaled, _mm_cmpord_pd(scaled, scaled));
  scaled = _mm_max_pd(_mm_min_pd(scaled, _mm_set1_pd(2147483647.0)), _mm_set1_pd(-2147483648.0));
  const __m128i count = _mm_cvtsi32_si128(shift);
  __m128i v = _mm_cvttpd_epi32(scaled);
  v = _mm_sll_epi32(_mm_sra_epi32(v, count), count);
  return _mm_cvtpd_ps(_mm_div_pd(_mm_mul_pd(_mm_cvtepi32_pd(v), _mm_set1_pd(2.0)), _mm_set1_pd(65535.0)));
}
#endif

inline void crushBitsShifted(float* left, float* right, int shift) {
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
  const __m128 crushed = crushPair(_mm_unpacklo_ps(_mm_set_ss(*left), _mm_set_ss(*right)), shift);
  _mm_store_ss(left, crushed);
  _mm_store_ss(right, _mm_shuffle_ps(crushed, crushed, _MM_SHUFFLE(1, 1, 1, 1)));
#else
  *left = crushSample(*left, shift);
  *right = crushSample(*right, shift);
#endif
}

inline void crushBits(float* left, float* right, float bitCrusher) {
  crushBitsShifted(left, right, crushShift(bitCrusher));
}

}  // namespace zarnith
