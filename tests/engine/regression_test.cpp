// The whole chain against the plain second transcription (reference_chain),
// bit for bit, and against stored checksums of the output. The checksums were
// recorded once the two transcriptions agreed; they guard against any later
// change of the sound, which the comparison alone would not notice if both
// sides changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "chain_fixture.h"
#include "engine/parameter_ids.h"
#include "reference_chain.h"

namespace {

uint64_t fnv(uint64_t hash, const float* samples, int count) {
  for (int i = 0; i < count; i++) {
    uint32_t bits;
    std::memcpy(&bits, &samples[i], 4);
    for (int b = 0; b < 4; b++) {
      hash ^= (bits >> (8 * b)) & 0xFF;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

// ZARNITH_PRINT_CHECKSUMS=1 prints each table of checksums as it stands in this
// file, with the values this build computes, instead of checking them: for
// reviewing a deliberate change of the sound and pasting the new values. The
// comparison with the reference still runs.
bool printingChecksums() {
  const char* value = std::getenv("ZARNITH_PRINT_CHECKSUMS");
  return value && *value && std::strcmp(value, "0") != 0;
}

struct Scenario {
  int program;
  double sampleRate;
  double tempo;
  int numerator;
  int bars;
  bool randomBlocks;
  bool eventful = false;  // loops, a stopped transport and automation along the way
  // "Scrambler Dry" and "Scrambler Wet" set over the program's, where not negative.
  float scramblerDry = -1.0f;
  float scramblerWet = -1.0f;
  // From the middle on both are 1 when set: the output then plays what was recorded.
  bool playRecordingLater = false;
};

struct Outcome {
  uint64_t checksum = 14695981039346656037ull;
  double outputEnergy = 0.0;
  double changeEnergy = 0.0;  // how far the output is from the input
  int mismatches = 0;
  int firstMismatch = -1;
};

// Checks a computed checksum against the stored one, or prints the table row.
void checkChecksum(const Scenario& s, uint64_t stored, uint64_t computed) {
  if (printingChecksums()) {
    std::printf("      {{%d, %.1f, %.1f, %d, %d, %s%s}, 0x%llxull},%s\n", s.program, s.sampleRate, s.tempo,
                s.numerator, s.bars, s.randomBlocks ? "true" : "false", s.eventful ? ", true" : "",
                static_cast<unsigned long long>(computed), computed == stored ? "" : "  // changed");
    return;
  }
  EXPECT_EQ(computed, stored) << "program " << s.program << std::hex << " checksum 0x" << computed;
}

// Renders a scenario through the effect and the reference side by side.
Outcome render(const Scenario& s) {
  Outcome outcome;
  onFreshThread([&] {
    TestHost host;
    host.time.sampleRate = s.sampleRate;
    host.time.tempo = s.tempo;
    host.time.timeSigNumerator = s.numerator;
    host.effect->setProgram(s.program);
    if (s.scramblerDry >= 0.0f) host.effect->setParameter(zarnith::kParamScramblerDry, s.scramblerDry);
    if (s.scramblerWet >= 0.0f) host.effect->setParameter(zarnith::kParamScramblerWet, s.scramblerWet);
    float parameters[43];
    for (int i = 0; i < 43; i++) parameters[i] = host.effect->getParameter(i);
    ReferenceChain ref;
    ref.setFromParameters(parameters);

    const int beatFrames = static_cast<int>(s.sampleRate * 60.0 / s.tempo);
    const int frames = beatFrames * s.numerator * s.bars;
    std::vector<float> inL, inR;
    makeTestSignal(inL, inR, frames, beatFrames);
    std::vector<float> dutL = inL, dutR = inR;
    // The effect works in place; the reference writes to separate buffers that
    // start as the input too, so held (bypassed) frames compare alike.
    std::vector<float> refInL = inL, refInR = inR, refOutL = inL, refOutR = inR;
    std::mt19937 blockSizes(s.program);
    int done = 0;
    int blockNumber = 0;
    while (done < frames) {
      int block = s.randomBlocks ? static_cast<int>(blockSizes() % 1100) : 512;
      if (block > frames - done) block = frames - done;
      if (s.eventful) {
        // Every 150th block the host loops back two beats; blocks 200 to 239
        // stand still; every 97th block a parameter moves (the same change
        // reaches the reference through the effect's own parameter values).
        blockNumber++;
        if (blockNumber % 150 == 0) host.time.ppqPos = std::max(0.0, host.time.ppqPos - 2.0);
        if (blockNumber % 97 == 0) {
          // The bypass goes on at the second change and off at the third.
          static const int kMoving[] = {0, 1, 42, 42, 4, 5, 9, 17, 19, 25, 28, 29, 30, 31, 32, 33};
          const int change = blockNumber / 97;
          const int index = kMoving[change % 16];
          host.effect->setParameter(
              index, index == 42 ? (change == 2 ? 1.0f : 0.0f) : (blockSizes() % 1000) / 999.0f);
          float now[43];
          for (int i = 0; i < 43; i++) now[i] = host.effect->getParameter(i);
          ref.setFromParameters(now);
        }
      }
      if (s.playRecordingLater && done < frames / 2 && done + block >= frames / 2) {
        host.effect->setParameter(zarnith::kParamScramblerDry, 1.0f);
        host.effect->setParameter(zarnith::kParamScramblerWet, 1.0f);
        float now[43];
        for (int i = 0; i < 43; i++) now[i] = host.effect->getParameter(i);
        ref.setFromParameters(now);
      }
      host.process(dutL, dutR, block, done);
      float* refIn[2] = {refInL.data() + done, refInR.data() + done};
      float* refOut[2] = {refOutL.data() + done, refOutR.data() + done};
      ref.process(host.time, refIn, refOut, block);
      if (!s.eventful || blockNumber < 200 || blockNumber >= 240) host.advance(block);
      done += block;
    }
    for (int i = 0; i < frames; i++) {
      if (std::memcmp(&dutL[i], &refOutL[i], 4) != 0 || std::memcmp(&dutR[i], &refOutR[i], 4) != 0) {
        if (outcome.mismatches++ == 0) outcome.firstMismatch = i;
      }
    }
    for (int i = 0; i < frames; i++) {
      outcome.outputEnergy += static_cast<double>(dutL[i]) * dutL[i] / frames;
      outcome.changeEnergy += (static_cast<double>(dutL[i]) - inL[i]) * (dutL[i] - inL[i]) / frames;
    }
    outcome.checksum = fnv(fnv(outcome.checksum, dutL.data(), frames), dutR.data(), frames);
  });
  return outcome;
}

}  // namespace

TEST(SoundRegression, FactoryProgramsMatchTheReferenceAndTheStoredChecksums) {
  // Programs chosen to cover the envelope (0, 15), the free LFO (12, 25), the
  // bar-locked LFO (3, 17, 19), reversed slices and random filter types (15, 17, 19, 27).
  const struct {
    Scenario scenario;
    uint64_t checksum;
  } cases[] = {
      {{0, 44100.0, 120.0, 4, 4, false}, 0xa24e49013d700940ull},
      {{3, 44100.0, 120.0, 4, 4, false}, 0xa58224cf16809302ull},
      {{12, 44100.0, 120.0, 4, 4, false}, 0x6b91dbfdbee8dc91ull},
      {{15, 44100.0, 120.0, 4, 4, false}, 0x148a2e43be75f8cull},
      {{17, 44100.0, 120.0, 4, 4, false}, 0xd9b3e40a8c8d42b5ull},
      {{19, 48000.0, 133.0, 4, 4, true}, 0x230cda3fea7de12bull},
      {{25, 44100.0, 90.0, 3, 4, true}, 0xd8610e42bc7a5d8cull},
      {{27, 96000.0, 174.0, 7, 3, true}, 0x6f5d020a91aa144full},
  };
  for (const auto& c : cases) {
    const Outcome outcome = render(c.scenario);
    EXPECT_EQ(outcome.mismatches, 0) << "program " << c.scenario.program << " first at frame "
                                     << outcome.firstMismatch;
    // The program really shapes the sound: neither silence nor the input as it was.
    EXPECT_GT(outcome.outputEnergy, 1e-4) << "program " << c.scenario.program;
    EXPECT_GT(outcome.changeEnergy, 1e-4) << "program " << c.scenario.program;
    checkChecksum(c.scenario, c.checksum, outcome.checksum);
  }
}

TEST(SoundRegression, LoopsStopsAndAutomationMatchTheReference) {
  const struct {
    Scenario scenario;
    uint64_t checksum;
  } cases[] = {
      {{19, 44100.0, 120.0, 4, 8, true, true}, 0x5facd7e64b58e624ull},
      {{0, 48000.0, 100.0, 3, 8, false, true}, 0xfde27c83e7803a90ull},
      {{30, 44100.0, 160.0, 4, 8, true, true}, 0x6823674bb6f7b1c8ull},
  };
  for (const auto& c : cases) {
    const Outcome outcome = render(c.scenario);
    EXPECT_EQ(outcome.mismatches, 0) << "program " << c.scenario.program << " first at frame "
                                     << outcome.firstMismatch;
    EXPECT_GT(outcome.outputEnergy, 1e-4) << "program " << c.scenario.program;
    checkChecksum(c.scenario, c.checksum, outcome.checksum);
  }
}

// The factory programs route with each of the scrambler switches fully off or
// fully on, one at a time; the other mixes (both on, or partly on, which
// records a share of one signal or none) come from these settings.
TEST(SoundRegression, EveryScramblerRoutingMatchesTheReference) {
  const struct {
    float dry;
    float wet;
  } routings[] = {{0.5f, 0.5f}, {1.0f, 0.5f}, {0.5f, 1.0f}, {1.0f, 1.0f}};
  for (const auto& r : routings) {
    for (int program : {0, 19}) {
      Scenario s{program, 44100.0, 120.0, 4, 4, program == 19, program == 19};
      s.scramblerDry = r.dry;
      s.scramblerWet = r.wet;
      s.playRecordingLater = true;
      const Outcome outcome = render(s);
      EXPECT_EQ(outcome.mismatches, 0) << "program " << program << " dry " << r.dry << " wet " << r.wet
                                       << " first at frame " << outcome.firstMismatch;
      EXPECT_GT(outcome.outputEnergy, 1e-4) << "program " << program << " dry " << r.dry << " wet " << r.wet;
    }
  }
}

// Hosts may give both outputs one buffer, make the left output the right
// input, or (layout 2) let a buffer run a few samples into another. Each step
// then reads what the step before wrote there (the right channel's filter
// reads the left one's output; a frame's right output is a later frame's left
// input); the reference runs through buffers laid out the same way.
TEST(SoundRegression, SharedAndCrossedBuffersMatchTheReference) {
  const int kShift = 3;  // layout 2: the right output starts this far into the left input
  for (int layout = 0; layout < 3; layout++) {
    for (int program : {0, 12, 17}) {  // 0: the envelope reads the input
      onFreshThread([&] {
        TestHost host;
        host.effect->setProgram(program);
        float parameters[43];
        for (int i = 0; i < 43; i++) parameters[i] = host.effect->getParameter(i);
        ReferenceChain ref;
        ref.setFromParameters(parameters);
        const int beatFrames = static_cast<int>(host.time.sampleRate * 60.0 / host.time.tempo);
        const int frames = beatFrames * 8;
        std::vector<float> inL, inR;
        makeTestSignal(inL, inR, frames, beatFrames);
        inL.resize(frames + kShift, 0.0f);
        std::vector<float> dut[3] = {inL, inR, std::vector<float>(frames, 0.0f)};
        std::vector<float> refs[3] = {inL, inR, std::vector<float>(frames, 0.0f)};
        auto arrange = [&](std::vector<float>* b, int done, float** in, float** out) {
          in[0] = b[0].data() + done;
          in[1] = b[1].data() + done;
          out[0] = (layout == 0 ? b[1] : b[2]).data() + done;
          out[1] = layout == 2 ? b[0].data() + done + kShift : b[2].data() + done;
        };
        for (int done = 0; done < frames; done += 512) {
          const int block = std::min(512, frames - done);
          float* in[2];
          float* out[2];
          arrange(dut, done, in, out);
          host.effect->processReplacing(in, out, block);
          arrange(refs, done, in, out);
          ref.process(host.time, in, out, block);
          host.advance(block);
        }
        double energy = 0.0;
        for (int k = 0; k < 3; k++) {
          ASSERT_EQ(std::memcmp(dut[k].data(), refs[k].data(), sizeof(float) * dut[k].size()), 0)
              << "buffer " << k << " layout " << layout << " program " << program;
        }
        for (float v : dut[2]) energy += static_cast<double>(v) * v / frames;
        EXPECT_GT(energy, 1e-4) << "layout " << layout << " program " << program;
      });
    }
  }
}
