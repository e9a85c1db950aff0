// The host's song position moving on with the samples, as a playing transport
// does: the one way the tools and the tests advance a time record.
#pragma once

#include "host/plugin_interface.h"

namespace zarnith {

// Moves the record on by a number of frames at its tempo and sample rate.
inline void advanceHostTime(VstTimeInfo& time, double frames) {
  time.samplePos += frames;
  time.ppqPos += frames * (time.tempo / 60.0) / time.sampleRate;
}

}  // namespace zarnith
