// The processing stages one by one, against values worked by hand from their
// formulas or computed by a plain second transcription kept in this file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/dsp/bit_crusher.h"
#include "engine/dsp/envelope_follower.h"
#include "engine/dsp/ladder_filter.h"
#include "engine/dsp/lfo.h"

using namespace zarnith;

namespace {

float crush(float x, float setting) {
  return crushSample(x, crushShift(setting));
}

}  // namespace

TEST(BitCrusher, ShiftFollowsTheSettingInFifteenths) {
  EXPECT_EQ(crushShift(0.0f), 15);
  EXPECT_EQ(crushShift(0.06f), 15);  // 0.9 fifteenths
  EXPECT_EQ(crushShift(0.07f), 14);  // 1.05 fifteenths
  EXPECT_EQ(crushShift(0.5f), 8);    // 7.5 fifteenths
  EXPECT_EQ(crushShift(0.99f), 1);
  EXPECT_EQ(crushShift(1.0f), 0);
  // Settings outside 0..1 stay within the 16-bit grid and the one-bit signal.
  EXPECT_EQ(crushShift(2.0f), 0);
  EXPECT_EQ(crushShift(-1.0f), 15);
  EXPECT_EQ(crushShift(std::numeric_limits<float>::quiet_NaN()), 15);
  EXPECT_EQ(crushShift(1e30f), 15);
}

TEST(BitCrusher, SixteenBitGridMovesTowardZero) {
  // v = trunc(x * 32767.5), then x = v * 2 / 65535.
  EXPECT_EQ(crush(0.25f, 1.0f), static_cast<float>(8191 * 2 / 65535.0));  // 0.2499733
  EXPECT_EQ(crush(1.0f, 1.0f), static_cast<float>(32767 * 2 / 65535.0));  // 0.9999847
  EXPECT_EQ(crush(-0.5f, 1.0f), static_cast<float>(-16383 * 2 / 65535.0));
  EXPECT_NEAR(crush(0.25f, 1.0f), 0.2499733, 1e-7);
  EXPECT_NEAR(crush(-0.5f, 1.0f), -0.4999771, 1e-7);
}

TEST(BitCrusher, CoarseStepsRoundNegativeValuesDown) {
  // s = 8: 0.5 -> 16383 -> 63 -> 16128; -0.5 -> -16383 -> -64 -> -16384.
  EXPECT_EQ(crush(0.5f, 0.5f), static_cast<float>(16128 * 2 / 65535.0));
  EXPECT_EQ(crush(-0.5f, 0.5f), static_cast<float>(-16384 * 2 / 65535.0));
  EXPECT_NEAR(crush(0.5f, 0.5f), 0.4921950, 1e-7);
  EXPECT_NEAR(crush(-0.5f, 0.5f), -0.5000076, 1e-7);
}

TEST(BitCrusher, OneBitKeepsOnlyNegativeHalfWaves) {
  const float minusOne = static_cast<float>(-32768 * 2 / 65535.0);  // -1.0000153
  EXPECT_EQ(crush(0.99f, 0.0f), 0.0f);
  EXPECT_EQ(crush(-0.5f, 0.0f), minusOne);
  EXPECT_EQ(crush(-0.00001f, 0.0f), 0.0f);  // trunc(-0.327) is 0
  EXPECT_EQ(crush(-0.0001f, 0.0f), minusOne);
  EXPECT_EQ(crush(1.5f, 0.0f), static_cast<float>(32768 * 2 / 65535.0));
}

