// Processing under the conditions hosts create: any block size, any sample rate, any tempo and
// time signature, broken time records, non-finite and denormal input.
#include <time.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "session.h"
#include "validate.h"

namespace validate {
namespace {

const float kRate = 44100.0f;
const int kBlock = 512;

// Runs count blocks and checks each; false (after a failure naming what) at the first fault.
bool runBlocks(CheckContext& context, LoadedPlugin& plugin, AudioBlock& block, Random& random, int frames,
               int count, Signal signal, const std::string& what) {
  for (int i = 0; i < count; ++i) {
    processBlock(plugin, block, signal, frames, random);
    if (!block.guardsIntact()) {
      context.fail("%s: the plug-in wrote past the end of a %d-frame block", what.c_str(), frames);
      return false;
    }
    if (signal == Signal::kNoise && !block.outputFinite(frames)) {
      context.fail("%s: non-finite output from finite input (block %d of %d frames)", what.c_str(), i,
                   frames);
      return false;
    }
  }
  return true;
}

// Each block of the run switches to the next program, so that every program meets the condition.
void nextProgram(LoadedPlugin& plugin, int& program) {
  const int programs = plugin.effect()->numPrograms;
  if (programs <= 1) return;
  program = (program + 1) % programs;
  plugin.dispatch(effSetProgram, 0, program);
}

}  // namespace

void checkBlockSizes(CheckContext& context) {
  std::vector<int> sizes = {1,   2,    3,    4,    5,    7,    8,    15,   16,    17,    31,   32,
                            33,  63,   64,   100,  127,  128,  129,  255,  256,   257,   511,  512,
                            513, 1000, 1023, 1024, 1025, 2048, 4096, 8192, 16384, 32768, 65536};
  Random random(context.seed());
  const int randomSizes = context.scaled(40, 4);
  for (int i = 0; i < randomSizes; ++i) {
    // Mostly small and odd sizes, as hosts with sample-accurate automation split their blocks.
    const int bound = (i % 4 == 0) ? 65536 : 600;
    sizes.push_back(random.range(1, bound));
  }
  const int maxBlock = 65536;
  context.step("create and start with a maximum block of %d", maxBlock);
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, maxBlock);
  if (!plugin) return;
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, maxBlock);
  int program = 0;
  context.step("a block of 0 frames");
  processBlock(*plugin, block, Signal::kNoise, 0, random);
  for (int size : sizes) {
    context.step("blocks of %d frames", size);
    // A quarter second of audio, at least three blocks.
    const int count = std::max(3, static_cast<int>(kRate / 4) / size);
    nextProgram(*plugin, program);
    if (!runBlocks(context, *plugin, block, random, size, std::min(count, context.scaled(2000, 50)),
                   Signal::kNoise, "block size " + std::to_string(size)))
      return;
  }
  stopPlugin(*plugin);
  context.note("%zu block sizes from 0 to %d", sizes.size() + 1, maxBlock);
}

void checkSampleRates(CheckContext& context) {
  const float rates[] = {8000,  11025,  16000,  22050,  32000,  44100,  48000, 88200,
                         96000, 176400, 192000, 352800, 384000, 705600, 768000};
  Random random(context.seed());
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, kBlock);
  if (!plugin) return;
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
  int program = 0;
  int count = 0;
  for (float rate : rates) {
    if (context.strictness() < 5 && rate != 8000 && rate != 48000 && rate != 192000) continue;
    context.step("%.0f Hz", rate);
    // Hosts switch the rate with the plug-in off.
    plugin->dispatch(effMainsChanged, 0, 0);
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    plugin->dispatch(effMainsChanged, 0, 1);
    plugin->setTimeInfo(playingTime(rate));
    // Half a second, long enough for a bar's worth of tempo-synced state at the higher rates.
    const int blocks = static_cast<int>(rate / 2) / kBlock;
    for (int part = 0; part < 4; ++part) {
      nextProgram(*plugin, program);
      if (!runBlocks(context, *plugin, block, random, kBlock, blocks / 4, Signal::kNoise,
                     std::to_string(static_cast<int>(rate)) + " Hz"))
        return;
    }
    ++count;
  }
  stopPlugin(*plugin);
  context.note("%d sample rates from 8 kHz to 768 kHz", count);
}

