// The envelope follower: a one-pole follower of the input level with separate
// rise and fall factors, turned into a modulation value by depth and reverse.
#pragma once

#include <cmath>

#include "engine/dsp/conversions.h"

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
  state = holdToUnit(state);  // also clears a NaN left by a non-finite input sample
  envelopeState = state;
  float value;
  if (envReverse == 0.0f) {
    value = static_cast<float>(static_cast<double>(envDepth) * state);
  } else {
    value = static_cast<float>(static_cast<double>(envDepth) * (0.5 - state));
  }
  return holdToUnit(value);
}

}  // namespace zarnith
