// Processing speed of the effect: every factory program at block size 512 and
// 44.1 kHz over the built-in demo loop, as the program stands and with the
// LFO and the envelope follower forced on, next to the floor that every frame
// must pay whatever the program. Reports ns per stereo frame and how many
// times faster than real time the processing runs, then each program's ratio
// to its floor, measured side by side in one run.
//
//   zarnith-bench [benchmark options]   the benchmarks, then the ratio report
//   zarnith-bench --ratios [--rounds=N] the ratio report alone
//   zarnith-bench --only=NAME [--blocks=N]
//                                       one subject (floor, floor+sin or a
//                                       program number) for a profiler
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "demo_loop.h"
#include "engine/dsp/ladder_filter.h"
#include "engine/dsp/lfo.h"
#include "engine/myvst.h"
#include "engine/parameter_ids.h"
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

// The demo loop, split into channels once.
struct Loop {
  std::vector<float> left, right;
};

const Loop& loop() {
  static const Loop channels = [] {
    const std::vector<float> demo = makeDemoLoop(kRate, 120.0, 4);
    Loop l;
    l.left.resize(demo.size() / 2);
    l.right.resize(demo.size() / 2);
    for (size_t i = 0; i < l.left.size(); i++) {
      l.left[i] = demo[2 * i];
      l.right[i] = demo[2 * i + 1];
    }
    return l;
  }();
  return channels;
}

// The floor: what every frame costs whatever the program, in its cheapest
// bit-exact form. Cutoff smoothing toward a fixed "Freq", the three ladder
// coefficients per frame, the denormal guard and the stereo ladder (both
// channels in one packed double pair), the states in registers for the block.
// With the sine, the free sine LFO drives the smoothing: one libm sin per frame.
struct Floor {
  static constexpr float kFreq = 0.5f;
  static constexpr float kQ = 0.5f;
  static constexpr float kLowPass = 0.0f;
  static constexpr int32_t kSmoothingMs = 20;

  bool withSine = false;
  zarnith::LadderStereo filter = zarnith::packLadder(zarnith::LadderChannel(), zarnith::LadderChannel());
  float cutoff = 0.0f;
  uint32_t counter = 0;
  float coef = zarnith::smoothingCoefficient(kSmoothingMs, kRate);

  void process(float* left, float* right, int frames) {
    if (withSine) {
      run<true>(left, right, frames);
    } else {
      run<false>(left, right, frames);
    }
  }

  template <bool kSine>
  void run(float* left, float* right, int frames) {
    zarnith::LadderStereo s = filter;
    float c = cutoff;
    uint32_t n = counter;
    zarnith::LfoSettings sine{};
    sine.lfoRateMult = 0.5f;  // 10 Hz range
    sine.lfoDepth = 1.0f;
    sine.lfoRate = 0.5f;
    sine.lfoType = 0.0f;
    const zarnith::LfoTime time{static_cast<int32_t>(kRate), 0.0f, 2.0, 4};
    // The sines first, so the ladder's loop makes no call (a call would send
    // its states through memory): the faster of the two ways.
    float mods[kBlock];
    const zarnith::FreeLfo lfo = zarnith::freeLfo(sine, time);
    for (int i = 0; i < frames; i++)
      mods[i] = kSine ? zarnith::freeLfoValue<zarnith::LfoShape::kSine>(lfo, n + i) : 0.5f;
    for (int i = 0; i < frames; i++) {
      const float mod = mods[i];
      n++;
      zarnith::smoothCutoff(c, mod, kFreq, coef, coef);
      zarnith::runLadderStereo(s, c, kQ, kLowPass, left[i], right[i], left + i, right + i);
    }
    filter = s;
    cutoff = c;
    counter = n;
  }
};

// One thing to time: a floor or a factory program, processing the loop in
// place block after block as many hosts have it do.
class Subject {
 public:
  // program -1 is the floor, -2 the floor with the sine.
  Subject(int program, int source) : program(program) {
    left.resize(kBlock);
    right.resize(kBlock);
    if (program < 0) {
      floor.withSine = program == -2;
      return;
    }
    effect.reset(new MyVst(&benchHost));
    effect->setProgram(program);
    if (source == 1) {
      effect->setParameter(zarnith::kParamModType, 0.5f);  // the LFO
      effect->setParameter(zarnith::kParamLfoType, 0.0f);  // sine, the costliest shape
    } else if (source == 2) {
      effect->setParameter(zarnith::kParamModType, 1.0f);  // the envelope
    }
    const float modType = effect->getParameter(zarnith::kParamModType);
    freeSine = modType > 0.2 && modType <= 0.8 && effect->getParameter(zarnith::kParamSyncOn) != 1.0f &&
               effect->getParameter(zarnith::kParamLfoType) < 0.2;
  }

  std::string name() const {
    if (program == -1) return "floor";
    if (program == -2) return "floor+sin";
    return std::to_string(program);
  }

  void runBlocks(int blocks) {
    const Loop& l = loop();
    float* channels[2] = {left.data(), right.data()};
    for (int b = 0; b < blocks; b++) {
      if (position + kBlock > l.left.size()) position = 0;
      std::memcpy(left.data(), &l.left[position], sizeof(float) * kBlock);
      std::memcpy(right.data(), &l.right[position], sizeof(float) * kBlock);
      if (effect) {
        // Each subject keeps its own song position in the shared time record.
        benchTime = time;
        zarnith::advanceHostTime(benchTime, kBlock);
        time = benchTime;
        effect->processReplacing(channels, channels, kBlock);
      } else {
        floor.process(left.data(), right.data(), kBlock);
      }
      benchmark::DoNotOptimize(left.data());
      benchmark::ClobberMemory();
      position += kBlock;
    }
  }

