// The beat scrambler: records one bar into a pair of buffers and plays it back
// cut into slices picked at random, forwards or backwards, shifted by an offset
// and faded at both ends; it also silences slices and picks random filter types.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/dsp/conversions.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#endif

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
  uint32_t periodPos = 0;  // recordPos modulo filterTypePeriod, read as unsigned
};

// Parameter values the scrambler reads at each advance.
struct ScramblerSettings {
  uint32_t randBeatDivisions;
  float scramblerReverse;
  float silenceInstr;
};

// The random choices at a filter-type period start and at a slice start, in
// this order of draws: filter type, slice, silence. Rare, so kept out of line;
// the state goes in and comes back by value so that the caller's copy never
// has its address taken and can stay in registers.
template <class Random, class Indicate>
ZARNITH_NOINLINE BeatScrambler scramblerDraw(BeatScrambler s, const ScramblerSettings& p, uint32_t divisions,
                                             bool periodStart, bool sliceStart, Random& rnd,
                                             Indicate& indicate) {
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
  return s;
}

// Where the current slice plays from at the current position, forwards or
// backwards, shifted by the offset and not yet held to the bar.
ZARNITH_ALWAYS_INLINE int64_t scramblerPlayStart(const BeatScrambler& s, const ScramblerTime& t,
                                                 float scramblerReverse) {
  const uint32_t length = static_cast<uint32_t>(s.sliceLength);
  const uint32_t slicePos = static_cast<uint32_t>(s.slicePos);
  const uint32_t start =
      scramblerReverse == 0.0f ? s.sliceIndex * length + slicePos : (s.sliceIndex + 1) * length - slicePos;
  return static_cast<int64_t>(static_cast<int32_t>(start)) + t.offsetSamples;
}

// The fade-out start and the play position for the current positions.
ZARNITH_ALWAYS_INLINE void scramblerPlace(BeatScrambler& s, const ScramblerTime& t, float scramblerReverse) {
  const int32_t sliceLength = s.sliceLength;
  if (sliceLength > 0 && s.slicePos > sliceLength - 100.0 && !s.fadeOutActive) {
    s.playGain = 1.0f;
    s.fadeOutActive = true;
  }
  int64_t playPos = scramblerPlayStart(s, t, scramblerReverse);
  if (playPos <= 0) playPos = 0;
  if (t.barLength <= playPos) playPos = 0;
  s.playPos = static_cast<int32_t>(playPos);
}

// What follows once slicePos and periodPos hold for the current recordPos:
// the random choices of a slice or filter-type period start, the fade-out
// start and the play position. A zero slice or period length (or no
// divisions at all) skips its draws.
template <class Random, class Indicate>
ZARNITH_ALWAYS_INLINE void scramblerChoose(BeatScrambler& s, const ScramblerTime& t,
                                           const ScramblerSettings& p, Random& rnd, Indicate& indicate) {
  const int32_t sliceLength = s.sliceLength;
  const bool periodStart = p.randBeatDivisions != 1 && s.filterTypePeriod != 0 && s.periodPos == 0;
  const uint32_t d = t.beatDivisions;
  const bool sliceStart = sliceLength > 0 && s.slicePos == 0 && d > 1;
  if (ZARNITH_UNLIKELY(periodStart || sliceStart))
    s = scramblerDraw(s, p, d, periodStart, sliceStart, rnd, indicate);
  scramblerPlace(s, t, p.scramblerReverse);
}

// The filter-type period for the current divisions, recomputed when they change.
inline bool scramblerFollowPeriod(BeatScrambler& s, const ScramblerTime& t, uint32_t randBeatDivisions) {
  if (ZARNITH_LIKELY(randBeatDivisions == s.periodDivisions)) return false;
  s.periodDivisions = randBeatDivisions;
  s.filterTypePeriod = scramblerFilterTypePeriod(t, randBeatDivisions);
  return true;
}