// The stereo entry point crushes each channel exactly as crushSample does,
// across the whole range of shifts, at the saturation limits and for NaN.
TEST(BitCrusher, PairMatchesTheSingleSampleForEveryShiftAndEdge) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<float> inputs = {0.0f,
                               -0.0f,
                               1.0f,
                               -1.0f,
                               0.5f,
                               -0.5f,
                               1e-5f,
                               -1e-5f,
                               1.5f,
                               -1.5f,
                               60000.0f,
                               -60000.0f,
                               65535.0f,
                               -65536.0f,
                               65536.0f,
                               1e9f,
                               -1e9f,
                               inf,
                               -inf,
                               nan,
                               std::nextafter(65535.0f, 1e9f),
                               std::nextafter(-65536.0f, -1e9f)};
  uint32_t seed = 99;
  for (int i = 0; i < 2000; i++) {
    seed = seed * 1664525u + 1013904223u;
    inputs.push_back(((seed >> 8) / 16777216.0f) * 4.0f - 2.0f);
  }
  for (float setting : {-1.0f, 0.0f, 0.07f, 0.3f, 0.5f, 0.99f, 1.0f, 2.0f, nan}) {
    const int shift = crushShift(setting);
    for (size_t i = 0; i < inputs.size(); i++) {
      float left = inputs[i];
      float right = inputs[inputs.size() - 1 - i];
      crushBits(&left, &right, setting);
      const float wantLeft = crushSample(inputs[i], shift);
      const float wantRight = crushSample(inputs[inputs.size() - 1 - i], shift);
      ASSERT_EQ(std::memcmp(&left, &wantLeft, sizeof left), 0) << inputs[i] << " setting " << setting;
      ASSERT_EQ(std::memcmp(&right, &wantRight, sizeof right), 0)
          << inputs[inputs.size() - 1 - i] << " setting " << setting;
    }
  }
}

TEST(BitCrusher, ExtremeInputSaturatesAndNanGivesZero) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(crush(nan, 1.0f), 0.0f);
  EXPECT_EQ(crush(nan, 0.0f), 0.0f);
  const float top = static_cast<float>(2147483647.0 * 2 / 65535.0);
  const float bottom = static_cast<float>(-2147483648.0 * 2 / 65535.0);
  EXPECT_EQ(crush(inf, 1.0f), top);
  EXPECT_EQ(crush(1e9f, 1.0f), top);
  EXPECT_EQ(crush(-inf, 1.0f), bottom);
  EXPECT_EQ(crush(-1e9f, 0.0f), bottom);
  // Just inside the range the conversion is the plain truncation.
  EXPECT_EQ(crush(60000.0f, 1.0f), static_cast<float>(1966050000.0 * 2 / 65535.0));
}

TEST(SmoothingCoefficient, ClosesNinetyNinePercentInTheGivenTime) {
  EXPECT_EQ(smoothingCoefficient(0, 44100.0), 0.0f);
  const float c = smoothingCoefficient(54, 44100.0);
  // After 54 ms = 2381.4 samples a step has 1 % left.
  EXPECT_NEAR(std::pow(static_cast<double>(c), 2381.4), 0.01, 1e-4);
  const float slow = smoothingCoefficient(1000, 48000.0);
  EXPECT_NEAR(std::pow(static_cast<double>(slow), 48000.0), 0.01, 1e-3);
  EXPECT_LT(c, slow);
}

TEST(CutoffSmoothing, ZeroTimeJumpsAndAttackApproaches) {
  float state = 0.0f;
  EXPECT_EQ(smoothCutoff(state, 0.5f, 0.5f, 0.0f, 0.0f), 0.5f);
  EXPECT_EQ(state, 0.5f);
  // (0 - 0.5) x 0.75 + 0.5 = 0.125, all exact.
  state = 0.0f;
  EXPECT_EQ(smoothCutoff(state, 0.5f, 0.5f, 0.75f, 0.1f), 0.125f);
  // Falling uses the release factor: (0.5 - 0.25) x 0.5 + 0.25.
  state = 0.5f;
  EXPECT_EQ(smoothCutoff(state, 0.5f, 0.25f, 0.9f, 0.5f), 0.375f);
  // The target is modValue - 0.5 + freq, in double, then rounded to float.
  state = 0.0f;
  EXPECT_EQ(smoothCutoff(state, 0.7f, 0.2f, 0.0f, 0.0f), static_cast<float>((0.7f - 0.5) + 0.2f));
}

