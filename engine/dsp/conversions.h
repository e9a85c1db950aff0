// Float-to-integer conversions that stay defined for every input. For values in
// range they truncate toward zero exactly as a plain cast does; NaN gives 0 and
// values beyond the range saturate, so extreme host input can never fault.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// Branch and inlining hints for the per-frame code: the rare work (random
// draws, host calls) stays out of the loop so the filter states keep to registers.
#if defined(__GNUC__) || defined(__clang__)
#define ZARNITH_UNLIKELY(x) __builtin_expect(!!(x), 0)
#define ZARNITH_LIKELY(x) __builtin_expect(!!(x), 1)
#define ZARNITH_NOINLINE __attribute__((noinline))
#define ZARNITH_ALWAYS_INLINE inline __attribute__((always_inline))
#define ZARNITH_LAMBDA_INLINE __attribute__((always_inline))
#elif defined(_MSC_VER)
#define ZARNITH_UNLIKELY(x) (x)
#define ZARNITH_LIKELY(x) (x)
#define ZARNITH_NOINLINE __declspec(noinline)
#define ZARNITH_ALWAYS_INLINE __forceinline
#define ZARNITH_LAMBDA_INLINE
#else
#define ZARNITH_UNLIKELY(x) (x)
#define ZARNITH_LIKELY(x) (x)
#define ZARNITH_NOINLINE
#define ZARNITH_ALWAYS_INLINE inline
#define ZARNITH_LAMBDA_INLINE
#endif

namespace zarnith {

// Truncation toward zero into an integer type, saturating at its ends; NaN gives 0.
template <typename T>
inline T truncSaturating(double x) {
  if (x >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  if (x <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (!(x == x)) return 0;
  return static_cast<T>(x);
}

inline int32_t truncToInt32(double x) {
  return truncSaturating<int32_t>(x);
}
inline int64_t truncToInt64(double x) {
  return truncSaturating<int64_t>(x);
}
inline int16_t truncToInt16(double x) {
  return truncSaturating<int16_t>(x);
}
inline uint16_t truncToUint16(double x) {
  return truncSaturating<uint16_t>(x);
}
inline uint8_t truncToUint8(double x) {
  return truncSaturating<uint8_t>(x);
}

// Truncation through a 64-bit integer whose low 32 bits are read as unsigned.
inline uint32_t truncLow32(double x) {
  return static_cast<uint32_t>(static_cast<uint64_t>(truncToInt64(x)));
}

// Holds a smoothed value to 0..1: 1 at or above 1, 0 at or below 1e-6 (the
// double threshold; for a float, "x <= 1e-6" holds exactly when x <= 1e-6f, as
// the float nearest 1e-6 lies below it and the next one above), and 0 for NaN.
// Written without branches: with an envelope these bounds are crossed at audio
// rate, where a branch would be mispredicted.
inline float holdToUnit(float x) {
  const float atMostOne = std::min(x, 1.0f);  // NaN stays NaN here
  return x > 1e-6f ? atMostOne : 0.0f;
}

}  // namespace zarnith