void checkTempos(CheckContext& context) {
  const double tempos[] = {1, 5, 20, 40, 60, 90, 120, 140, 174, 240, 300, 999};
  const int signatures[][2] = {{1, 4}, {2, 4},  {3, 4},   {4, 4},  {5, 4}, {7, 8},
                               {6, 8}, {12, 8}, {15, 16}, {32, 4}, {1, 1}, {99, 64}};
  Random random(context.seed());
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, kBlock);
  if (!plugin) return;
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
  int program = 0, combinations = 0;
  const int blocks = context.scaled(16, 4);
  for (double tempo : tempos) {
    for (const auto& signature : signatures) {
      if (context.strictness() < 5 && (combinations % 4) != 0) {
        ++combinations;
        continue;
      }
      context.step("tempo %g in %d/%d", tempo, signature[0], signature[1]);
      VstTimeInfo time = playingTime(kRate);
      time.tempo = tempo;
      time.timeSigNumerator = signature[0];
      time.timeSigDenominator = signature[1];
      // Start inside a bar, as a host that starts playing anywhere does.
      time.ppqPos = random.unit() * 64.0;
      plugin->setTimeInfo(time);
      nextProgram(*plugin, program);
      char what[64];
      std::snprintf(what, sizeof(what), "tempo %g in %d/%d", tempo, signature[0], signature[1]);
      if (!runBlocks(context, *plugin, block, random, kBlock, blocks, Signal::kNoise, what)) return;
      ++combinations;
    }
  }
  stopPlugin(*plugin);
  context.note("%zu tempos from 1 to 999 BPM, %zu time signatures", sizeof(tempos) / sizeof(tempos[0]),
               sizeof(signatures) / sizeof(signatures[0]));
}

