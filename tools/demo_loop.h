// A short drum-and-bass loop synthesized in code (kick, snare, hi-hats and a
// bass line), so the effect can be heard without any audio file at hand.
#pragma once

#include <vector>

// Returns bars x beatsPerBar beats of the loop at the given tempo, as
// interleaved stereo (left, right, left, ...), peaking below full scale.
std::vector<float> makeDemoLoop(double sampleRate, double tempo, int bars, int beatsPerBar = 4);
