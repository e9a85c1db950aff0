// The effect's random numbers: the classic C runtime sequence, one per thread.
#pragma once

#include <cstdint>

// Next number of the calling thread's sequence, 0 to 32767. Each thread starts
// from state 1 and is never reseeded, so every thread sees the same sequence.
int crtRand();
