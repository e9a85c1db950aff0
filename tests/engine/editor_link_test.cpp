// What the effect sends its editor and the host, and in which order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_editor.h"

namespace {

std::vector<std::string>* hostLog = nullptr;

VstIntPtr loggingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
  if (hostLog)
    hostLog->push_back("host " + std::to_string(opcode) + " " + std::to_string(index) + " " +
                       std::to_string(opt));
  return opcode == audioMasterVersion ? 2400 : 1;
}

class EditorLink : public ::testing::Test {
 protected:
  void SetUp() override { hostLog = &log; }
  void TearDown() override { hostLog = nullptr; }
  std::vector<std::string> log;
};

typedef std::vector<std::pair<VstInt32, float>> Calls;

TEST_F(EditorLink, AttachingAnEditorSetsTheFlagAndTheEffectDeletesIt) {
  bool destroyed = false;
  {
    MyVst effect(loggingHost);
    EXPECT_EQ(effect.getAeffect()->flags, 0x30);
    RecordingEditor* editor = new RecordingEditor(&effect, nullptr, &destroyed);
    EXPECT_EQ(effect.getEditor(), editor);
    EXPECT_EQ(effect.getAeffect()->flags, 0x31);
  }
  EXPECT_TRUE(destroyed);
  MyVst effect(loggingHost);
  RecordingEditor editor(&effect);
  effect.setEditor(nullptr);
  EXPECT_EQ(effect.getAeffect()->flags, 0x30);
}

TEST_F(EditorLink, TheInstalledFactoryMakesTheEditorBeforeProgramZeroLoads) {
  static RecordingEditor* made = nullptr;
  MyVst::setEditorFactory(
      [](AudioEffect* effect) -> AEffEditor* { return made = new RecordingEditor(effect); });
  MyVst effect(loggingHost);
  MyVst::setEditorFactory(nullptr);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(effect.getEditor(), made);
  EXPECT_EQ(effect.getAeffect()->flags, 0x31);
  // The whole of program 0 reached the editor, ending with the bypass switched off.
  ASSERT_FALSE(made->received.empty());
  EXPECT_EQ(made->received.front(), std::make_pair(VstInt32{zarnith::kParamFreq}, 0.48f));
  EXPECT_EQ(made->received.back(), std::make_pair(VstInt32{zarnith::kParamBypass}, 0.0f));
  EXPECT_EQ(MyVst(loggingHost).getEditor(), nullptr);  // no factory, no editor
}

TEST_F(EditorLink, FilterTypeLightsOneIndicatorBeforeItsOwnForwarding) {
  MyVst effect(loggingHost);
  RecordingEditor* editor = new RecordingEditor(&effect);
  effect.setParameter(zarnith::kParamFilterType, 0.5f);
  EXPECT_EQ(editor->received, (Calls{{35, 0.0f}, {36, 0.0f}, {37, 0.0f}, {36, 1.0f}, {6, 0.5f}}));

  const struct {
    float v;
    VstInt32 lit;
  } cases[] = {{0.0f, 35},
               {0.3448f, 35},
               {0.3449f, 36},
               {0.6896f, 36},
               {0.6897f, 37},
               {1.0f, 37},
               // Host values outside 0..1 light the nearest lamp.
               {-3.0f, 35},
               {7.0f, 37},
               {1e30f, 37}};
  for (const auto& c : cases) {
    editor->received.clear();
    effect.setParameter(zarnith::kParamFilterType, c.v);
    ASSERT_EQ(editor->received.size(), 5u);
    EXPECT_EQ(editor->received[3], std::make_pair(c.lit, 1.0f)) << c.v;
  }
}

TEST_F(EditorLink, SyncAndMultiplierResendTheRate) {
  MyVst effect(loggingHost);
  RecordingEditor* editor = new RecordingEditor(&effect);
  effect.setParameter(zarnith::kParamLfoRate, 0.4f);
  editor->received.clear();
  effect.setParameter(zarnith::kParamLfoRateMult, 0.3f);  // sync is off in program 0
  EXPECT_EQ(editor->received, (Calls{{17, 0.4f}, {8, 0.3f}}));
  editor->received.clear();
  effect.setParameter(zarnith::kParamSyncOn, 1.0f);
  EXPECT_EQ(editor->received, (Calls{{17, 0.4f}, {7, 1.0f}}));
  editor->received.clear();
  effect.setParameter(zarnith::kParamLfoRateMult, 0.6f);  // the program's sync slot now holds 1.0
  EXPECT_EQ(editor->received, (Calls{{8, 0.6f}}));
  // Only exactly 0.0 in the slot counts as off.
  effect.setParameter(zarnith::kParamSyncOn, 0.0001f);
  editor->received.clear();
  effect.setParameter(zarnith::kParamLfoRateMult, 0.2f);
  EXPECT_EQ(editor->received, (Calls{{8, 0.2f}}));
}

