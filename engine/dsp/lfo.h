// The LFO: sine, falling saw or square, free-running from a sample counter or
// locked to the host's bar position. It keeps no phase: every value is computed
// from its time base. π is 3.14 throughout, as the sound was tuned with it.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/dsp/conversions.h"

namespace zarnith {

// Parameter values the LFO reads, taken once per frame.
struct LfoSettings {
  float syncOn;
  float lfoRateMult;
  float lfoDepth;
  float lfoRate;
  float lfoType;
  float lfoOffset;
};

// The block's time base.
struct LfoTime {
  int32_t hostSampleRate;  // S, whole hertz
  float barPhase;          // P, quarter notes since the bar start
  double beatsPerSecond;   // B
  int32_t numerator;       // N
};

inline float computeLfo(const LfoSettings& s, uint32_t sampleCounter, const LfoTime& time) {
  const double depth = s.lfoDepth;
  const double offset = s.lfoOffset;
  const double n = time.numerator;
  const bool sine = s.lfoType < 0.2;
  const bool saw = !sine && s.lfoType < 0.8;
  if (s.syncOn == 1.0f) {
    const uint16_t syncSteps = static_cast<uint16_t>(truncToInt32(static_cast<double>(s.lfoRate) * 16.0));
    const double steps = syncSteps;
    const double p = time.barPhase;
    const double b = time.beatsPerSecond;
    if (sine) {
      return static_cast<float>(std::sin(offset * 3.14 * b + p * steps * 0.5 * 3.14) * depth / 2.0 + 0.5);
    }
    if (saw) {
      const float t = static_cast<float>((steps * p + offset * b * 2.0) / n);
      return static_cast<float>((1.0 - (static_cast<double>(t) - truncLow32(t))) * depth);
    }
    const double t = steps * p / 2.0 + offset * b * 2.0;
    return (truncLow32(t) & 1u) == 0 ? s.lfoDepth : 0.0f;
  }
  uint16_t rateMultiplier = 100;
  if (s.lfoRateMult < 0.2) {
    rateMultiplier = 1;
  } else if (s.lfoRateMult < 0.8) {
    rateMultiplier = 10;
  }
  const double rate = static_cast<double>(rateMultiplier) * s.lfoRate;
  const double counter = sampleCounter;
  const double rateHz = time.hostSampleRate;
  if (sine) {
    return static_cast<float>(std::sin(n * offset + 2.0 * 3.14 * rate * counter / rateHz) * depth / 2.0 +
                              0.5);
  }
  const double wide = rate * counter * n / rateHz + n * offset;
  if (saw) {
    const float t = static_cast<float>(wide);
    return static_cast<float>((1.0 - (static_cast<double>(t) - truncLow32(t))) * depth);
  }
  return (truncLow32(wide) & 1u) == 0 ? s.lfoDepth : 0.0f;
}

}  // namespace zarnith