  int program;
  bool freeSine = false;  // measured against the floor with the sine

 private:
  std::unique_ptr<MyVst> effect;
  Floor floor;
  VstTimeInfo time = standardTime();
  std::vector<float> left, right;
  size_t position = 0;

  static VstTimeInfo standardTime() {
    VstTimeInfo t{};
    t.sampleRate = kRate;
    t.tempo = 120.0;
    t.timeSigNumerator = 4;
    t.timeSigDenominator = 4;
    return t;
  }
};

void setCounters(benchmark::State& state) {
  state.counters["ns_per_frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                                    benchmark::Counter::kIsRate);
}

// source: 0 as the program has it, 1 the LFO (sine), 2 the envelope follower.
void processSubject(benchmark::State& state, int program, int source) {
  Subject subject(program, source);
  for (auto _ : state) subject.runBlocks(1);
  setCounters(state);
}

void registerAll() {
  benchmark::RegisterBenchmark("floor/ladder", processSubject, -1, 0)->MinTime(0.05);
  benchmark::RegisterBenchmark("floor/ladder+sin", processSubject, -2, 0)->MinTime(0.05);
  static const char* const kSources[] = {"program", "lfo", "envelope"};
  for (int source = 0; source < 3; source++) {
    for (int program = 0; program < MyVst::kNumPrograms; program++) {
      const std::string name = std::string("process/") + kSources[source] + "/" + std::to_string(program);
      benchmark::RegisterBenchmark(name.c_str(), processSubject, program, source)->MinTime(0.05);
    }
  }
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

double timeBlocks(Subject& subject, int blocks) {
  const auto start = std::chrono::steady_clock::now();
  subject.runBlocks(blocks);
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::nano>(end - start).count() /
         (static_cast<double>(blocks) * kBlock);
}

// Every round times each subject once, in turn, so a slow spell of the machine
// touches floors and programs alike; a program's ratio in a round is taken to
// its floor of the same round, and the report gives the medians over rounds.
void ratioReport(int rounds) {
  const int kBlocksPerSample = 32;
  std::vector<Subject> subjects;
  subjects.reserve(2 + MyVst::kNumPrograms);
  subjects.emplace_back(-1, 0);
  subjects.emplace_back(-2, 0);
  for (int p = 0; p < MyVst::kNumPrograms; p++) subjects.emplace_back(p, 0);
  for (Subject& s : subjects) s.runBlocks(4);  // warm caches and the filters

  std::vector<std::vector<double>> ns(subjects.size()), ratio(subjects.size());
  for (int r = 0; r < rounds; r++) {
    std::vector<double> now(subjects.size());
    for (size_t i = 0; i < subjects.size(); i++) now[i] = timeBlocks(subjects[i], kBlocksPerSample);
    for (size_t i = 0; i < subjects.size(); i++) {
      ns[i].push_back(now[i]);
      if (i >= 2) ratio[i].push_back(now[i] / now[subjects[i].freeSine ? 1 : 0]);
    }
  }

  // Medians, and the fastest round of each subject: on a loaded machine the
  // fastest rounds are the ones nothing else interrupted.
  auto best = [&](size_t i) { return *std::min_element(ns[i].begin(), ns[i].end()); };
  std::printf("\nRatios to the floor, medians over %d rounds of %d blocks of %d frames at %.0f Hz\n", rounds,
              kBlocksPerSample, kBlock, kRate);
  std::printf("%-10s %10s %8s %10s %8s\n", "subject", "ns/frame", "ratio", "best ns", "best");
  std::printf("%-10s %10.2f %8s %10.2f\n", "floor", median(ns[0]), "", best(0));
  std::printf("%-10s %10.2f %8.3f %10.2f %8.3f\n", "floor+sin", median(ns[1]), median(ns[1]) / median(ns[0]),
              best(1), best(1) / best(0));
  std::vector<double> ratios, bestRatios;
  for (size_t i = 2; i < subjects.size(); i++) {
    const double m = median(ratio[i]);
    const double b = best(i) / best(subjects[i].freeSine ? 1 : 0);
    ratios.push_back(m);
    bestRatios.push_back(b);
    std::printf("%-10s %10.2f %8.3f %10.2f %8.3f%s\n", subjects[i].name().c_str(), median(ns[i]), m, best(i),
                b, subjects[i].freeSine ? "  (against floor+sin)" : "");
  }
  std::printf("median ratio %.3f, maximum %.3f; fastest rounds: median %.3f, maximum %.3f\n", median(ratios),
              *std::max_element(ratios.begin(), ratios.end()), median(bestRatios),
              *std::max_element(bestRatios.begin(), bestRatios.end()));
}

int intOption(const char* arg, const char* prefix, int fallback) {
  const size_t n = std::strlen(prefix);
  return std::strncmp(arg, prefix, n) == 0 ? std::atoi(arg + n) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  bool ratiosOnly = false;
  int rounds = 41;
  std::string only;
  int blocks = 2000;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--ratios") == 0) ratiosOnly = true;
    rounds = intOption(argv[i], "--rounds=", rounds);
    blocks = intOption(argv[i], "--blocks=", blocks);
    if (std::strncmp(argv[i], "--only=", 7) == 0) only = argv[i] + 7;
  }
  if (!only.empty()) {
    const int program = only == "floor" ? -1 : only == "floor+sin" ? -2 : std::atoi(only.c_str());
    Subject subject(program, 0);
    std::printf("%s: %.2f ns per frame\n", subject.name().c_str(), timeBlocks(subject, blocks));
    return 0;
  }
  if (!ratiosOnly) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  ratioReport(std::max(1, rounds));
  return 0;
}