TEST_F(EditorLink, EveryIndexIsForwardedEvenThoseThatStoreNothing) {
  MyVst effect(loggingHost);
  RecordingEditor* editor = new RecordingEditor(&effect);
  for (VstInt32 index : {14, 18, 20, 27, 35, 38, 41, 43, 100, -1}) {
    editor->received.clear();
    effect.setParameter(index, 0.25f);
    EXPECT_EQ(editor->received, (Calls{{index, 0.25f}})) << index;
  }
}

TEST_F(EditorLink, ProgramChangeReachesTheEditorInProgramOrder) {
  MyVst effect(loggingHost);
  RecordingEditor* editor = new RecordingEditor(&effect);
  effect.setProgram(1);
  std::vector<VstInt32> order;
  for (const auto& call : editor->received) order.push_back(call.first);
  // Filter Type brings its indicators, Rate Mult. (sync off) and Sync bring the rate.
  const std::vector<VstInt32> expected = {0,  1, 13, 35, 36, 37, 37, 6,  5,  2,  16, 17, 19, 4,  17, 8,
                                          17, 7, 23, 24, 25, 9,  10, 26, 29, 32, 31, 30, 33, 28, 42};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(editor->received.back(), std::make_pair(42, 0.0f));
}

TEST_F(EditorLink, AutomatedChangeReachesEffectAndEditorBeforeTheHost) {
  MyVst effect(loggingHost);
  RecordingEditor* editor = new RecordingEditor(&effect, &log);
  log.clear();
  editor->beginEdit(0);
  for (float v : {0.2f, 0.25f, 0.3f}) editor->getEffect()->setParameterAutomated(zarnith::kParamFreq, v);
  editor->endEdit(0);
  const std::vector<std::string> expected = {"host 43 0 0.000000", "editor 0",          "host 0 0 0.200000",
                                             "editor 0",           "host 0 0 0.250000", "editor 0",
                                             "host 0 0 0.300000",  "host 44 0 0.000000"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(effect.getParameter(zarnith::kParamFreq), 0.3f);
  log.clear();
  effect.masterIdle();
  EXPECT_EQ(log, std::vector<std::string>{"host 3 0 0.000000"});
}

TEST_F(EditorLink, WithoutAnEditorEveryEditorRequestAnswersZero) {
  MyVst effect(loggingHost);
  effect.setEditor(nullptr);
  EXPECT_EQ(effect.getAeffect()->flags & effFlagsHasEditor, 0);
  ERect* rect = reinterpret_cast<ERect*>(0x1);
  EXPECT_EQ(effect.dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 0);
  EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1));
  int window = 0;
  EXPECT_EQ(effect.dispatcher(effEditOpen, 0, 0, &window, 0.0f), 0);
  EXPECT_EQ(effect.dispatcher(effEditIdle, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(effect.dispatcher(effEditClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(effect.dispatcher(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
  EXPECT_EQ(effect.dispatcher(effEditKeyUp, 'a', 0, nullptr, 1e30f), 0);
  EXPECT_EQ(effect.dispatcher(effSetEditKnobMode, 0, 2, nullptr, 0.0f), 0);
  // Parameters still work; nothing is forwarded anywhere.
  effect.setParameter(zarnith::kParamFilterType, 0.9f);
  EXPECT_EQ(effect.getParameter(zarnith::kParamFilterType), 0.9f);
}

TEST_F(EditorLink, EditorRequestsFromTheHostReachTheEditor) {
  MyVst effect(loggingHost);
  RecordingEditor* editor = new RecordingEditor(&effect);
  ERect* rect = nullptr;
  EXPECT_EQ(effect.dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
  EXPECT_NE(rect, nullptr);
  int window = 0;
  EXPECT_EQ(effect.dispatcher(effEditOpen, 0, 0, &window, 0.0f), 1);
  EXPECT_TRUE(editor->isOpen());
  editor->openAnswer = false;
  EXPECT_EQ(effect.dispatcher(effEditOpen, 0, 0, &window, 0.0f), 0);
  EXPECT_EQ(effect.dispatcher(effEditIdle, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(effect.dispatcher(effEditClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_FALSE(editor->isOpen());

  EXPECT_EQ(effect.dispatcher(effEditKeyDown, 'x', 0x1FF, nullptr, 258.0f), 1);
  editor->keyAnswer = false;
  EXPECT_EQ(effect.dispatcher(effEditKeyUp, 'y', 3, nullptr, 1e30f), 0);
  ASSERT_EQ(editor->keys.size(), 2u);
  EXPECT_EQ(editor->keys[0].character, 'x');
  EXPECT_EQ(editor->keys[0].virt, 0xFF);
  EXPECT_EQ(editor->keys[0].modifier, 2);  // 258 as a byte
  EXPECT_EQ(editor->keys[1].character, 'y');
  EXPECT_EQ(editor->keys[1].virt, 3);
  EXPECT_EQ(editor->keys[1].modifier, 0);  // no integer: no modifier

  EXPECT_EQ(effect.dispatcher(effSetEditKnobMode, 0, kLinearMode, nullptr, 0.0f), 1);
  EXPECT_EQ(editor->getKnobMode(), kLinearMode);
  effect.dispatcher(effSetEditKnobMode, 0, kCircularMode, nullptr, 0.0f);
}

}  // namespace
