// Values the effect derives when a parameter is set, which only the processing reads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "recording_editor.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

TEST(DerivedValues, EnvelopeTimesAreTruncatedMilliseconds) {
  MyVst effect(quietHost);
  // Program 0's Sens 0.055 sets both after the constructor's 0.02 and 0.002.
  EXPECT_EQ(effect.chainParameters().envTimeAMs.load(), 54);
  EXPECT_EQ(effect.chainParameters().envTimeBMs.load(), 54);
  effect.setParameter(zarnith::kParamEnvTimeA, 0.02f);  // 0.0199999996 x 1000
  effect.setParameter(zarnith::kParamEnvTimeB, 0.002f);
  EXPECT_EQ(effect.chainParameters().envTimeAMs.load(), 19);
  EXPECT_EQ(effect.chainParameters().envTimeBMs.load(), 2);
  effect.setParameter(zarnith::kParamSens, 0.3f);
  EXPECT_EQ(effect.chainParameters().envTimeAMs.load(), 300);
  EXPECT_EQ(effect.chainParameters().envTimeBMs.load(), 300);
  effect.setParameter(zarnith::kParamSens, 1.0f);
  EXPECT_EQ(effect.chainParameters().envTimeAMs.load(), 1000);
  effect.setParameter(zarnith::kParamEnvTimeB, 0.0f);
  EXPECT_EQ(effect.chainParameters().envTimeBMs.load(), 0);
}

TEST(DerivedValues, EnvelopeTimesStayDefinedForAnyHostValue) {
  MyVst effect(quietHost);
  for (float v : {-0.5f, -kInf, kNaN}) {
    effect.setParameter(zarnith::kParamSens, v);
    EXPECT_EQ(effect.chainParameters().envTimeAMs.load(), 0) << v;
    EXPECT_EQ(effect.chainParameters().envTimeBMs.load(), 0) << v;
  }
  for (float v : {1e30f, kInf}) {
    effect.setParameter(zarnith::kParamEnvTimeA, v);
    EXPECT_EQ(effect.chainParameters().envTimeAMs.load(), 1000000) << v;
  }
  effect.setParameter(zarnith::kParamEnvTimeB, 2.5f);  // beyond the range but meaningful: kept
  EXPECT_EQ(effect.chainParameters().envTimeBMs.load(), 2500);
}

TEST(DerivedValues, BeatDivisionsArePowersOfTwoUpToSixtyFour) {
  MyVst effect(quietHost);
  EXPECT_EQ(effect.chainParameters().beatDivisions.load(), 8u);  // BEAT 0.61 of program 0
  const struct {
    float v;
    uint32_t divisions;
  } cases[] = {{1.0f, 64},  {0.999f, 32}, {0.0f, 1},  {0.1666f, 1}, {0.16667f, 2}, {0.34f, 4}, {0.61f, 8},
               {0.67f, 16}, {0.84f, 32},  {-0.5f, 1}, {2.0f, 64},   {1e30f, 64},   {kNaN, 1},  {-kInf, 1}};
  for (const auto& c : cases) {
    effect.setParameter(zarnith::kParamBeat, c.v);
    EXPECT_EQ(effect.chainParameters().beatDivisions.load(), c.divisions) << c.v;
    effect.setParameter(zarnith::kParamRandBeatFType, c.v);
    EXPECT_EQ(effect.chainParameters().randBeatDivisions.load(), c.divisions) << c.v;
  }
}

TEST(DerivedValues, ResumeClearsBothScramblerBuffers) {
  MyVst effect(quietHost);
  for (int channel = 0; channel < 2; channel++) {
    for (VstInt32 i = 0; i < MyVst::bufferLength; i += 997)
      effect.processingChain().barBuffer[channel][i] = 0.5f;
    effect.processingChain().barBuffer[channel][MyVst::bufferLength - 1] = 0.5f;
  }
  effect.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
  for (int channel = 0; channel < 2; channel++) {
    for (VstInt32 i = 0; i < MyVst::bufferLength; i++) {
      ASSERT_EQ(effect.processingChain().barBuffer[channel][i], 0.0f) << channel << " " << i;
    }
  }
}

TEST(DerivedValues, AnEffectWithoutAHostCallbackStillWorks) {
  MyVst effect(nullptr);
  effect.setParameterAutomated(zarnith::kParamFreq, 0.3f);
  EXPECT_EQ(effect.getParameter(zarnith::kParamFreq), 0.3f);
  EXPECT_FALSE(effect.beginEdit(0));
  EXPECT_FALSE(effect.endEdit(0));
  effect.masterIdle();
  EXPECT_EQ(effect.getTimeInfo(0xffff), nullptr);
}

}  // namespace