void checkTimeRecords(CheckContext& context) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    void (*apply)(VstTimeInfo& time, double nan, double inf);
  };
  static const Case cases[] = {
      {"no time record (null)", nullptr},
      {"all fields zero", [](VstTimeInfo& t, double, double) { t = VstTimeInfo(); }},
      {"flags say nothing is valid", [](VstTimeInfo& t, double, double) { t.flags = 0; }},
      {"tempo 0", [](VstTimeInfo& t, double, double) { t.tempo = 0; }},
      {"negative tempo", [](VstTimeInfo& t, double, double) { t.tempo = -120; }},
      {"NaN tempo", [](VstTimeInfo& t, double n, double) { t.tempo = n; }},
      {"infinite tempo", [](VstTimeInfo& t, double, double i) { t.tempo = i; }},
      {"huge tempo", [](VstTimeInfo& t, double, double) { t.tempo = 1e300; }},
      {"sample rate 0", [](VstTimeInfo& t, double, double) { t.sampleRate = 0; }},
      {"negative sample rate", [](VstTimeInfo& t, double, double) { t.sampleRate = -44100; }},
      {"NaN sample rate", [](VstTimeInfo& t, double n, double) { t.sampleRate = n; }},
      {"tiny sample rate", [](VstTimeInfo& t, double, double) { t.sampleRate = 1e-300; }},
      {"huge sample rate", [](VstTimeInfo& t, double, double) { t.sampleRate = 1e12; }},
      {"numerator 0", [](VstTimeInfo& t, double, double) { t.timeSigNumerator = 0; }},
      {"negative numerator", [](VstTimeInfo& t, double, double) { t.timeSigNumerator = -4; }},
      {"huge numerator", [](VstTimeInfo& t, double, double) { t.timeSigNumerator = INT_MAX; }},
      {"denominator 0", [](VstTimeInfo& t, double, double) { t.timeSigDenominator = 0; }},
      {"negative denominator", [](VstTimeInfo& t, double, double) { t.timeSigDenominator = -4; }},
      {"NaN position",
       [](VstTimeInfo& t, double n, double) {
         t.ppqPos = n;
         t.samplePos = n;
         t.barStartPos = n;
       }},
      {"infinite position",
       [](VstTimeInfo& t, double, double i) {
         t.ppqPos = i;
         t.samplePos = i;
       }},
      {"negative position",
       [](VstTimeInfo& t, double, double) {
         t.ppqPos = -1000.25;
         t.samplePos = -44100;
         t.barStartPos = -1004;
       }},
      {"huge position",
       [](VstTimeInfo& t, double, double) {
         t.ppqPos = 1e300;
         t.samplePos = 1e300;
       }},
      {"position past 2^31 bars",
       [](VstTimeInfo& t, double, double) { t.ppqPos = 4.0 * 2147483648.0 + 1.5; }},
      {"NaN everywhere",
       [](VstTimeInfo& t, double n, double) {
         t.sampleRate = n;
         t.tempo = n;
         t.ppqPos = n;
         t.samplePos = n;
         t.barStartPos = n;
         t.nanoSeconds = n;
       }},
      {"minus infinity everywhere",
       [](VstTimeInfo& t, double, double i) {
         t.sampleRate = -i;
         t.tempo = -i;
         t.ppqPos = -i;
         t.samplePos = -i;
         t.barStartPos = -i;
       }},
      {"position jumping back and forth", nullptr},
      {"position standing still", nullptr},
      {"tempo jumping every block", nullptr},
  };
  (void)nan;
  (void)inf;
  const int blocks = context.scaled(24, 6);
  int index = 0;
  for (const Case& c : cases) {
    ++index;
    const std::string name = c.name;
    context.step("%s: create", c.name);
    std::unique_ptr<LoadedPlugin> plugin = context.load();
    if (!plugin) return;
    Random random(context.seed() + index);
    plugin->setTimeInfo(playingTime(kRate));
    startPlugin(*plugin, kRate, kBlock);
    AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
    // Programs differ in what reads the time (tempo-synced or not): each case takes another one.
    if (plugin->effect()->numPrograms > 1)
      plugin->dispatch(effSetProgram, 0, index % plugin->effect()->numPrograms);
    context.step("%s: good time first", c.name);
    if (!runBlocks(context, *plugin, block, random, kBlock, 4, Signal::kNoise, name + " (before)")) continue;
    context.step("%s: processing", c.name);
    bool good = true;
    for (int i = 0; i < blocks && good; ++i) {
      VstTimeInfo& time = plugin->timeInfo();
      if (c.apply) {
        time = playingTime(kRate);
        c.apply(time, nan, inf);
      } else if (name == "no time record (null)") {
        plugin->setProvidesTime(false);
      } else if (name == "position jumping back and forth") {
        time.ppqPos = (random.unit() - 0.3) * 1000.0;
        time.samplePos = time.ppqPos * kRate / 2.0;
      } else if (name == "position standing still") {
        time.ppqPos = 3.0;
        time.flags &= ~kVstTransportPlaying;
      } else {
        time.tempo = 1.0 + random.unit() * 998.0;
      }
      block.fill(Signal::kNoise, kBlock, random);
      plugin->processReplacing(block.inputs(), block.outputs(), kBlock);
      if (!block.guardsIntact()) {
        context.fail("%s: the plug-in wrote past the end of the block", c.name);
        good = false;
      } else if (!block.outputFinite(kBlock)) {
        context.fail("%s: non-finite output from finite input", c.name);
        good = false;
      }
    }
    plugin->setProvidesTime(true);
    plugin->setTimeInfo(playingTime(kRate));
    context.step("%s: good time again", c.name);
    if (good) runBlocks(context, *plugin, block, random, kBlock, 8, Signal::kNoise, name + " (after)");
    stopPlugin(*plugin);
  }
  context.note("%zu kinds of broken time records", sizeof(cases) / sizeof(cases[0]));
}

void checkNanRecovery(CheckContext& context) {
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, kBlock);
  if (!plugin) return;
  Random random(context.seed());
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
  const int programs = std::max(1, plugin->effect()->numPrograms);
  const int tested = std::min(programs, context.scaled(programs));
  // Output must be finite again from the next block at high strictness, within a second below.
  const int allowed = context.strictness() >= 8 ? 1 : static_cast<int>(kRate) / kBlock;
  const int watchBlocks = static_cast<int>(4 * kRate) / kBlock;
  int worst = 0, worstProgram = 0;
  std::string failedPrograms;
  for (int p = 0; p < tested; ++p) {
    for (int kind = 0; kind < 3; ++kind) {
      const char* what = kind == 0   ? "one NaN sample on the first input"
                         : kind == 1 ? "a block of NaN"
                                     : "a block of infinities";
      context.step("program %d: %s", p, what);
      if (programs > 1) plugin->dispatch(effSetProgram, 0, p);
      if (!runBlocks(context, *plugin, block, random, kBlock, 8, Signal::kNoise, "before the bad input"))
        return;
      if (kind == 0) {
        block.fill(Signal::kNoise, kBlock, random);
        block.inputs()[0][100] = std::numeric_limits<float>::quiet_NaN();
        plugin->processReplacing(block.inputs(), block.outputs(), kBlock);
        advanceTime(plugin->timeInfo(), kBlock);
      } else {
        processBlock(*plugin, block, kind == 1 ? Signal::kNaN : Signal::kInfinity, kBlock, random);
      }
      // The output must come back and stay: a plug-in may replay what it recorded a bar later.
      int lastBad = 0;
      for (int b = 1; b <= watchBlocks; ++b) {
        processBlock(*plugin, block, Signal::kNoise, kBlock, random);
        if (!block.outputFinite(kBlock)) lastBad = b;
      }
      const bool finite = lastBad < watchBlocks;
      const int blocks = lastBad + 1;
      if (blocks > worst) {
        worst = blocks;
        worstProgram = p;
      }
      if (!finite)
        context.fail("program %d after %s: output not finite for good within %d blocks (4 s)", p, what,
                     watchBlocks);
      else if (blocks > allowed)
        context.fail("program %d after %s: non-finite output until block %d (of %d frames) after it", p, what,
                     lastBad, kBlock);
      if (!finite) {
        // The instance is lost for the remaining programs: take a fresh one.
        stopPlugin(*plugin);
        plugin = startInstance(context, kRate, kBlock);
        if (!plugin) return;
      }
    }
  }
  context.note(
      "%d programs, 3 kinds of bad input each; output finite for good from block %d after it at worst "
      "(program %d)",
      tested, worst, worstProgram);
}

