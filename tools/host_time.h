// The host's song position moving on with the samples, as a playing transport
// does: the one way the tools and the tests advance a time record.
#pragma once

#include <cmath>

#include "host/plugin_interface.h"

namespace zarnith {

// Moves the record on by a number of frames at its tempo and sample rate, and
// the bar start with it. A broken record (no rate, no finite tempo, no
// signature) still moves its sample position and never divides by zero.
inline void advanceHostTime(VstTimeInfo& time, double frames) {
  time.samplePos += frames;
  if (time.sampleRate > 0 && std::isfinite(time.tempo))
    time.ppqPos += frames * (time.tempo / 60.0) / time.sampleRate;
  const double quartersPerBar =
      time.timeSigNumerator > 0
          ? 4.0 * time.timeSigNumerator / (time.timeSigDenominator > 0 ? time.timeSigDenominator : 4)
          : 4.0;
  if (std::isfinite(time.ppqPos))
    time.barStartPos = std::floor(time.ppqPos / quartersPerBar) * quartersPerBar;
}

}  // namespace zarnith
