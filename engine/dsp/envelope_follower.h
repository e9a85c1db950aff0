// The envelope follower: a one-pole follower of the input level with separate
// rise and fall factors, turned into a modulation value by depth and reverse.
#pragma once

#include <cmath>

#include "engine/dsp/conversions.h"

namespace zarnith {

inline float followEnvelope(float& envelopeState, float x, float attackCoef, float releaseCoef,
                            float envDepth, float envReverse) {
  const float a = std::fabs(x);
  // The level crosses the state at audio rate, so the rising and falling
  // cases are selected without branches; an equal level is taken as it is.
  const float previous = envelopeState;
  const double coef = previous < a ? attackCoef : releaseCoef;
  const float moved = static_cast<float>((static_cast<double>(previous) - a) * coef + a);
  float state = previous == a ? a : moved;
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