// Recomputes the positions for the current recordPos and makes the random
// choices of a slice or filter-type period start.
// rnd() returns the next number 0..32767; indicate(k) lights filter-type lamp k.
template <class Random, class Indicate>
ZARNITH_ALWAYS_INLINE void scramblerAdvance(BeatScrambler& s, const ScramblerTime& t,
                                            const ScramblerSettings& p, Random&& rnd, Indicate&& indicate) {
  s.sliceLength = t.sliceLength;
  scramblerFollowPeriod(s, t, p.randBeatDivisions);
  if (t.barLength <= s.recordPos) s.recordPos = 0;
  s.slicePos = s.sliceLength > 0 ? s.recordPos % s.sliceLength : 0;
  s.periodPos = s.filterTypePeriod != 0 ? static_cast<uint32_t>(s.recordPos) % s.filterTypePeriod : 0;
  scramblerChoose(s, t, p, rnd, indicate);
}

// One frame on from scramblerAdvance or the last step, with the same result
// as scramblerAdvance after the frame's position update (recordPos and barPos
// up by one, both back to 0 at the bar end), without dividing: within a
// block recordPos only moves up by one or back to 0, so the slice and period
// positions follow it by counting. The slice length is the block's.
template <class Random, class Indicate>
ZARNITH_ALWAYS_INLINE void scramblerStep(BeatScrambler& s, const ScramblerTime& t, const ScramblerSettings& p,
                                         Random&& rnd, Indicate&& indicate) {
  s.recordPos++;
  s.barPos++;
  if (t.barLength <= s.barPos) {
    s.recordPos = 0;
    s.barPos = 0;
  }
  if (t.barLength <= s.recordPos) s.recordPos = 0;
  const bool restart = s.recordPos == 0;
  const int32_t nextSlicePos = s.slicePos + 1;
  s.slicePos = restart || nextSlicePos >= s.sliceLength ? 0 : nextSlicePos;
  if (ZARNITH_UNLIKELY(scramblerFollowPeriod(s, t, p.randBeatDivisions))) {
    s.periodPos = s.filterTypePeriod != 0 ? static_cast<uint32_t>(s.recordPos) % s.filterTypePeriod : 0;
  } else {
    const uint32_t nextPeriodPos = s.periodPos + 1;
    s.periodPos = restart || nextPeriodPos >= s.filterTypePeriod ? 0 : nextPeriodPos;
  }
  scramblerChoose(s, t, p, rnd, indicate);
}

// What the bar buffer keeps of a record sample: a NaN or infinity (from a
// broken input sample) is kept as silence, or the scrambler would play it back
// until the bar is recorded over. Finite samples are kept as they are.
inline void keepRecordFinite(float& recorded) {
  if (!(recorded - recorded == 0.0f)) recorded = 0.0f;
}

// Whether a block of samples holds a NaN or an infinity (all exponent bits set).
// Adding one to the exponent field carries into the sign bit exactly when the
// field is all ones, so the carries of a whole block gather in one word.
inline bool anyNonFinite(const float* samples, int32_t count) {
  int32_t i = 0;
  uint32_t carries = 0;
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
  const __m128i field = _mm_set1_epi32(0x7f800000);
  const __m128i one = _mm_set1_epi32(0x00800000);
  __m128i gathered = _mm_setzero_si128();
  for (; i + 4 <= count; i += 4) {
    const __m128i bits = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
    gathered = _mm_or_si128(gathered, _mm_add_epi32(_mm_and_si128(bits, field), one));
  }
  carries = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(gathered)));
#endif
  for (; i < count; i++) {
    uint32_t bits;
    std::memcpy(&bits, samples + i, sizeof(bits));
    carries |= ((bits & 0x7f800000u) + 0x00800000u) >> 31;
  }
  return carries != 0;
}

// The fades of one frame: playGain moves by the double constant 0.01 toward
// the end of the running fade, stored as float.
ZARNITH_ALWAYS_INLINE void scramblerFade(BeatScrambler& s) {
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
}

// Where and how loud one frame records and plays, once its fades have run.
struct ScramblerTap {
  int32_t recordPos;
  int32_t playPos;
  float playGain;
};

