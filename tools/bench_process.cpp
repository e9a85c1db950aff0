// Processing speed of the effect: every factory program at block size 512 and
// 44.1 kHz over the built-in demo loop, as the program stands and with the
// LFO and the envelope follower forced on. Reports ns per stereo frame and how
// many times faster than real time the processing runs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "demo_loop.h"
#include "engine/myvst.h"
#include "host_time.h"

namespace {

const int kBlock = 512;
const double kRate = 44100.0;

VstTimeInfo benchTime;

VstIntPtr ZARNITH_CALL benchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&benchTime);
  return 0;
}

const std::vector<float>& loop() {
  static const std::vector<float> demo = makeDemoLoop(kRate, 120.0, 4);
  return demo;
}

// source: 0 as the program has it, 1 the LFO (sine), 2 the envelope follower.
void processProgram(benchmark::State& state, int program, int source) {
  benchTime = VstTimeInfo{};
  benchTime.sampleRate = kRate;
  benchTime.tempo = 120.0;
  benchTime.timeSigNumerator = 4;
  benchTime.timeSigDenominator = 4;
  std::unique_ptr<MyVst> effect(new MyVst(&benchHost));
  effect->setProgram(program);
  if (source == 1) {
    effect->setParameter(5, 0.5f);   // Mod Type: LFO
    effect->setParameter(28, 0.0f);  // LFO Type: sine, the costliest shape
  } else if (source == 2) {
    effect->setParameter(5, 1.0f);  // Mod Type: envelope
  }
  // The loop, split into channels once; each block copies its slice in (the
  // effect processes in place, as many hosts have it do).
  const std::vector<float>& demo = loop();
  const size_t frames = demo.size() / 2;
  std::vector<float> loopLeft(frames), loopRight(frames);
  for (size_t i = 0; i < frames; i++) {
    loopLeft[i] = demo[2 * i];
    loopRight[i] = demo[2 * i + 1];
  }
  std::vector<float> left(kBlock), right(kBlock);
  float* channels[2] = {left.data(), right.data()};
  size_t position = 0;
  for (auto _ : state) {
    if (position + kBlock > frames) position = 0;
    std::memcpy(left.data(), &loopLeft[position], sizeof(float) * kBlock);
    std::memcpy(right.data(), &loopRight[position], sizeof(float) * kBlock);
    zarnith::advanceHostTime(benchTime, kBlock);
    effect->processReplacing(channels, channels, kBlock);
    benchmark::DoNotOptimize(left.data());
    position += kBlock;
  }
  state.counters["ns_per_frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                                    benchmark::Counter::kIsRate);
}

void registerAll() {
  static const char* const kSources[] = {"program", "lfo", "envelope"};
  for (int source = 0; source < 3; source++) {
    for (int program = 0; program < 32; program++) {
      const std::string name = std::string("process/") + kSources[source] + "/" + std::to_string(program);
      benchmark::RegisterBenchmark(name.c_str(), processProgram, program, source)->MinTime(0.05);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