TEST(CutoffSmoothing, StaysWithinZeroAndOne) {
  float state = 0.99f;
  for (int i = 0; i < 100; i++) EXPECT_LE(smoothCutoff(state, 0.8f, 0.9f, 0.5f, 0.5f), 1.0f);
  EXPECT_EQ(state, 1.0f);
  state = 0.3f;
  smoothCutoff(state, 0.0f, 0.2f, 0.5f, 0.0f);  // target below 0 -> 0, jump
  EXPECT_EQ(state, 0.0f);
  state = 0.0000015f;  // decays to 0.00000075 and is clamped to 0
  smoothCutoff(state, 0.5f, 0.0f, 0.5f, 0.5f);
  EXPECT_EQ(state, 0.0f);
}

TEST(CutoffSmoothing, NonFiniteValuesNeverStick) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // A NaN modulation is a target of 0: (0.4 - 0) x 0.5 + 0.
  float state = 0.4f;
  EXPECT_EQ(smoothCutoff(state, nan, 0.5f, 0.5f, 0.5f), 0.2f);
  // A NaN state (an unusable smoothing factor) restarts from 0.
  state = 0.4f;
  EXPECT_EQ(smoothCutoff(state, 0.5f, 0.5f, nan, nan), 0.0f);
  EXPECT_EQ(smoothCutoff(state, 0.5f, 0.5f, 0.0f, 0.0f), 0.5f);
  // Infinite modulation is held to the bounds.
  EXPECT_EQ(smoothCutoff(state, inf, 0.5f, 0.0f, 0.0f), 1.0f);
  EXPECT_EQ(smoothCutoff(state, -inf, 0.5f, 0.0f, 0.0f), 0.0f);
}

TEST(CutoffSmoothing, BoundsAtTheirExactThresholds) {
  float state = 0.0f;
  // A target of exactly 1e-6f (below the double 1e-6) counts as 0; the next float up does not.
  EXPECT_EQ(smoothCutoff(state, 0.5f, 1e-6f, 0.0f, 0.0f), 0.0f);
  const float above = std::nextafter(1e-6f, 1.0f);
  EXPECT_EQ(smoothCutoff(state, 0.5f, above, 0.0f, 0.0f), above);
  EXPECT_EQ(smoothCutoff(state, 0.5f, 1.0f, 0.0f, 0.0f), 1.0f);
  EXPECT_EQ(smoothCutoff(state, 0.5f, std::nextafter(1.0f, 0.0f), 0.0f, 0.0f), std::nextafter(1.0f, 0.0f));
}