// How many of the next steps are plain counting (no bar end, no slice or
// period start, the filter-type period unchanged), given the first whole
// position the bar length reaches. Odd states (no slices, no period, a
// negative position) count nothing, so every step takes the full path.
inline int32_t scramblerQuietSteps(const BeatScrambler& s, int64_t barEnd, int32_t limit) {
  if (s.sliceLength <= 0 || s.filterTypePeriod == 0 || s.recordPos < 0) return 0;
  int64_t n = barEnd - 1 - s.barPos;
  n = std::min<int64_t>(n, barEnd - 1 - s.recordPos);
  n = std::min<int64_t>(n, static_cast<int64_t>(s.sliceLength) - 1 - s.slicePos);
  n = std::min<int64_t>(n, static_cast<int64_t>(s.filterTypePeriod) - 1 - s.periodPos);
  return static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(n, limit)));
}

// A step that scramblerQuietSteps counted: the same result as scramblerStep,
// which in such a step only moves every position on by one and places the
// fade-out and the play position. barEnd is as for scramblerQuietSteps; the
// slice length is positive in such steps, so the fade-out test and the play
// position need no double arithmetic.
ZARNITH_ALWAYS_INLINE void scramblerCount(BeatScrambler& s, const ScramblerTime& t, int64_t barEnd,
                                          float scramblerReverse) {
  s.recordPos++;
  s.barPos++;
  s.slicePos++;
  s.periodPos++;
  // "slicePos > sliceLength - 100.0" for whole numbers.
  if (s.slicePos > static_cast<int64_t>(s.sliceLength) - 100 && !s.fadeOutActive) {
    s.playGain = 1.0f;
    s.fadeOutActive = true;
  }
  int64_t playPos = scramblerPlayStart(s, t, scramblerReverse);
  playPos = playPos <= 0 || playPos >= barEnd ? 0 : playPos;
  s.playPos = static_cast<int32_t>(playPos);
}

// Which mix the routing makes, as "Scrambler Dry", "Scrambler Wet" and
// "Dry/Wet Mix" select it; derived again only when one of them changes.
struct ScramblerRouting {
  enum Mix { kFilteredAndDry, kFilteredAndPlayed, kPlayedAndDry, kPlayed, kFiltered };
  bool recordDry;       // the recording takes w x the dry signal
  bool recordFiltered;  // and (1 - w) x the filtered signal
  Mix mix;
  double w;
};

inline ScramblerRouting scramblerRouting(float scramblerDry, float scramblerWet, float dryWetMix) {
  ScramblerRouting r;
  r.recordDry = scramblerDry == 1.0f;
  r.recordFiltered = scramblerWet == 1.0f;
  r.w = dryWetMix;
  const bool dryOff = scramblerDry == 0.0f;
  const bool wetOff = scramblerWet == 0.0f;
  if (dryOff && wetOff) {
    r.mix = ScramblerRouting::kFilteredAndDry;
  } else if (r.recordDry && wetOff) {
    r.mix = ScramblerRouting::kFilteredAndPlayed;
  } else if (dryOff && r.recordFiltered) {
    r.mix = ScramblerRouting::kPlayedAndDry;
  } else if (r.recordDry && r.recordFiltered) {
    r.mix = ScramblerRouting::kPlayed;
  } else {
    r.mix = ScramblerRouting::kFiltered;
  }
  return r;
}

// Record and routing of one frame after its fades: stores the record mix at
// recordPos, reads the played pair at playPos (after that store, so a slice
// playing its own position plays what was just recorded) and routes dry (X),
// filtered (F) and played signals to the output pair. Values stay in double
// until stored.
ZARNITH_ALWAYS_INLINE void scramblerRecordPlayRoute(const ScramblerTap& tap, float* barLeft, float* barRight,
                                                    float dryL, float dryR, float& outL, float& outR,
                                                    const ScramblerRouting& r) {
  const double w = r.w;
  double recL = 0.0;
  double recR = 0.0;
  if (r.recordDry) {
    recL += w * dryL;
    recR += w * dryR;
  }
  if (r.recordFiltered) {
    recL += (1.0 - w) * outL;
    recR += (1.0 - w) * outR;
  }
  barLeft[tap.recordPos] = static_cast<float>(recL);
  barRight[tap.recordPos] = static_cast<float>(recR);
  const double playL = static_cast<double>(barLeft[tap.playPos]) * tap.playGain;
  const double playR = static_cast<double>(barRight[tap.playPos]) * tap.playGain;
  switch (r.mix) {
    case ScramblerRouting::kFilteredAndDry:
      outL = static_cast<float>((1.0 - w) * outL + w * dryL);
      outR = static_cast<float>((1.0 - w) * outR + w * dryR);
      break;
    case ScramblerRouting::kFilteredAndPlayed:
      outL = static_cast<float>((1.0 - w) * outL + w * playL);
      outR = static_cast<float>((1.0 - w) * outR + w * playR);
      break;
    case ScramblerRouting::kPlayedAndDry:
      outL = static_cast<float>((1.0 - w) * playL + w * dryL);
      outR = static_cast<float>((1.0 - w) * playR + w * dryR);
      break;
    case ScramblerRouting::kPlayed:
      outL = static_cast<float>(playL);
      outR = static_cast<float>(playR);
      break;
    default:
      break;
  }
}

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
// The double weights of the routing, w and 1 - w, in both lanes of a pair.
struct RoutingWeights {
  __m128d w;
  __m128d rest;  // 1 - w, exact per lane as in the scalar code
};

