// The per-block preparation and the per-frame chain of the effect: edge cases
// of the host's time, the bypass, the scrambler's routing and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chain_fixture.h"
#include "engine/crt_random.h"

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

std::vector<float> constant(int frames, float value) {
  return std::vector<float>(frames, value);
}

bool allFinite(const std::vector<float>& v) {
  for (float x : v)
    if (!std::isfinite(x)) return false;
  return true;
}

}  // namespace

TEST(ProcessingBlock, OneTimeRequestPerBlockBeforeAnySample) {
  TestHost host;
  std::vector<float> inL = constant(64, 0.5f), inR = constant(64, 0.5f);
  std::vector<float> outL = constant(64, 7.0f), outR = constant(64, 7.0f);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  host.watchedOutput = outL.data();
  host.effect->processReplacing(in, out, 64);
  EXPECT_EQ(host.timeRequests, 1);
  EXPECT_EQ(host.outputAtTimeRequest, 7.0f);  // nothing written before the request
  EXPECT_NE(outL[0], 7.0f);
  host.effect->processReplacing(in, out, 1);
  EXPECT_EQ(host.timeRequests, 2);
}

TEST(ProcessingBlock, ZeroFramesStillPreparesTheBlock) {
  TestHost host;
  host.time.ppqPos = 1.0;  // a beat into the bar: 22050 samples
  std::vector<float> outL = constant(4, 7.0f), outR = constant(4, 7.0f), inL = constant(4, 0.5f);
  float* in[2] = {inL.data(), inL.data()};
  float* out[2] = {outL.data(), outR.data()};
  host.effect->processReplacing(in, out, 0);
  EXPECT_EQ(host.timeRequests, 1);
  EXPECT_EQ(host.chain().scrambler.barPos, 22050);
  EXPECT_EQ(outL, constant(4, 7.0f));
  host.effect->processReplacing(in, out, -5);
  EXPECT_EQ(outL, constant(4, 7.0f));
  EXPECT_EQ(host.chain().lfoSampleCounter, 0u);
}

TEST(ProcessingBlock, BlockValuesFromTheTimeRecord) {
  TestHost host;
  host.time.ppqPos = 9.5;  // bar 3 of 4/4, 1.5 quarter notes in
  host.time.sampleRate = 48000.7;
  std::vector<float> l = constant(1, 0.0f), r = constant(1, 0.0f);
  host.process(l, r, 1);
  EXPECT_EQ(host.chain().barPhase, 1.5f);
  EXPECT_EQ(host.chain().hostSampleRate, 48000);
  EXPECT_EQ(host.chain().beatsPerSecond, 2.0);
  // Sens 0.055 of program 0 gives 54 ms for both factors.
  EXPECT_EQ(host.chain().attackCoef, static_cast<float>(std::exp(std::log(0.01) / (54 * 48000.7 * 0.001))));
  // A negative position gives a negative phase: -5 = -1 x 4 - 1.
  host.time.ppqPos = -5.0;
  host.process(l, r, 1);
  EXPECT_EQ(host.chain().barPhase, -1.0f);
}

TEST(ProcessingBlock, ScramblerOffsetFromMinusToPlusHalfABeat) {
  TestHost host;  // 120 BPM, 44.1 kHz: a beat is 22050 samples
  std::vector<float> l = constant(1, 0.0f), r = constant(1, 0.0f);
  const struct {
    float value;
    int samples;
  } cases[] = {{0.0f, -11025}, {0.5f, 0}, {1.0f, 11025}, {0.25f, -5512}, {0.51f, 0}};
  for (const auto& c : cases) {
    host.effect->setParameter(zarnith::kParamScramblerOffset, c.value);
    host.process(l, r, 1);
    EXPECT_EQ(host.chain().offsetSamples, c.samples) << c.value;
  }
}

