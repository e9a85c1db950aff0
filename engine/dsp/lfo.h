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

enum class LfoShape { kSine, kSaw, kSquare };

inline LfoShape lfoShape(float lfoType) {
  if (lfoType < 0.2) return LfoShape::kSine;
  return lfoType < 0.8 ? LfoShape::kSaw : LfoShape::kSquare;
}

// The free-running LFO's values that stay the same from frame to frame, so a
// run of frames derives them once; freeLfoValue then does only the per-frame
// arithmetic, in the same order and precision as a single evaluation.
struct FreeLfo {
  LfoShape shape;
  double depth;       // lfoDepth
  float squareDepth;  // lfoDepth, the square's upper value
  double n;           // numerator
  double nOffset;     // numerator x lfoOffset
  double rate;        // rate multiplier x lfoRate, in hertz
  double sineRate;    // 2 x 3.14 x rate
  double rateHz;      // the host's whole-hertz sample rate
};

inline FreeLfo freeLfo(const LfoSettings& s, const LfoTime& time) {
  uint16_t rateMultiplier = 100;
  if (s.lfoRateMult < 0.2) {
    rateMultiplier = 1;
  } else if (s.lfoRateMult < 0.8) {
    rateMultiplier = 10;
  }
  FreeLfo l;
  l.shape = lfoShape(s.lfoType);
  l.depth = s.lfoDepth;
  l.squareDepth = s.lfoDepth;
  l.n = time.numerator;
  l.nOffset = l.n * static_cast<double>(s.lfoOffset);
  l.rate = static_cast<double>(rateMultiplier) * s.lfoRate;
  l.sineRate = 2.0 * 3.14 * l.rate;
  l.rateHz = time.hostSampleRate;
  return l;
}

template <LfoShape kShape>
ZARNITH_ALWAYS_INLINE float freeLfoValue(const FreeLfo& l, uint32_t sampleCounter) {
  const double counter = sampleCounter;
  if (kShape == LfoShape::kSine)
    return static_cast<float>(std::sin(l.nOffset + l.sineRate * counter / l.rateHz) * l.depth / 2.0 + 0.5);
  const double wide = l.rate * counter * l.n / l.rateHz + l.nOffset;
  if (kShape == LfoShape::kSaw) {
    const float t = static_cast<float>(wide);
    return static_cast<float>((1.0 - (static_cast<double>(t) - truncLow32(t))) * l.depth);
  }
  return (truncLow32(wide) & 1u) == 0 ? l.squareDepth : 0.0f;
}

inline float freeLfoValue(const FreeLfo& l, uint32_t sampleCounter) {
  switch (l.shape) {
    case LfoShape::kSine:
      return freeLfoValue<LfoShape::kSine>(l, sampleCounter);
    case LfoShape::kSaw:
      return freeLfoValue<LfoShape::kSaw>(l, sampleCounter);
    default:
      return freeLfoValue<LfoShape::kSquare>(l, sampleCounter);
  }
}

inline float computeLfo(const LfoSettings& s, uint32_t sampleCounter, const LfoTime& time) {
  if (s.syncOn != 1.0f) return freeLfoValue(freeLfo(s, time), sampleCounter);
  const double depth = s.lfoDepth;
  const double offset = s.lfoOffset;
  const double n = time.numerator;
  const LfoShape shape = lfoShape(s.lfoType);
  const uint16_t syncSteps = static_cast<uint16_t>(truncToInt32(static_cast<double>(s.lfoRate) * 16.0));
  const double steps = syncSteps;
  const double p = time.barPhase;
  const double b = time.beatsPerSecond;
  if (shape == LfoShape::kSine) {
    return static_cast<float>(std::sin(offset * 3.14 * b + p * steps * 0.5 * 3.14) * depth / 2.0 + 0.5);
  }
  if (shape == LfoShape::kSaw) {
    const float t = static_cast<float>((steps * p + offset * b * 2.0) / n);
    return static_cast<float>((1.0 - (static_cast<double>(t) - truncLow32(t))) * depth);
  }
  const double t = steps * p / 2.0 + offset * b * 2.0;
  return (truncLow32(t) & 1u) == 0 ? s.lfoDepth : 0.0f;
}

}  // namespace zarnith
