// Text of the editor's three readouts, and the value narrowings the editor uses.
// Every function here is defined for any float, NaN and infinities included.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/dsp/conversions.h"

namespace zarnith {

// Readouts hand their formatters a buffer of this many bytes.
constexpr int kReadoutTextSize = 256;

// The value narrowings (truncation toward zero, saturating; NaN gives 0) are
// the engine's own, so the editor shows exactly what the sound uses.

// The cutoff readout holds Freq x 20000: whole hertz, "%d Hz".
void formatFrequency(float value, char* text);

// Names of the synchronised LFO rate steps 0 to 16.
constexpr int kLfoSyncSteps = 17;
extern const char* const kLfoSyncRateNames[kLfoSyncSteps];

// LFO rate: "%3.3f Hz" while free-running, else the name of step trunc(value x 16).
void formatLfoRateText(float value, bool synced, char* text);
// The readout's converter; userData points at the editor's sync flag
// (a std::atomic<uint8_t>), so each editor shows its own state.
void formatLfoRate(float value, char* text, void* userData);

// The scrambler offset readout holds the step count 0 to 32: "0", "-n/16", "+n/16".
void formatScrambleOffset(float value, char* text);

}  // namespace zarnith