TEST(ProcessingFrame, BypassTouchesNothing) {
  TestHost host;
  std::vector<float> l, r;
  makeTestSignal(l, r, 5000, 22050);
  host.process(l, r, 3000);
  host.advance(3000);
  host.time.flags = 0;
  host.time.ppqPos = 0.0;  // transport stopped from here on: no re-synchronisation
  host.process(l, r, 10, 3000);

  MyVst& fx = *host.effect;
  const zarnith::ProcessingChain& state = host.chain();
  const uint32_t counter = state.lfoSampleCounter;
  const zarnith::BeatScrambler scrambler = state.scrambler;
  const zarnith::LadderChannel left = state.ladder[0];
  const float cutoff = fx.getParameter(zarnith::kParamCutoffReadout);
  const float envelope = state.envelopeState;
  fx.setParameter(zarnith::kParamBypass, 1.0f);
  std::vector<float> inL(l.begin() + 3010, l.end()), inR(r.begin() + 3010, r.end());
  std::vector<float> outL = constant(1990, 3.0f), outR = constant(1990, -3.0f);
  const std::vector<float> heldInL = inL;
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  fx.processReplacing(in, out, 1990);
  EXPECT_EQ(outL, constant(1990, 3.0f));
  EXPECT_EQ(outR, constant(1990, -3.0f));
  EXPECT_EQ(inL, heldInL);  // not even the crushed input is written back
  EXPECT_EQ(state.lfoSampleCounter, counter);
  EXPECT_EQ(state.scrambler.recordPos, scrambler.recordPos);
  EXPECT_EQ(state.scrambler.barPos, scrambler.barPos);
  EXPECT_EQ(state.scrambler.playGain, scrambler.playGain);
  EXPECT_EQ(state.ladder[0].ladder4, left.ladder4);
  EXPECT_EQ(state.ladder[0].ladderIn, left.ladderIn);
  EXPECT_EQ(fx.getParameter(zarnith::kParamCutoffReadout), cutoff);
  EXPECT_EQ(state.envelopeState, envelope);
  // Released, processing continues from the same state.
  fx.setParameter(zarnith::kParamBypass, 0.0f);
  fx.processReplacing(in, out, 10);
  EXPECT_EQ(state.lfoSampleCounter, counter + 10);
  EXPECT_EQ(state.scrambler.barPos, scrambler.barPos + 10);
  // Only exactly 1.0 holds.
  fx.setParameter(zarnith::kParamBypass, 0.999f);
  fx.processReplacing(in, out, 10);
  EXPECT_EQ(state.lfoSampleCounter, counter + 20);
}

TEST(ProcessingFrame, StoppedTransportKeepsCountingAndWrapsAtTheBar) {
  TestHost host;
  host.time.ppqPos = 3.0;  // 66150 samples into an 88200-sample bar, standing still
  std::vector<float> l = constant(512, 0.1f), r = constant(512, 0.1f);
  host.process(l, r, 0);
  EXPECT_EQ(host.chain().scrambler.barPos, 66150);
  int frames = 0;
  while (frames < 22050 - 512) {
    host.process(l, r, 512);
    frames += 512;
  }
  EXPECT_EQ(host.chain().scrambler.barPos, 66150 + frames);
  host.process(l, r, 512);  // crosses the bar end at 88200
  EXPECT_EQ(host.chain().scrambler.barPos, 66150 + frames + 512 - 88200);
  EXPECT_EQ(host.chain().scrambler.recordPos, host.chain().scrambler.barPos);
}

TEST(ProcessingFrame, PositionJumpingBackwardsResynchronisesTheBar) {
  TestHost host;
  std::vector<float> l = constant(1000, 0.1f), r = constant(1000, 0.1f);
  host.time.ppqPos = 2.0;  // 44100
  host.process(l, r, 1000);
  EXPECT_EQ(host.chain().scrambler.barPos, 45100);
  const int recordPos = host.chain().scrambler.recordPos;
  host.time.ppqPos = 1.0;  // a loop back to 22050
  host.process(l, r, 0);
  EXPECT_EQ(host.chain().scrambler.barPos, 22050);
  EXPECT_EQ(host.chain().scrambler.recordPos, recordPos);  // only barPos 0 resets it
  host.time.ppqPos = 4.0;                                  // the next bar's start
  host.process(l, r, 0);
  EXPECT_EQ(host.chain().scrambler.barPos, 0);
  EXPECT_EQ(host.chain().scrambler.recordPos, 0);
}

