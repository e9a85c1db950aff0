// Cutoff smoothing and the four-stage resonant ladder filter with a soft clipper
// in its last stage. Every stored value is rounded to float where it is stored;
// everything between is evaluated in double, as the sound is defined to the bit.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/dsp/conversions.h"

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
inline void runLadderFilter(LadderChannel& left, LadderChannel& right, float cutoff, float q,
                            float filterType, const float* inL, const float* inR, float* outL, float* outR) {
  guardDenormals(left);
  guardDenormals(right);
  const LadderCoefficients co = ladderCoefficients(cutoff, q);
  const LadderResponse response = ladderResponse(filterType);
  *outL = runLadderChannel(left, co, *inL, response);
  *outR = runLadderChannel(right, co, *inR, response);
}

}  // namespace zarnith
