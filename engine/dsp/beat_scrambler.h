// The beat scrambler: records one bar into a pair of buffers and plays it back
// cut into slices picked at random, forwards or backwards, shifted by an offset
// and faded at both ends; it also silences slices and picks random filter types.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/dsp/conversions.h"

namespace zarnith {

// Per-block values of the scrambler, derived from the host's time record.
struct ScramblerTime {
  int32_t numerator = 4;        // N, quarter notes per bar
  double sampleRate = 44100.0;  // host sample rate, unrounded
  double beatsPerSecond = 2.0;  // tempo / 60
  double barLength = 0.0;       // N x sampleRate / beatsPerSecond, held to the buffer length
  uint32_t beatDivisions = 1;   // D, latched at block start
  int32_t sliceLength = 0;      // samples per slice
  int32_t offsetSamples = 0;    // read offset, from minus to plus half a beat
};

// Samples per slice for D divisions of the bar; saturates instead of overflowing.
inline int32_t scramblerSliceLength(const ScramblerTime& t) {
  return truncToInt32(t.numerator * 1.0 / t.beatDivisions * t.sampleRate / t.beatsPerSecond);
}

// Samples between random filter-type draws, as the low 32 bits of the truncation.
inline uint32_t scramblerFilterTypePeriod(const ScramblerTime& t, uint32_t randBeatDivisions) {
  return truncLow32(t.numerator * 1.0 / randBeatDivisions * t.sampleRate / t.beatsPerSecond);
}

struct BeatScrambler {
  int32_t recordPos = 0;  // index at which the current frame is recorded
  int32_t barPos = 0;     // host-synchronised position in the bar
  int32_t sliceLength = 0;
  int32_t slicePos = 0;
  uint32_t sliceIndex = 0;  // slice of the bar buffer being played
  int32_t playPos = 0;      // index from which the current frame is played
  float playGain = 1.0f;
  bool fadeInActive = false;
  bool fadeOutActive = false;
  bool silenceSlice = false;
  float randomFilterType = 0.0f;  // 0, 1/3 or 2/3
  // The filter-type period for the divisions it was computed for (recomputed on change).
  uint32_t periodDivisions = 0;
  uint32_t filterTypePeriod = 0;
};

// Parameter values the scrambler reads at each advance.
struct ScramblerSettings {
  uint32_t randBeatDivisions;
  float scramblerReverse;
  float silenceInstr;
};

// The random choices at a filter-type period start and at a slice start, in
// this order of draws: filter type, slice, silence. Rare, so kept out of line.
template <class Random, class Indicate>
ZARNITH_NOINLINE void scramblerDraw(BeatScrambler& s, const ScramblerSettings& p, uint32_t divisions,
                                    bool periodStart, bool sliceStart, Random& rnd, Indicate& indicate) {
  if (periodStart) {
    const int k = rnd() % 3;
    s.randomFilterType = static_cast<float>(k / 3.0);
    indicate(k);
  }
  if (sliceStart) {
    s.sliceIndex = static_cast<uint32_t>(rnd()) % divisions;
    s.playGain = 0.0f;
    s.fadeInActive = true;
    s.silenceSlice = true;
    const int r = rnd() % 64;
    if (p.silenceInstr * 64.0 < r) s.silenceSlice = false;
  }
}

// Recomputes the positions for the current recordPos and makes the random
// choices of a slice or filter-type period start. A zero slice or period
// length (or no divisions at all) skips its draws.
// rnd() returns the next number 0..32767; indicate(k) lights filter-type lamp k.
template <class Random, class Indicate>
ZARNITH_ALWAYS_INLINE void scramblerAdvance(BeatScrambler& s, const ScramblerTime& t,
                                            const ScramblerSettings& p, Random&& rnd, Indicate&& indicate) {
  s.sliceLength = t.sliceLength;
  if (ZARNITH_UNLIKELY(p.randBeatDivisions != s.periodDivisions)) {
    s.periodDivisions = p.randBeatDivisions;
    s.filterTypePeriod = scramblerFilterTypePeriod(t, p.randBeatDivisions);
  }
  if (t.barLength <= s.recordPos) s.recordPos = 0;
  const int32_t sliceLength = s.sliceLength;
  s.slicePos = sliceLength > 0 ? s.recordPos % sliceLength : 0;

  const bool periodStart = p.randBeatDivisions != 1 && s.filterTypePeriod != 0 &&
                           static_cast<uint32_t>(s.recordPos) % s.filterTypePeriod == 0;
  const uint32_t d = t.beatDivisions;
  const bool sliceStart = sliceLength > 0 && s.slicePos == 0 && d > 1;
  if (ZARNITH_UNLIKELY(periodStart || sliceStart))
    scramblerDraw(s, p, d, periodStart, sliceStart, rnd, indicate);
  if (sliceLength > 0 && s.slicePos > sliceLength - 100.0 && !s.fadeOutActive) {
    s.playGain = 1.0f;
    s.fadeOutActive = true;
  }
  const uint32_t length = static_cast<uint32_t>(sliceLength);
  const uint32_t slicePos = static_cast<uint32_t>(s.slicePos);
  const uint32_t start =
      p.scramblerReverse == 0.0f ? s.sliceIndex * length + slicePos : (s.sliceIndex + 1) * length - slicePos;
  int64_t playPos = static_cast<int64_t>(static_cast<int32_t>(start)) + t.offsetSamples;
  if (playPos <= 0) playPos = 0;
  if (t.barLength <= playPos) playPos = 0;
  s.playPos = static_cast<int32_t>(playPos);
}

// What the bar buffer keeps of a record sample: a NaN or infinity (from a
// broken input sample) is kept as silence, or the scrambler would play it back
// until the bar is recorded over. Finite samples are kept as they are.
inline void keepRecordFinite(float& recorded) {
  if (!(recorded - recorded == 0.0f)) recorded = 0.0f;
}

// Whether a block of samples holds a NaN or an infinity (all exponent bits set).
inline bool anyNonFinite(const float* samples, int32_t count) {
  uint32_t exponents = 0;
  for (int32_t i = 0; i < count; i++) {
    uint32_t bits;
    std::memcpy(&bits, samples + i, sizeof(bits));
    exponents |= (~bits & 0x7f800000u) == 0 ? 1u : 0u;
  }
  return exponents != 0;
}

// Record and routing of one frame: stores the record mix at recordPos, runs
// the fades, reads the played pair at playPos and routes dry (X), filtered (F)
// and played signals to the output pair. Values stay in double until stored.
inline void scramblerRecordAndRoute(BeatScrambler& s, float* barLeft, float* barRight, float dryL, float dryR,
                                    float& outL, float& outR, float scramblerDry, float scramblerWet,
                                    float dryWetMix) {
  const double w = dryWetMix;
  const bool dryOn = scramblerDry == 1.0f;
  const bool wetOn = scramblerWet == 1.0f;
  double recL = 0.0;
  double recR = 0.0;
  if (dryOn) {
    recL += w * dryL;
    recR += w * dryR;
  }
  if (wetOn) {
    recL += (1.0 - w) * outL;
    recR += (1.0 - w) * outR;
  }
  barLeft[s.recordPos] = static_cast<float>(recL);
  barRight[s.recordPos] = static_cast<float>(recR);

  if (s.fadeInActive) {
    s.playGain = static_cast<float>(s.playGain + 0.01);
    if (s.playGain > 1.0f) {
      s.playGain = 1.0f;
      s.fadeInActive = false;
    }
  }
  if (s.fadeOutActive) {
    s.playGain = static_cast<float>(s.playGain - 0.01);
    if (s.playGain < 0.0f) {
      s.playGain = 0.0f;
      s.fadeOutActive = false;
    }
  }
  const double playL = static_cast<double>(barLeft[s.playPos]) * s.playGain;
  const double playR = static_cast<double>(barRight[s.playPos]) * s.playGain;

  const bool dryOff = scramblerDry == 0.0f;
  const bool wetOff = scramblerWet == 0.0f;
  if (dryOff && wetOff) {
    outL = static_cast<float>((1.0 - w) * outL + w * dryL);
    outR = static_cast<float>((1.0 - w) * outR + w * dryR);
  } else if (dryOn && wetOff) {
    outL = static_cast<float>((1.0 - w) * outL + w * playL);
    outR = static_cast<float>((1.0 - w) * outR + w * playR);
  } else if (dryOff && wetOn) {
    outL = static_cast<float>((1.0 - w) * playL + w * dryL);
    outR = static_cast<float>((1.0 - w) * playR + w * dryR);
  } else if (dryOn && wetOn) {
    outL = static_cast<float>(playL);
    outR = static_cast<float>(playR);
  }
}

}  // namespace zarnith
