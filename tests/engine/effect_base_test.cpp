// The effect base classes on their own: the record they start from, and the static entries.
#include <gtest/gtest.h>

#include <string>

#include "host/audioeffectx.h"

namespace {

int wantMidiRequests = 0;

VstIntPtr versionHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr value, void*, float) {
  if (opcode == audioMasterWantMidi && value == 1) wantMidiRequests++;
  return opcode == audioMasterVersion ? 2400 : 0;
}

class BareEffect : public AudioEffectX {
 public:
  explicit BareEffect(bool* destroyed = nullptr) : AudioEffectX(versionHost, 3, 5), destroyed(destroyed) {}
  ~BareEffect() override {
    if (destroyed) *destroyed = true;
  }
  void processReplacing(float**, float**, VstInt32) override {}
  bool* destroyed;
};

TEST(EffectBase, StartsFromAZeroedRecordWithTheBaseValues) {
  BareEffect effect;
  const AEffect& e = *effect.getAeffect();
  EXPECT_EQ(e.magic, kEffectMagic);
  EXPECT_EQ(e.numPrograms, 3);
  EXPECT_EQ(e.numParams, 5);
  EXPECT_EQ(e.numInputs, 1);
  EXPECT_EQ(e.numOutputs, 2);
  EXPECT_EQ(e.flags, effFlagsCanReplacing);
  EXPECT_EQ(e.uniqueID, 0x4E6F4566);  // 'NoEf'
  EXPECT_EQ(e.version, 1);
  EXPECT_EQ(e.ioRatio, 1.0f);
  EXPECT_EQ(e.object, &effect);
  EXPECT_EQ(e.user, nullptr);
  EXPECT_EQ(effect.getSampleRate(), 44100.0f);
  EXPECT_EQ(effect.getBlockSize(), 1024);
  EXPECT_EQ(effect.getProgram(), 0);
  EXPECT_EQ(effect.getMasterVersion(), 2400);
}

TEST(EffectBase, FlagSettersAndRecordSetters) {
  BareEffect effect;
  AEffect& e = *effect.getAeffect();
  effect.programsAreChunks(true);
  effect.canDoubleReplacing(true);
  EXPECT_EQ(e.flags, 0x10 | 0x20 | 0x1000);
  effect.canProcessReplacing(false);
  effect.canDoubleReplacing(false);
  EXPECT_EQ(e.flags, 0x20);
  effect.setInitialDelay(64);
  effect.setNumInputs(4);
  effect.setNumOutputs(6);
  effect.setUniqueID(0x12345678);
  EXPECT_EQ(e.initialDelay, 64);
  EXPECT_EQ(e.numInputs, 4);
  EXPECT_EQ(e.numOutputs, 6);
  EXPECT_EQ(e.uniqueID, 0x12345678);
  e.dispatcher(&e, effSetSampleRate, 0, 0, nullptr, 96000.0f);
  e.dispatcher(&e, effSetBlockSize, 0, 256, nullptr, 0.0f);
  EXPECT_EQ(effect.getSampleRate(), 96000.0f);
  EXPECT_EQ(effect.getBlockSize(), 256);
  // The base's program range follows its own program count.
  e.dispatcher(&e, effSetProgram, 0, 2, nullptr, 0.0f);
  EXPECT_EQ(e.dispatcher(&e, effGetProgram, 0, 0, nullptr, 0.0f), 2);
  e.dispatcher(&e, effSetProgram, 0, 3, nullptr, 0.0f);
  EXPECT_EQ(e.dispatcher(&e, effGetProgram, 0, 0, nullptr, 0.0f), 2);
  // Without answers of its own the base says: automatable, unknown kind, interface 2400.
  EXPECT_EQ(e.dispatcher(&e, effCanBeAutomated, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(e.dispatcher(&e, effGetPlugCategory, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(e.dispatcher(&e, effGetVstVersion, 0, 0, nullptr, 0.0f), 2400);
}

TEST(EffectBase, CloseThroughTheRecordDestroysTheEffect) {
  bool destroyed = false;
  BareEffect* effect = new BareEffect(&destroyed);
  AEffect* e = effect->getAeffect();
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_TRUE(destroyed);
}

TEST(EffectBase, ResumeAsksForMidiOnlyWhenTheEffectCanReceiveItAndIsNoSynth) {
  struct MidiEffect : BareEffect {
    VstInt32 canDo(char* text) override { return std::string(text) == "receiveVstMidiEvent" ? answer : -1; }
    VstInt32 answer = -1;
    void setFlags(VstInt32 flags) { cEffect.flags = flags; }
  } effect;
  wantMidiRequests = 0;
  effect.resume();
  EXPECT_EQ(wantMidiRequests, 0);
  effect.answer = 1;
  effect.resume();
  EXPECT_EQ(wantMidiRequests, 1);
  effect.setFlags(effFlagsIsSynth);
  effect.resume();
  EXPECT_EQ(wantMidiRequests, 1);
}

}  // namespace