void checkDenormalCost(CheckContext& context) {
#if defined(__SSE__)
  // Hosts do not promise flush-to-zero: the plug-in must protect itself.
  _mm_setcsr(_mm_getcsr() & ~0x8040u);
#endif
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, kBlock);
  if (!plugin) return;
  Random random(context.seed());
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
  const int programs = std::max(1, plugin->effect()->numPrograms);
  const int tested = std::min(programs, context.scaled(programs, 2));
  const int timedBlocks = 64;
  const int rounds = 3;
  // The machine may be shared and loaded: the cost is the processor time of this thread, the
  // best of several rounds, and the limit is generous. Denormal stalls cost ten to a hundred times.
  const double limit = 4.0;
  auto cpuSeconds = [] {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  };
  auto timeKind = [&](Signal signal) {
    // Some of the input first; silence needs longer, as states decay into the denormal range
    // only after a while.
    const double settle = signal == Signal::kSilence ? 1.0 : 0.1;
    for (int i = 0; i < static_cast<int>(settle * kRate) / kBlock; ++i)
      processBlock(*plugin, block, signal, kBlock, random);
    const double start = cpuSeconds();
    for (int i = 0; i < timedBlocks; ++i) processBlock(*plugin, block, signal, kBlock, random);
    return cpuSeconds() - start;
  };
  double worstDenormal = 0, worstSilence = 0;
  int worstDenormalProgram = 0, worstSilenceProgram = 0;
  for (int p = 0; p < tested; ++p) {
    if (programs > 1) plugin->dispatch(effSetProgram, 0, p);
    double normal = 1e30, denormal = 1e30, silence = 1e30;
    for (int round = 0; round < rounds; ++round) {
      context.step("program %d: normal input timed, round %d", p, round + 1);
      normal = std::min(normal, timeKind(Signal::kNoise));
      context.step("program %d: denormal input, round %d", p, round + 1);
      denormal = std::min(denormal, timeKind(Signal::kDenormal));
      context.step("program %d: normal input again, round %d", p, round + 1);
      normal = std::min(normal, timeKind(Signal::kNoise));
      context.step("program %d: silent input, round %d", p, round + 1);
      silence = std::min(silence, timeKind(Signal::kSilence));
    }
    if (normal <= 0) normal = 1e-9;
    const double denormalRatio = denormal / normal, silenceRatio = silence / normal;
    if (denormalRatio > worstDenormal) {
      worstDenormal = denormalRatio;
      worstDenormalProgram = p;
    }
    if (silenceRatio > worstSilence) {
      worstSilence = silenceRatio;
      worstSilenceProgram = p;
    }
    if (denormalRatio > limit)
      context.fail("program %d: denormal input costs %.1f times normal input", p, denormalRatio);
    if (silenceRatio > limit)
      context.fail("program %d: silent input costs %.1f times normal input", p, silenceRatio);
  }
  context.note(
      "%d programs; denormal input at most %.2fx normal (program %d), silence at most %.2fx (program %d); "
      "limit %.0fx",
      tested, worstDenormal, worstDenormalProgram, worstSilence, worstSilenceProgram, limit);
}

}  // namespace validate