TEST(ProcessingFrame, NoModulationTargetsFreqAlone) {
  TestHost host;
  host.effect->setParameter(zarnith::kParamModType, 0.0f);   // Mod Type: none
  host.effect->setParameter(zarnith::kParamLfoDepth, 1.0f);  // LFO Depth has no effect
  host.effect->setParameter(zarnith::kParamSens, 0.0f);      // Sens 0: no smoothing
  host.effect->setParameter(zarnith::kParamFreq, 0.37f);
  std::vector<float> l = constant(16, 0.2f), r = constant(16, 0.2f);
  host.process(l, r, 16);
  EXPECT_EQ(host.effect->getParameter(zarnith::kParamCutoffReadout), 0.37f);
  EXPECT_EQ(host.chain().modValue, 0.5f);
}

TEST(ProcessingFrame, UnityRoutingReturnsTheInput) {
  TestHost host;
  host.effect->setParameter(zarnith::kParamVolume, 0.5f);  // Volume: unity
  host.effect->setParameter(zarnith::kParamScramblerDry, 0.0f);
  host.effect->setParameter(zarnith::kParamScramblerWet, 0.0f);
  host.effect->setParameter(zarnith::kParamDryWetMix, 1.0f);  // all dry
  std::vector<float> l, r;
  makeTestSignal(l, r, 4096, 22050);
  std::vector<float> inL = l, inR = r, outL(4096), outR(4096);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  host.effect->processReplacing(in, out, 4096);
  EXPECT_EQ(outL, l);
  EXPECT_EQ(outR, r);
  // The filter read the crushed input from the host's input buffers.
  EXPECT_NE(inL, l);
}

TEST(ProcessingFrame, SilenceInstrOneMutesEverySliceButNotTheDryShare) {
  onFreshThread([] {
    TestHost host;
    host.effect->setParameter(zarnith::kParamSilenceInstr, 1.0f);  // Silence Instr
    host.effect->setParameter(zarnith::kParamBeat, 0.5f);          // BEAT: 8 slices
    host.effect->setParameter(zarnith::kParamScramblerDry, 0.0f);
    host.effect->setParameter(zarnith::kParamScramblerWet, 0.0f);
    host.effect->setParameter(zarnith::kParamDryWetMix, 0.0f);  // all filtered
    std::vector<float> l = constant(30000, 0.3f), r = constant(30000, -0.3f);
    host.process(l, r, 30000);
    EXPECT_EQ(l, constant(30000, 0.0f));
    EXPECT_EQ(r, constant(30000, 0.0f));
    host.effect->setParameter(zarnith::kParamDryWetMix, 0.25f);
    host.effect->setParameter(zarnith::kParamVolume, 0.5f);
    std::vector<float> l2 = constant(100, 0.5f), r2 = constant(100, 0.5f);
    host.process(l2, r2, 100);
    EXPECT_EQ(l2, constant(100, 0.125f));  // w X only
  });
}

TEST(ProcessingFrame, RandomFilterTypesFollowTheRandomSequence) {
  // The thread's sequence from state 1 starts 41, 18467, 6334, 26500, 19169
  // (state x 214013 + 2531011, bits 16..30); mod 3: 2, 2, 1, 1, 2.
  onFreshThread([] {
    TestHost host;
    host.effect->setParameter(zarnith::kParamRandBeatFType, 0.2f);  // Rand Beat F Type: 2 periods a bar
    host.effect->setParameter(zarnith::kParamBeat, 0.0f);           // BEAT: 1 slice, so no slice draws
    std::vector<float> l = constant(44100, 0.1f), r = constant(44100, 0.1f);
    host.process(l, r, 64);  // draw 1 at the bar start: high-pass
    EXPECT_EQ(host.effect->getParameter(zarnith::kParamFilterType), static_cast<float>(2 / 3.0));
    host.process(l, r, 44100 - 64 + 1);  // draw 2 at the half bar, inside the block
    EXPECT_EQ(host.effect->getParameter(zarnith::kParamFilterType), static_cast<float>(2 / 3.0));
    // This block ends exactly at the bar end: draw 3 after its last frame, and
    // draw 4 for the same position at the start of the next block, which decides.
    host.process(l, r, 44099);
    host.process(l, r, 1);
    EXPECT_EQ(host.effect->getParameter(zarnith::kParamFilterType), static_cast<float>(1 / 3.0));
    EXPECT_EQ(crtRand(), 19169);  // exactly four draws so far
    // Off again: the last random type stays.
    host.effect->setParameter(zarnith::kParamRandBeatFType, 0.0f);
    host.process(l, r, 64);
    EXPECT_EQ(host.effect->getParameter(zarnith::kParamFilterType), static_cast<float>(1 / 3.0));
  });
}