namespace {

// A second transcription of the ladder, written from its description with the
// states in arrays and every stored value rounded where it is stored.
struct ReferenceLadder {
  float state[2][5] = {};  // ladderIn, ladder1..ladder4
  float run(int ch, float input, float cutoff, float q, float type) {
    for (int c = 0; c < 2; c++)
      for (int i = 0; i < 5; i++)
        if (std::fabs((double)state[c][i]) < 1e-6) state[c][i] = 0.0f;
    double c = cutoff;
    if (c < 0.0001) c = (double)0.0001f;
    double k = 1.0 - c;
    float p = (float)(c + (double)0.8f * c * k);
    float f = (float)((double)p + (double)p - 1.0);
    float g = (float)((1.0 + 0.5 * k * (1.0 - k + (double)5.6f * k * k)) * (double)q);
    float* s = state[ch];
    float x = (float)((double)input - (double)g * (double)s[4]);
    float prev[5] = {x, s[1], s[2], s[3], s[4]};
    float feed[5] = {0, (float)0, 0, 0, 0};
    feed[1] = (float)(((double)x + (double)s[0]) * p - (double)s[1] * f);
    for (int st = 2; st <= 4; st++)
      feed[st] = (float)(((double)feed[st - 1] + (double)prev[st - 1]) * p - (double)prev[st] * f);
    double l4 = feed[4];
    feed[4] = (float)(l4 - l4 * l4 * l4 * (double)0.166667f);
    s[0] = x;
    for (int st = 1; st <= 4; st++) s[st] = feed[st];
    float out;
    if ((double)type <= 0.33) {
      out = s[4];
    } else if ((double)type <= 0.66) {
      out = (float)(((double)s[3] - (double)s[4]) * 3.0);
    } else {
      out = (float)((double)x - (double)s[4]);
    }
    for (int st = 0; st < 5; st++) {
      if (!std::isfinite(s[st])) {  // the recovery from overflow: clear the channel
        for (int j = 0; j < 5; j++) s[j] = 0.0f;
        return 0.0f;
      }
    }
    return out;
  }
};

struct Ladder {
  LadderChannel ch[2];
  void run(float inL, float inR, float cutoff, float q, float type, float* outL, float* outR) {
    guardDenormals(ch[0]);
    guardDenormals(ch[1]);
    LadderCoefficients co = ladderCoefficients(cutoff, q);
    *outL = runLadderChannel(ch[0], co, inL, ladderResponse(type));
    *outR = runLadderChannel(ch[1], co, inR, ladderResponse(type));
  }
};

uint32_t lcg(uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

}  // namespace

TEST(LadderFilter, CoefficientsAtTheEnds) {
  LadderCoefficients open = ladderCoefficients(1.0f, 0.7f);
  EXPECT_EQ(open.poleCoef, 1.0f);
  EXPECT_EQ(open.stageCoef, 1.0f);
  EXPECT_EQ(open.resonanceGain, 0.7f);
  LadderCoefficients shut = ladderCoefficients(0.0f, 1.0f);
  EXPECT_EQ(shut.poleCoef, ladderCoefficients(0.0001f, 1.0f).poleCoef);  // c is held at 0.0001
  EXPECT_NEAR(shut.resonanceGain, 3.799, 0.001);
  EXPECT_GT(shut.poleCoef, 0.0f);
}

TEST(LadderFilter, FirstTwoFramesByHand) {
  // c = 1, q = 0: p = f = 1, no feedback. Frame 1 with input 1: every stage is 1,
  // then the clipper gives 1 - 0.166667f.
  Ladder lp;
  float l, r;
  lp.run(1.0f, 0.0f, 1.0f, 0.0f, 0.0f, &l, &r);
  const float clipped = static_cast<float>(1.0 - static_cast<double>(0.166667f));
  EXPECT_EQ(l, clipped);
  EXPECT_EQ(r, 0.0f);
  // Frame 2 with input 0: stages 1..3 become (0 + 1) - 1 = 0, stage 4 becomes
  // (0 + 1) - clipped, then clipped again.
  lp.run(0.0f, 0.0f, 1.0f, 0.0f, 0.0f, &l, &r);
  const double l4 = static_cast<float>(1.0 - clipped);
  EXPECT_EQ(l, static_cast<float>(l4 - l4 * l4 * l4 * static_cast<double>(0.166667f)));

  Ladder bp, hp;
  bp.run(1.0f, 1.0f, 1.0f, 0.0f, 0.5f, &l, &r);
  EXPECT_EQ(l, static_cast<float>((1.0 - clipped) * 3.0));
  hp.run(1.0f, 1.0f, 1.0f, 0.0f, 0.9f, &l, &r);
  EXPECT_EQ(l, static_cast<float>(1.0 - clipped));
}

TEST(LadderFilter, ResponseThresholdsReadInDouble) {
  EXPECT_EQ(ladderResponse(0.0f), LadderResponse::kLowPass);
  EXPECT_EQ(ladderResponse(0.32f), LadderResponse::kLowPass);
  EXPECT_EQ(ladderResponse(0.33f), LadderResponse::kBandPass);  // the float lies above 0.33
  EXPECT_EQ(ladderResponse(static_cast<float>(1 / 3.0)), LadderResponse::kBandPass);
  EXPECT_EQ(ladderResponse(0.659f), LadderResponse::kBandPass);
  EXPECT_EQ(ladderResponse(0.66f), LadderResponse::kHighPass);  // likewise above 0.66
  EXPECT_EQ(ladderResponse(0.67f), LadderResponse::kHighPass);
  EXPECT_EQ(ladderResponse(static_cast<float>(2 / 3.0)), LadderResponse::kHighPass);
}

TEST(LadderFilter, MatchesASecondTranscriptionBitForBit) {
  uint32_t seed = 12345;
  for (float type : {0.0f, 0.5f, 1.0f}) {
    Ladder dut;
    ReferenceLadder ref;
    float cutoff = 0.0f, q = 0.0f;
    for (int i = 0; i < 20000; i++) {
      const float inL = (lcg(seed) / 16777216.0f) * 2.0f - 1.0f;
      const float inR = (lcg(seed) / 16777216.0f) * 1.2f - 0.6f;
      if (i % 500 == 0) {
        cutoff = (i / 500) % 3 ? (lcg(seed) % 1000) / 999.0f : 0.0f;
        q = (lcg(seed) % 101) / 100.0f;
      }
      float l, r;
      dut.run(inL, inR, cutoff, q, type, &l, &r);
      const float refL = ref.run(0, inL, cutoff, q, type);
      const float refR = ref.run(1, inR, cutoff, q, type);
      ASSERT_EQ(l, refL) << "frame " << i << " type " << type;
      ASSERT_EQ(r, refR) << "frame " << i << " type " << type;
    }
  }
}

TEST(LadderFilter, DenormalGuardZeroesTinyStates) {
  LadderChannel ch;
  ch.ladderIn = 5e-7f;
  ch.ladder1 = -5e-7f;
  ch.ladder2 = 2e-6f;
  ch.ladder3 = -0.5f;
  ch.ladder4 = 9.99e-7f;
  guardDenormals(ch);
  EXPECT_EQ(ch.ladderIn, 0.0f);
  EXPECT_EQ(ch.ladder1, 0.0f);
  EXPECT_EQ(ch.ladder2, 2e-6f);
  EXPECT_EQ(ch.ladder3, -0.5f);
  EXPECT_EQ(ch.ladder4, 0.0f);
  // At the threshold: the float nearest 1e-6 lies below the double 1e-6 and is
  // zeroed; the next float up is kept.
  LadderChannel edge;
  edge.ladder1 = 1e-6f;
  edge.ladder2 = std::nextafter(1e-6f, 1.0f);
  edge.ladder3 = -1e-6f;
  guardDenormals(edge);
  EXPECT_EQ(edge.ladder1, 0.0f);
  EXPECT_EQ(edge.ladder2, std::nextafter(1e-6f, 1.0f));
  EXPECT_EQ(edge.ladder3, 0.0f);
}

TEST(LadderFilter, SilenceAfterSignalReachesExactZero) {
  Ladder f;
  float l, r;
  for (int i = 0; i < 1000; i++) f.run(std::sin(i * 0.1f), -0.3f, 0.3f, 0.5f, 0.0f, &l, &r);
  for (int i = 0; i < 20000; i++) f.run(0.0f, 0.0f, 0.3f, 0.5f, 0.0f, &l, &r);
  for (const LadderChannel& ch : f.ch) {
    EXPECT_EQ(ch.ladderIn, 0.0f);
    EXPECT_EQ(ch.ladder1, 0.0f);
    EXPECT_EQ(ch.ladder4, 0.0f);
  }
  EXPECT_EQ(l, 0.0f);
}

TEST(LadderFilter, OverflowingStatesAreClearedAndTheFilterRecovers) {
  Ladder f;
  float l = 0, r = 0;
  bool sawReset = false;
  // Input far beyond full scale drives the cubic clipper into overflow.
  for (int i = 0; i < 50; i++) {
    f.run(65000.0f, -65000.0f, 1.0f, 1.0f, 0.0f, &l, &r);
    EXPECT_TRUE(std::isfinite(l) && std::isfinite(r)) << i;
    if (l == 0.0f) sawReset = true;
  }
  EXPECT_TRUE(sawReset);
  for (int i = 0; i < 10; i++) f.run(0.25f, 0.25f, 0.5f, 0.5f, 0.0f, &l, &r);
  for (const LadderChannel& ch : f.ch) EXPECT_TRUE(std::isfinite(ch.ladder4));
  EXPECT_GT(l, 0.0f);
  EXPECT_LT(l, 1.0f);
}

#if ZARNITH_STEREO_LADDER
// The two-lane filter against the second transcription, one channel per lane:
// ordinary signal, a tail into silence (the denormal guard in one lane, then
// both), and one channel overdriven into overflow while the other plays on.
TEST(LadderFilter, StereoLanesMatchTheSecondTranscriptionBitForBit) {
  uint32_t seed = 777;
  for (float type : {0.0f, 0.5f, 1.0f}) {
    LadderStereo dut = packLadder(LadderChannel(), LadderChannel());
    ReferenceLadder ref;
    float cutoff = 0.5f, q = 0.5f;
    int resets = 0;
    for (int i = 0; i < 12000; i++) {
      float inL = (lcg(seed) / 16777216.0f) * 2.0f - 1.0f;
      float inR = (lcg(seed) / 16777216.0f) * 2.0f - 1.0f;
      if (i >= 3000 && i < 6000) inR = 0.0f;  // the right channel decays alone
      if (i >= 4000 && i < 6000) inL = 0.0f;
      if (i >= 8000 && i < 8050) inL = 65000.0f;  // overflow in the left channel only
      if (i % 700 == 0) {
        cutoff = (lcg(seed) % 1000) / 999.0f;
        q = (lcg(seed) % 101) / 100.0f;
      }
      float l, r;
      runLadderStereo(dut, cutoff, q, type, inL, inR, &l, &r);
      const float refL = ref.run(0, inL, cutoff, q, type);
      const float refR = ref.run(1, inR, cutoff, q, type);
      ASSERT_EQ(std::memcmp(&l, &refL, sizeof l), 0) << "frame " << i << " type " << type;
      ASSERT_EQ(std::memcmp(&r, &refR, sizeof r), 0) << "frame " << i << " type " << type;
      if (inL == 65000.0f && l == 0.0f) resets++;
    }
    EXPECT_GT(resets, 0) << "type " << type;
    LadderChannel left, right;
    unpackLadder(dut, left, right);
    EXPECT_EQ(left.ladder4, ref.state[0][4]);
    EXPECT_EQ(right.ladder4, ref.state[1][4]);
  }
}
#endif

namespace {

LfoSettings lfo(float sync, float mult, float depth, float rate, float type, float offset) {
  return LfoSettings{sync, mult, depth, rate, type, offset};
}

}  // namespace

TEST(Lfo, FreeSineFromTheSampleCounter) {
  const LfoTime t{44100, 0.0f, 2.0, 4};
  // Rate 0: constant sin(N x offset) x depth / 2 + 0.5.
  EXPECT_EQ(
      computeLfo(lfo(0, 0, 0.8f, 0.0f, 0, 0.25f), 1234, t),
      static_cast<float>(std::sin(4 * static_cast<double>(0.25f)) * static_cast<double>(0.8f) / 2 + 0.5));
  // R = 1 x 0.5 Hz at sample 11025: argument 2 x 3.14 x 0.5 x 11025 / 44100 = 0.785.
  EXPECT_FLOAT_EQ(computeLfo(lfo(0, 0, 1.0f, 0.5f, 0, 0.0f), 11025, t), std::sin(0.785) / 2 + 0.5);
  // Sync 0.5 is not exactly 1.0, so the free LFO runs.
  EXPECT_FLOAT_EQ(computeLfo(lfo(0.5f, 0, 1.0f, 0.5f, 0, 0.0f), 11025, t), std::sin(0.785) / 2 + 0.5);
  // Multipliers 10 and 100: at 441 samples and rate 1, 2 x 3.14 x R / 100.
  EXPECT_NEAR(computeLfo(lfo(0, 0.5f, 1.0f, 1.0f, 0, 0.0f), 441, t), std::sin(2 * 3.14 * 10 / 100) / 2 + 0.5,
              1e-6);
  EXPECT_NEAR(computeLfo(lfo(0, 0.9f, 1.0f, 1.0f, 0, 0.0f), 441, t), std::sin(2 * 3.14 * 100 / 100) / 2 + 0.5,
              1e-6);
}

TEST(Lfo, FreeSawAndSquare) {
  const LfoTime t{44100, 0.0f, 2.0, 4};
  // Saw at counter 0 and offset 0: t = 0, value = depth.
  EXPECT_EQ(computeLfo(lfo(0, 0, 0.75f, 1.0f, 0.5f, 0.0f), 0, t), 0.75f);
  // R x n x N / S = 1 x 2205 x 4 / 44100 = 0.2: value 0.8 (t rounded to float first).
  EXPECT_EQ(computeLfo(lfo(0, 0, 1.0f, 1.0f, 0.5f, 0.0f), 2205, t),
            static_cast<float>(1.0 - static_cast<double>(0.2f)));
  // LFO Type 0.2 as a float is above 0.2: saw, not sine.
  EXPECT_EQ(computeLfo(lfo(0, 0, 1.0f, 1.0f, 0.2f, 0.0f), 0, t), 1.0f);
  // Square: t = 1 x n x 4 / 44100; even half-periods give the depth.
  EXPECT_EQ(computeLfo(lfo(0, 0, 0.6f, 1.0f, 0.9f, 0.0f), 11024, t), 0.6f);  // t = 0.9999
  EXPECT_EQ(computeLfo(lfo(0, 0, 0.6f, 1.0f, 0.9f, 0.0f), 11025, t), 0.0f);  // t = 1
  EXPECT_EQ(computeLfo(lfo(0, 0, 0.6f, 1.0f, 0.9f, 0.0f), 22050, t), 0.6f);  // t = 2
  // Offset: N x offset half-periods.
  EXPECT_EQ(computeLfo(lfo(0, 0, 0.6f, 1.0f, 0.9f, 0.25f), 0, t), 0.0f);  // t = 1
}

TEST(Lfo, SynchronisedShapesFollowTheBarPhase) {
  // Saw at P = 0 and offset 0: depth.
  EXPECT_EQ(computeLfo(lfo(1, 0, 0.5f, 0.5f, 0.5f, 0.0f), 99, LfoTime{44100, 0.0f, 2.0, 4}), 0.5f);
  // Square with s = 4 (rate 0.25) in 4/4: depth on [0, 0.5), 0 on [0.5, 1), depth on [1, 1.5).
  const LfoSettings sq = lfo(1, 0, 0.9f, 0.25f, 1.0f, 0.0f);
  EXPECT_EQ(computeLfo(sq, 0, LfoTime{44100, 0.0f, 2.0, 4}), 0.9f);
  EXPECT_EQ(computeLfo(sq, 0, LfoTime{44100, 0.49f, 2.0, 4}), 0.9f);
  EXPECT_EQ(computeLfo(sq, 0, LfoTime{44100, 0.5f, 2.0, 4}), 0.0f);
  EXPECT_EQ(computeLfo(sq, 0, LfoTime{44100, 0.99f, 2.0, 4}), 0.0f);
  EXPECT_EQ(computeLfo(sq, 0, LfoTime{44100, 1.0f, 2.0, 4}), 0.9f);
  // The counter does not matter when synchronised.
  EXPECT_EQ(computeLfo(sq, 123456, LfoTime{44100, 0.5f, 2.0, 4}), 0.0f);
  // Sine: sin(offset x 3.14 x B + P x s x 0.5 x 3.14) x depth / 2 + 0.5 with s = 8.
  const double expect = std::sin(static_cast<double>(0.5f) * 3.14 * 2.5 + 1.5 * 8 * 0.5 * 3.14) / 2 + 0.5;
  EXPECT_EQ(computeLfo(lfo(1, 0, 1.0f, 0.5f, 0.0f, 0.5f), 0, LfoTime{48000, 1.5f, 2.5, 3}),
            static_cast<float>(expect));
  // Saw: t = (s x P + offset x B x 2) / N = (8 x 1.5 + 0.25 x 2 x 2) / 4 = 3.25: value 0.75.
  EXPECT_EQ(computeLfo(lfo(1, 0, 1.0f, 0.5f, 0.5f, 0.25f), 0, LfoTime{48000, 1.5f, 2.0, 4}), 0.75f);
  // Rate below 1/16: s = 0, constant.
  EXPECT_EQ(computeLfo(lfo(1, 0, 1.0f, 0.06f, 0.0f, 0.0f), 0, LfoTime{48000, 2.7f, 2.0, 4}), 0.5f);
}

TEST(Lfo, ZeroDepthGivesNeutralSineButZeroSawAndSquare) {
  const LfoTime t{44100, 0.3f, 2.0, 4};
  EXPECT_EQ(computeLfo(lfo(0, 0, 0.0f, 0.7f, 0.0f, 0.3f), 777, t), 0.5f);
  EXPECT_EQ(computeLfo(lfo(0, 0, 0.0f, 0.7f, 0.5f, 0.3f), 777, t), 0.0f);
  EXPECT_EQ(computeLfo(lfo(1, 0, 0.0f, 0.7f, 0.9f, 0.3f), 777, t), 0.0f);
}

TEST(EnvelopeFollower, ZeroTimesJumpAndLevelsClamp) {
  float state = 0.0f;
  EXPECT_EQ(followEnvelope(state, -0.5f, 0.0f, 0.0f, 1.0f, 0.0f), 0.5f);
  EXPECT_EQ(state, 0.5f);
  EXPECT_EQ(followEnvelope(state, 0.25f, 0.0f, 0.0f, 1.0f, 0.0f), 0.25f);
  EXPECT_EQ(followEnvelope(state, 1.5f, 0.0f, 0.0f, 1.0f, 0.0f), 1.0f);
  EXPECT_EQ(state, 1.0f);
  // Rise with factor 0.5: (0 - 0.5) x 0.5 + 0.5 = 0.25; fall from 0.25 to 0 with 0.5 gives 0.125.
  state = 0.0f;
  EXPECT_EQ(followEnvelope(state, 0.5f, 0.5f, 0.9f, 1.0f, 0.0f), 0.25f);
  EXPECT_EQ(followEnvelope(state, 0.0f, 0.9f, 0.5f, 1.0f, 0.0f), 0.125f);
  state = 0.0000015f;
  followEnvelope(state, 0.0f, 0.5f, 0.5f, 1.0f, 0.0f);
  EXPECT_EQ(state, 0.0f);
}

TEST(EnvelopeFollower, DepthAndReverse) {
  float state = 0.0f;
  // Depth 0.5 of level 0.5 = 0.25.
  EXPECT_EQ(followEnvelope(state, 0.5f, 0.0f, 0.0f, 0.5f, 0.0f), 0.25f);
  // Reverse 0.3 counts as reversed: 1 x (0.5 - 0.25) = 0.25.
  EXPECT_EQ(followEnvelope(state, 0.25f, 0.0f, 0.0f, 1.0f, 0.3f), 0.25f);
  // Reversed, levels of 0.5 or more give 0 (clamped).
  EXPECT_EQ(followEnvelope(state, 0.75f, 0.0f, 0.0f, 1.0f, 1.0f), 0.0f);
  // Depth 0: 0 both ways.
  EXPECT_EQ(followEnvelope(state, 0.75f, 0.0f, 0.0f, 0.0f, 0.0f), 0.0f);
  EXPECT_EQ(followEnvelope(state, 0.1f, 0.0f, 0.0f, 0.0f, 1.0f), 0.0f);
}

TEST(EnvelopeFollower, NonFiniteInputDoesNotStick) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {nan, inf, -inf}) {
    float state = 0.3f;
    EXPECT_TRUE(std::isfinite(followEnvelope(state, bad, 0.5f, 0.5f, 1.0f, 0.0f)));
    EXPECT_TRUE(std::isfinite(state));
    EXPECT_EQ(followEnvelope(state, 0.5f, 0.0f, 0.0f, 1.0f, 0.0f), 0.5f);
  }
}
