// What the checks share: a seeded random source, audio blocks with guard samples, the host's
// start-up order and musical time, and the process's resources (heap, files, threads).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "plugin_loader.h"

namespace validate {

// xorshift64*: the same cases for the same seed on every machine.
class Random {
 public:
  explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
  uint32_t next();
  float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }  // [0, 1)
  int range(int low, int high) {
    return low + static_cast<int>(next() % static_cast<uint32_t>(high - low + 1));
  }

 private:
  uint64_t state;
};

enum class Signal { kNoise, kSilence, kDenormal, kNaN, kInfinity };

// One block of the plug-in's channels. Every channel has guard samples right after the block's
// frames, so a plug-in that writes past the block is caught.
class AudioBlock {
 public:
  AudioBlock(int inputs, int outputs, int maxFrames);
  float** inputs() { return inputPointers.data(); }
  float** outputs() { return outputPointers.data(); }
  int maxFrames() const { return capacity; }

  // New input for the next block (plug-ins may write into their inputs, so every block gets
  // fresh ones); the outputs are filled with a marker.
  void fill(Signal signal, int frames, Random& random);
  bool outputFinite(int frames) const;
  bool guardsIntact() const;
  const float* output(int channel) const { return outputData[channel].data(); }
  int outputCount() const { return static_cast<int>(outputData.size()); }

 private:
  int capacity;
  int lastFrames = 0;
  std::vector<std::vector<float>> inputData, outputData;
  std::vector<float*> inputPointers, outputPointers;
};

class CheckContext;
// A fresh instance, switched on as a host does with a playing transport; null after a failure.
std::unique_ptr<LoadedPlugin> startInstance(CheckContext& context, float sampleRate, int maxBlock);

// The order a host switches a plug-in on and off in.
void startPlugin(LoadedPlugin& plugin, float sampleRate, int maxBlock);
void stopPlugin(LoadedPlugin& plugin);
// Time as a playing transport gives it, at tempo 120 in 4/4.
VstTimeInfo playingTime(double sampleRate);
void advanceTime(VstTimeInfo& time, int frames);

// Fills, processes and advances the time by one block.
void processBlock(LoadedPlugin& plugin, AudioBlock& block, Signal signal, int frames, Random& random);

// Bytes the process holds on its heap; open file descriptors; threads.
size_t liveHeapBytes();
int openFileCount();
int threadCount();

}  // namespace validate
