// Cutoff smoothing and the four-stage resonant ladder filter with a soft clipper
// in its last stage. Every stored value is rounded to float where it is stored;
// everything between is evaluated in double, as the sound is defined to the bit.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/dsp/conversions.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define ZARNITH_STEREO_LADDER 1
#else
#define ZARNITH_STEREO_LADDER 0
#endif

namespace zarnith {

// One-pole smoothing factor that closes 99 % of a step in the given time. 0 ms
// gives exactly 0 (log(0.01) / 0 is minus infinity, and its exponential 0).
inline float smoothingCoefficient(int32_t milliseconds, double sampleRate) {
  return static_cast<float>(std::exp(std::log(0.01) / (milliseconds * sampleRate * 0.001)));
}

// Moves the cutoff toward freq shifted by the modulation value (0.5 = none) and
// returns it, held in 0..1. A NaN modulation counts as a target of 0, and a
// cutoff that became NaN restarts from 0.
inline float smoothCutoff(float& cutoffState, float modValue, float freq, float attackCoef,
                          float releaseCoef) {
  const float target = holdToUnit(static_cast<float>(static_cast<double>(modValue) - 0.5 + freq));
  const float state = cutoffState;
  const double coef = state < target ? attackCoef : releaseCoef;
  cutoffState = holdToUnit(static_cast<float>((static_cast<double>(state) - target) * coef + target));
  return cutoffState;
}

// The three coefficients, shared by both channels of one frame.
struct LadderCoefficients {
  float poleCoef;
  float stageCoef;
  float resonanceGain;
};

inline LadderCoefficients ladderCoefficients(float cutoff, float q) {
  float c = cutoff;
  if (c < 0.0001f) c = 0.0001f;
  const double k = 1.0 - c;
  const double c8 = 0.8f;   // single-precision constant, widened
  const double c56 = 5.6f;  // likewise
  LadderCoefficients co;
  co.poleCoef = static_cast<float>(c + c8 * c * k);
  co.stageCoef = static_cast<float>(static_cast<double>(co.poleCoef) + co.poleCoef - 1.0);
  co.resonanceGain = static_cast<float>((1.0 + 0.5 * k * (1.0 - k + c56 * k * k)) * q);
  return co;
}

// The five states of one channel.
struct LadderChannel {
  float ladderIn = 0.0f;  // previous stage input after the feedback subtraction
  float ladder1 = 0.0f;
  float ladder2 = 0.0f;
  float ladder3 = 0.0f;
  float ladder4 = 0.0f;
};

// Clamps tiny states to 0 so the recursion never runs on denormal numbers. The
// threshold is the double 1e-6; for a float, |x| < 1e-6 holds exactly when
// |x| <= 1e-6f (the float nearest 1e-6 lies below it, the next one above), so
// the test can stay in single precision.
inline void guardState(float& x) {
  if (std::fabs(x) <= 1e-6f) x = 0.0f;
}

inline void guardDenormals(LadderChannel& ch) {
  guardState(ch.ladderIn);
  guardState(ch.ladder1);
  guardState(ch.ladder2);
  guardState(ch.ladder3);
  guardState(ch.ladder4);
}

// Response chosen by the filter type, read against the double thresholds.
enum class LadderResponse { kLowPass, kBandPass, kHighPass };

inline LadderResponse ladderResponse(float filterType) {
  if (filterType <= 0.33) return LadderResponse::kLowPass;
  if (filterType <= 0.66) return LadderResponse::kBandPass;
  return LadderResponse::kHighPass;
}

// One sample of one channel. Extreme input can drive the cubic clipper to
// overflow; a channel whose states stop being finite is cleared (and outputs 0
// for that frame) instead of staying silent for good.
inline float runLadderChannel(LadderChannel& ch, const LadderCoefficients& co, float input,
                              LadderResponse response) {
  const double p = co.poleCoef;
  const double f = co.stageCoef;
  const float x = static_cast<float>(input - static_cast<double>(co.resonanceGain) * ch.ladder4);
  float t1 = ch.ladder1;
  ch.ladder1 = static_cast<float>((static_cast<double>(x) + ch.ladderIn) * p - ch.ladder1 * f);
  const float t2 = ch.ladder2;
  ch.ladder2 = static_cast<float>((static_cast<double>(ch.ladder1) + t1) * p - ch.ladder2 * f);
  t1 = ch.ladder3;
  ch.ladder3 = static_cast<float>((static_cast<double>(ch.ladder2) + t2) * p - ch.ladder3 * f);
  float l4 = static_cast<float>((static_cast<double>(ch.ladder3) + t1) * p - ch.ladder4 * f);
  const double clip = 0.166667f;
  l4 = static_cast<float>(l4 - static_cast<double>(l4) * l4 * l4 * clip);
  ch.ladder4 = l4;
  ch.ladderIn = x;
  float out;
  switch (response) {
    case LadderResponse::kLowPass:
      out = l4;
      break;
    case LadderResponse::kBandPass:
      out = static_cast<float>((static_cast<double>(ch.ladder3) - l4) * 3.0);
      break;
    default:
      out = static_cast<float>(static_cast<double>(x) - l4);
      break;
  }
  // Any state that stops being finite carries into the last stage within the
  // same frame (inf or NaN propagates through every later stage and the cubic
  // turns inf into NaN), so the last stage and the output tell for all of them.
  if (!std::isfinite(l4) || !std::isfinite(out)) {
    ch = LadderChannel();
    out = 0.0f;
  }
  return out;
}

// One stereo frame: the denormal guard on all ten states, the coefficients
// shared by both channels, then the left and the right channel.
inline void runLadderFilter(LadderChannel& left, LadderChannel& right, const LadderCoefficients& co,
                            LadderResponse response, const float* inL, const float* inR, float* outL,
                            float* outR) {
  guardDenormals(left);
  guardDenormals(right);
  *outL = runLadderChannel(left, co, *inL, response);
  *outR = runLadderChannel(right, co, *inR, response);
}

inline void runLadderFilter(LadderChannel& left, LadderChannel& right, float cutoff, float q,
                            float filterType, const float* inL, const float* inR, float* outL, float* outR) {
  runLadderFilter(left, right, ladderCoefficients(cutoff, q), ladderResponse(filterType), inL, inR, outL,
                  outR);
}

#if ZARNITH_STEREO_LADDER
// Both channels at once: the same double operations as runLadderChannel, lane 0
// for the left channel and lane 1 for the right, so each channel's values are
// exactly the scalar ones while the ten-state recursion takes half the
// instructions (the two chains share every step). Lanes 2 and 3 carry nothing.
struct LadderStereo {
  __m128 ladderIn;
  __m128 ladder1;
  __m128 ladder2;
  __m128 ladder3;
  __m128 ladder4;
};

inline LadderStereo packLadder(const LadderChannel& left, const LadderChannel& right) {
  LadderStereo s;
  s.ladderIn = _mm_setr_ps(left.ladderIn, right.ladderIn, 0.0f, 0.0f);
  s.ladder1 = _mm_setr_ps(left.ladder1, right.ladder1, 0.0f, 0.0f);
  s.ladder2 = _mm_setr_ps(left.ladder2, right.ladder2, 0.0f, 0.0f);
  s.ladder3 = _mm_setr_ps(left.ladder3, right.ladder3, 0.0f, 0.0f);
  s.ladder4 = _mm_setr_ps(left.ladder4, right.ladder4, 0.0f, 0.0f);
  return s;
}

inline void unpackLadder(const LadderStereo& s, LadderChannel& left, LadderChannel& right) {
  alignas(16) float v[5][4];
  _mm_store_ps(v[0], s.ladderIn);
  _mm_store_ps(v[1], s.ladder1);
  _mm_store_ps(v[2], s.ladder2);
  _mm_store_ps(v[3], s.ladder3);
  _mm_store_ps(v[4], s.ladder4);
  left = LadderChannel{v[0][0], v[1][0], v[2][0], v[3][0], v[4][0]};
  right = LadderChannel{v[0][1], v[1][1], v[2][1], v[3][1], v[4][1]};
}

// The denormal guard of guardDenormals on both channels. States this small are
// rare while sound plays, so one predictable branch on all ten tests replaces
// ten, and the clearing (a mask, exact for each state) stays off the chain.
ZARNITH_ALWAYS_INLINE void guardDenormals(LadderStereo& s) {
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  const __m128 limit = _mm_set1_ps(1e-6f);
  const __m128 tinyIn = _mm_cmple_ps(_mm_and_ps(s.ladderIn, magnitude), limit);
  const __m128 tiny1 = _mm_cmple_ps(_mm_and_ps(s.ladder1, magnitude), limit);
  const __m128 tiny2 = _mm_cmple_ps(_mm_and_ps(s.ladder2, magnitude), limit);
  const __m128 tiny3 = _mm_cmple_ps(_mm_and_ps(s.ladder3, magnitude), limit);
  const __m128 tiny4 = _mm_cmple_ps(_mm_and_ps(s.ladder4, magnitude), limit);
  const __m128 any = _mm_or_ps(_mm_or_ps(_mm_or_ps(tinyIn, tiny1), _mm_or_ps(tiny2, tiny3)), tiny4);
  if ((_mm_movemask_ps(any) & 3) != 0) {
    s.ladderIn = _mm_andnot_ps(tinyIn, s.ladderIn);
    s.ladder1 = _mm_andnot_ps(tiny1, s.ladder1);
    s.ladder2 = _mm_andnot_ps(tiny2, s.ladder2);
    s.ladder3 = _mm_andnot_ps(tiny3, s.ladder3);
    s.ladder4 = _mm_andnot_ps(tiny4, s.ladder4);
  }
}

// One stereo frame, as runLadderFilter computes it: the guard, the shared
// coefficients, then both channels. The two inputs are read before either
// output is written, so the caller keeps runLadderFilter for a left output
// that is the right input.
ZARNITH_ALWAYS_INLINE __m128 runLadderPair(LadderStereo& s, const LadderCoefficients& co,
                                           LadderResponse response, __m128 in) {
  guardDenormals(s);
  const __m128d p = _mm_set1_pd(co.poleCoef);
  const __m128d f = _mm_set1_pd(co.stageCoef);
  const __m128d gain = _mm_set1_pd(co.resonanceGain);
  const __m128d input = _mm_cvtps_pd(in);
  const __m128 x = _mm_cvtpd_ps(_mm_sub_pd(input, _mm_mul_pd(gain, _mm_cvtps_pd(s.ladder4))));
  const __m128d xd = _mm_cvtps_pd(x);
  __m128 t1 = s.ladder1;
  s.ladder1 = _mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(xd, _mm_cvtps_pd(s.ladderIn)), p),
                                      _mm_mul_pd(_mm_cvtps_pd(s.ladder1), f)));
  const __m128 t2 = s.ladder2;
  s.ladder2 = _mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(_mm_cvtps_pd(s.ladder1), _mm_cvtps_pd(t1)), p),
                                      _mm_mul_pd(_mm_cvtps_pd(s.ladder2), f)));
  t1 = s.ladder3;
  s.ladder3 = _mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(_mm_cvtps_pd(s.ladder2), _mm_cvtps_pd(t2)), p),
                                      _mm_mul_pd(_mm_cvtps_pd(s.ladder3), f)));
  const __m128 stage4 =
      _mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(_mm_cvtps_pd(s.ladder3), _mm_cvtps_pd(t1)), p),
                              _mm_mul_pd(_mm_cvtps_pd(s.ladder4), f)));
  const __m128d stage4d = _mm_cvtps_pd(stage4);
  const __m128d clip = _mm_set1_pd(static_cast<double>(0.166667f));
  const __m128 l4 =
      _mm_cvtpd_ps(_mm_sub_pd(stage4d, _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(stage4d, stage4d), stage4d), clip)));
  s.ladder4 = l4;
  s.ladderIn = x;
  __m128 out;
  switch (response) {
    case LadderResponse::kLowPass:
      out = l4;
      break;
    case LadderResponse::kBandPass:
      out = _mm_cvtpd_ps(_mm_mul_pd(_mm_sub_pd(_mm_cvtps_pd(s.ladder3), _mm_cvtps_pd(l4)), _mm_set1_pd(3.0)));
      break;
    default:
      out = _mm_cvtpd_ps(_mm_sub_pd(xd, _mm_cvtps_pd(l4)));
      break;
  }
  // A channel whose last stage or output stopped being finite is cleared and
  // outputs 0 (see runLadderChannel); the other channel goes on untouched.
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  const __m128 infinity = _mm_set1_ps(INFINITY);
  const __m128 finite = _mm_and_ps(_mm_cmplt_ps(_mm_and_ps(l4, magnitude), infinity),
                                   _mm_cmplt_ps(_mm_and_ps(out, magnitude), infinity));
  if (ZARNITH_UNLIKELY((_mm_movemask_ps(finite) & 3) != 3)) {
    s.ladderIn = _mm_and_ps(s.ladderIn, finite);
    s.ladder1 = _mm_and_ps(s.ladder1, finite);
    s.ladder2 = _mm_and_ps(s.ladder2, finite);
    s.ladder3 = _mm_and_ps(s.ladder3, finite);
    s.ladder4 = _mm_and_ps(s.ladder4, finite);
    out = _mm_and_ps(out, finite);
  }
  return out;
}

ZARNITH_ALWAYS_INLINE void runLadderStereo(LadderStereo& s, const LadderCoefficients& co,
                                           LadderResponse response, float inL, float inR, float* outL,
                                           float* outR) {
  const __m128 out = runLadderPair(s, co, response, _mm_unpacklo_ps(_mm_set_ss(inL), _mm_set_ss(inR)));
  _mm_store_ss(outL, out);
  _mm_store_ss(outR, _mm_shuffle_ps(out, out, _MM_SHUFFLE(1, 1, 1, 1)));
}

ZARNITH_ALWAYS_INLINE void runLadderStereo(LadderStereo& s, float cutoff, float q, float filterType,
                                           float inL, float inR, float* outL, float* outR) {
  runLadderStereo(s, ladderCoefficients(cutoff, q), ladderResponse(filterType), inL, inR, outL, outR);
}

#endif  // ZARNITH_STEREO_LADDER

}  // namespace zarnith