TEST(ProcessingFrame, SliceStartsDrawIndexThenSilence) {
  onFreshThread([] {
    TestHost host;
    host.effect->setParameter(zarnith::kParamBeat, 0.4f);  // BEAT: 4 slices of 22050
    host.effect->setParameter(zarnith::kParamRandBeatFType, 0.0f);
    host.effect->setParameter(zarnith::kParamScramblerReverse, 0.0f);
    host.effect->setParameter(zarnith::kParamScramblerOffset, 0.5f);
    std::vector<float> l = constant(100, 0.1f), r = constant(100, 0.1f);
    host.process(l, r, 100);
    // Slice draw 41 mod 4 = 1, silence draw 18467 mod 64 = 35 > 0: not silenced.
    EXPECT_EQ(host.chain().scrambler.sliceIndex, 1u);
    EXPECT_FALSE(host.chain().scrambler.silenceSlice);
    EXPECT_EQ(host.chain().scrambler.playPos, 22050 + 100);
    EXPECT_EQ(crtRand(), 6334);
  });
}

TEST(ProcessingRecovery, NonFiniteAndHugeInputRecoversWithinAFewFrames) {
  for (float bad : {kNan, kInf, -kInf, 1e9f, -1e9f}) {
    TestHost host;
    host.effect->setParameter(zarnith::kParamModType, 1.0f);  // envelope follower on
    host.effect->setParameter(zarnith::kParamQ, 1.0f);        // full resonance
    std::vector<float> l = constant(256, bad), r = constant(256, bad);
    host.process(l, r, 256);
    std::vector<float> l2, r2;
    makeTestSignal(l2, r2, 4096, 22050);
    host.process(l2, r2, 4096);
    const std::vector<float> tail(l2.begin() + 64, l2.end());
    EXPECT_TRUE(allFinite(tail)) << bad;
    float peak = 0.0f;
    for (float x : tail) peak = std::max(peak, std::fabs(x));
    EXPECT_GT(peak, 0.01f) << bad;  // not silenced for good
    EXPECT_LT(peak, 10.0f) << bad;
    EXPECT_TRUE(std::isfinite(host.effect->getParameter(zarnith::kParamCutoffReadout)));
    EXPECT_TRUE(std::isfinite(host.chain().envelopeState));
  }
}

TEST(ProcessingRecovery, OneNonFiniteSampleIsNotReplayedByTheScrambler) {
  for (float bad : {kNan, kInf}) {
    // A fresh random sequence for each, so the slices played are the same every run.
    onFreshThread([bad] {
      TestHost host;
      host.effect->setProgram(2);  // "Scram": the dry input recorded, slices of it played back
      std::vector<float> l, r;
      const int block = 512, blocks = 2 * 88200 / block;  // two bars
      makeTestSignal(l, r, block * blocks, 22050);
      const int at = 10000;  // a position a later slice of this bar plays back
      l[at] = bad;
      for (int b = 0; b < blocks; b++) {
        host.process(l, r, block, b * block);
        host.advance(block);
        const std::vector<float> out(l.begin() + b * block, l.begin() + (b + 1) * block);
        if (b > at / block) {
          ASSERT_TRUE(allFinite(out)) << bad << " block " << b;
        }
      }
    });
  }
}