inline RoutingWeights routingWeights(const ScramblerRouting& r) {
  const __m128d w = _mm_set1_pd(r.w);
  return RoutingWeights{w, _mm_sub_pd(_mm_set1_pd(1.0), w)};
}

// scramblerRecordPlayRoute for both channels at once, left in lane 0 and
// right in lane 1: the same double operations lane by lane, so each channel's
// values are exactly the scalar ones. The mix and what is recorded are
// template arguments, so that a run of frames with one routing selects them
// once; they must be the routing's own (see scramblerRouting).
template <ScramblerRouting::Mix kMix, bool kRecordDry, bool kRecordFiltered>
ZARNITH_ALWAYS_INLINE __m128 scramblerRecordPlayRoutePair(const ScramblerTap& tap, float* barLeft,
                                                          float* barRight, __m128 dry, __m128 filtered,
                                                          const RoutingWeights& r) {
  const __m128d x = _mm_cvtps_pd(dry);
  const __m128d f = _mm_cvtps_pd(filtered);
  __m128d rec = _mm_setzero_pd();
  if (kRecordDry) rec = _mm_add_pd(rec, _mm_mul_pd(r.w, x));
  if (kRecordFiltered) rec = _mm_add_pd(rec, _mm_mul_pd(r.rest, f));
  const __m128 recorded = _mm_cvtpd_ps(rec);
  _mm_store_ss(barLeft + tap.recordPos, recorded);
  _mm_store_ss(barRight + tap.recordPos, _mm_shuffle_ps(recorded, recorded, _MM_SHUFFLE(1, 1, 1, 1)));
  if (kMix == ScramblerRouting::kFiltered) return filtered;
  if (kMix == ScramblerRouting::kFilteredAndDry)
    return _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(r.rest, f), _mm_mul_pd(r.w, x)));
  const __m128 stored =
      _mm_unpacklo_ps(_mm_load_ss(barLeft + tap.playPos), _mm_load_ss(barRight + tap.playPos));
  const __m128d play = _mm_mul_pd(_mm_cvtps_pd(stored), _mm_set1_pd(tap.playGain));
  switch (kMix) {
    case ScramblerRouting::kFilteredAndPlayed:
      return _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(r.rest, f), _mm_mul_pd(r.w, play)));
    case ScramblerRouting::kPlayedAndDry:
      return _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(r.rest, play), _mm_mul_pd(r.w, x)));
    default:
      return _mm_cvtpd_ps(play);
  }
}
#endif

// Record and routing of one frame, fades included (the fades do not depend
// on the recording, so they may run first).
ZARNITH_ALWAYS_INLINE void scramblerRecordAndRoute(BeatScrambler& s, float* barLeft, float* barRight,
                                                   float dryL, float dryR, float& outL, float& outR,
                                                   float scramblerDry, float scramblerWet, float dryWetMix) {
  scramblerFade(s);
  scramblerRecordPlayRoute(ScramblerTap{s.recordPos, s.playPos, s.playGain}, barLeft, barRight, dryL, dryR,
                           outL, outR, scramblerRouting(scramblerDry, scramblerWet, dryWetMix));
}

}  // namespace zarnith
