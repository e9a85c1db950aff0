// An effect created directly (no library loading) with a small host that hands
// out a time record, for tests that look at the processing state itself.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "engine/myvst.h"

struct TestHost {
  TestHost();
  ~TestHost();

  VstTimeInfo time{};
  bool provideTime = true;
  int timeRequests = 0;
  int midiRequests = 0;
  // Copied when the time is requested: lets a test see what the output held then.
  float outputAtTimeRequest = 0.0f;
  const float* watchedOutput = nullptr;
  std::unique_ptr<MyVst> effect;
  // The effect's processing state.
  const zarnith::ProcessingChain& chain() const { return effect->processingChain(); }

  // Moves the host's position on by a number of frames at the current tempo.
  void advance(int frames);
  // Processes one block of the given stereo buffers (in place when out is null).
  void process(std::vector<float>& left, std::vector<float>& right, int frames, int offset = 0);

 private:
  static VstIntPtr ZARNITH_CALL callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);
};

// 4/4, 120 BPM, 44.1 kHz, transport at the song start.
VstTimeInfo standardTime();

// The random sequence is per thread and starts afresh on each new thread: runs
// that must be repeatable each get a thread of their own.
template <class Function>
void onFreshThread(Function function) {
  std::thread thread(function);
  thread.join();
}

// A deterministic drum-like stereo test signal (noise bursts, a square bass),
// made with integer and float arithmetic only.
void makeTestSignal(std::vector<float>& left, std::vector<float>& right, int frames, int beatFrames);