TEST(ProcessingTime, UnusableRecordsNeverFault) {
  VstTimeInfo bad[6];
  for (VstTimeInfo& t : bad) t = standardTime();
  bad[0].tempo = 0.0;
  bad[1].sampleRate = 0.0;
  bad[2].timeSigNumerator = 0;
  bad[3].ppqPos = std::numeric_limits<double>::quiet_NaN();
  bad[4].tempo = -120.0;
  bad[5].sampleRate = std::numeric_limits<double>::infinity();
  for (const VstTimeInfo& t : bad) {
    TestHost host;
    host.effect->setParameter(zarnith::kParamBeat, 1.0f);  // 64 slices
    host.effect->setParameter(zarnith::kParamRandBeatFType, 1.0f);
    host.time = t;
    std::vector<float> l, r;
    makeTestSignal(l, r, 8192, 22050);
    host.process(l, r, 8192);
    EXPECT_TRUE(allFinite(l));
    EXPECT_FALSE(host.chain().hostTimeKnown);
  }
  // No record at all.
  TestHost host;
  host.provideTime = false;
  std::vector<float> l, r;
  makeTestSignal(l, r, 8192, 22050);
  host.process(l, r, 8192);
  EXPECT_TRUE(allFinite(l));
}

TEST(ProcessingTime, WithoutTimeTheScramblerPassesTheFilteredSignal) {
  // Both switches on would play only the scrambled signal; without any time
  // record the filtered signal passes instead. Compare with all-wet routing of a
  // second instance that does get time but mixes only the filtered signal.
  TestHost noTime;
  noTime.provideTime = false;
  TestHost timed;
  for (TestHost* h : {&noTime, &timed}) {
    h->effect->setParameter(zarnith::kParamScramblerDry, h == &noTime ? 1.0f : 0.0f);
    h->effect->setParameter(zarnith::kParamScramblerWet, h == &noTime ? 1.0f : 0.0f);
    h->effect->setParameter(zarnith::kParamDryWetMix, 0.0f);
    h->effect->setParameter(zarnith::kParamBeat, 0.0f);  // 1 slice: no slice silencing
  }
  std::vector<float> a, b;
  makeTestSignal(a, b, 20000, 22050);
  std::vector<float> a2 = a, b2 = b;
  noTime.process(a, b, 20000);
  timed.process(a2, b2, 20000);
  EXPECT_EQ(a, a2);
  EXPECT_EQ(b, b2);
}

TEST(ProcessingTime, LastUsableTimeIsKeptAndALongBarStaysInTheBuffers) {
  TestHost host;
  std::vector<float> l = constant(512, 0.2f), r = constant(512, 0.2f);
  host.process(l, r, 512);
  host.time.tempo = 0.0;  // unusable: the last values stay
  host.process(l, r, 512);
  EXPECT_EQ(host.chain().beatsPerSecond, 2.0);
  EXPECT_TRUE(host.chain().hostTimeKnown);
  // 10 BPM in 4/4 at 44.1 kHz: a bar of 1058400 samples, far beyond 440000.
  host.time = standardTime();
  host.time.tempo = 10.0;
  host.effect->setParameter(zarnith::kParamBeat, 1.0f);
  host.effect->setParameter(zarnith::kParamScramblerOffset, 1.0f);
  host.effect->setParameter(zarnith::kParamScramblerReverse, 1.0f);
  std::vector<float> big = constant(100000, 0.2f), big2 = constant(100000, 0.2f);
  for (int i = 0; i < 12; i++) {
    host.process(big, big2, 100000);
    host.advance(100000);
    EXPECT_LT(host.chain().scrambler.recordPos, int{MyVst::bufferLength});
    EXPECT_LT(host.chain().scrambler.playPos, int{MyVst::bufferLength});
    EXPECT_GE(host.chain().scrambler.playPos, 0);
  }
  EXPECT_TRUE(allFinite(big));
}

TEST(ProcessingLifecycle, ResumeClearsTheBuffersAndAsksForMidi) {
  TestHost host;
  host.effect->setParameter(zarnith::kParamScramblerDry, 1.0f);
  std::vector<float> l = constant(2048, 0.5f), r = constant(2048, 0.5f);
  host.process(l, r, 2048);
  EXPECT_NE(host.chain().barBuffer[0][100], 0.0f);
  const int before = host.midiRequests;
  const uint32_t counter = host.chain().lfoSampleCounter;
  host.effect->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
  EXPECT_EQ(host.midiRequests, before + 1);
  for (int i = 0; i < int{MyVst::bufferLength}; i += 997) {
    ASSERT_EQ(host.chain().barBuffer[0][i], 0.0f);
    ASSERT_EQ(host.chain().barBuffer[1][i], 0.0f);
  }
  EXPECT_EQ(host.chain().lfoSampleCounter, counter);  // nothing else is reset
}
