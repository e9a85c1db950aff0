// The envelope follower: a one-pole follower of the input level with separate
// rise and fall factors, turned into a modulation value by depth and reverse.
#pragma once

#include <cmath>

namespace zarnith {

inline float followEnvelope(float& envelopeState, float x, float attackCoef, float releaseCoef,
                            float envDepth, float envReverse) {
  const float a = std::fabs(x);
  float state = envelopeState;
  if (state < a) {
    state = static_cast<float>((static_cast<double>(state) - a) * attackCoef + a);
  } else if (state > a) {
    state = static_cast<float>((static_cast<double>(state) - a) * releaseCoef + a);
  } else {
    state = a;
  }
  if (state >= 1.0f) {
    state = 1.0f;
  } else if (state <= 0.000001) {
    state = 0.0f;
  } else if (!(state == state)) {
    state = 0.0f;  // a non-finite input sample must not stick in the follower
  }
  envelopeState = state;
  float value;
  if (envReverse == 0.0f) {
    value = static_cast<float>(static_cast<double>(envDepth) * state);
  } else {
    value = static_cast<float>(static_cast<double>(envDepth) * (0.5 - state));
  }
  if (value >= 1.0f) {
    value = 1.0f;
  } else if (value <= 0.000001) {
    value = 0.0f;
  }
  return value;
}

}  // namespace zarnith
