// Both directions between controls and parameters: the effect's changes moving
// controls, readouts and lamps, and the controls' changes reaching the host.
#include <gtest/gtest.h>

#include <string>

#include "editor_test_support.h"
#include "engine/parameter_ids.h"
#include "toolkit/cframe.h"
#include "toolkit/cparamdisplay.h"

namespace {

// Layout positions of the controls these tests look at.
enum {
  kFreqKnob = 0,
  kQKnob = 1,
  kSyncButton = 2,
  kFilterSwitch = 3,
  kModSwitch = 4,
  kMultSwitch = 5,
  kRateKnob = 6,
  kBeatKnob = 11,
  kVolumeKnob = 16,
  kFreqReadout = 17,
  kRateReadout = 18,
  kSilenceKnob = 22,
  kOffsetKnob = 21,
  kOffsetReadout = 24,
  kRandBeatKnob = 25,
  kLampLp = 26,
  kLampBp = 27,
  kLampHp = 28,
  kRandomise = 29,
  kSilenceLamp = 30,
  kRandBeatLamp = 31,
  kBypassButton = 32,
  kBypassLamp = 33,
};

std::string text(CControl* c) {
  char buffer[kParamDisplayTextSize];
  static_cast<CParamDisplay*>(c)->getText(buffer);
  return buffer;
}

class Binding : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gui->open(nullptr)); }
  void TearDown() override { gui->close(); }
  float value(int position) const { return gui->getControl(position)->getValue(); }
  void set(VstInt32 index, float v) { fx->setParameter(index, v); }

  TestHost host;
  MyVst* fx = host.effect();
  MyVstGUI* gui = host.editor();
};

TEST_F(Binding, PlainControlsFollowTheirParameter) {
  const struct {
    VstInt32 tag;
    int position;
  } plain[] = {{1, 1},   {2, 9},   {4, 10},  {10, 12}, {16, 7}, {19, 8}, {23, 13}, {24, 14},
               {25, 15}, {26, 16}, {29, 20}, {32, 23}, {5, 4},  {6, 3},  {8, 5},   {28, 19}};
  for (const auto& c : plain) {
    set(c.tag, 0.3f);
    EXPECT_EQ(value(c.position), 0.3f) << "tag " << c.tag;
    set(c.tag, 1.0f);
    EXPECT_EQ(value(c.position), 1.0f) << "tag " << c.tag;
  }
}

TEST_F(Binding, FreqMovesKnobAndReadout) {
  set(0, 0.5f);
  EXPECT_EQ(value(kFreqKnob), 0.5f);
  EXPECT_EQ(text(gui->getControl(kFreqReadout)), "10000 Hz");
  // 0.0123 as a float is 0.0122999996; times 20000 that is 245.99999: cut, not rounded.
  set(0, 0.0123f);
  EXPECT_EQ(text(gui->getControl(kFreqReadout)), "245 Hz");
  // Index 3 also sets the cutoff, but the panel follows index 0 only.
  set(3, 0.9f);
  EXPECT_EQ(value(kFreqKnob), 0.0123f);
}

TEST_F(Binding, BeatAndRandomTypeSnapToSevenSteps) {
  set(9, 0.61f);  // 3.66 steps
  EXPECT_EQ(value(kBeatKnob), 0.5f);
  set(9, 1.0f);
  EXPECT_EQ(value(kBeatKnob), 1.0f);
  set(9, 0.1f);
  EXPECT_EQ(value(kBeatKnob), 0.0f);

  set(33, 0.1f);  // below 1/6: no random filter type, lamp dark
  EXPECT_EQ(value(kRandBeatKnob), 0.0f);
  EXPECT_EQ(value(kRandBeatLamp), 0.0f);
  set(33, 0.17f);
  EXPECT_EQ(value(kRandBeatKnob), 1.0f / 6.0f);
  EXPECT_EQ(value(kRandBeatLamp), 1.0f);
  set(33, 0.0f);
  EXPECT_EQ(value(kRandBeatLamp), 0.0f);
}

TEST_F(Binding, LfoRateSnapsAndNamesStepsWhileSynced) {
  set(7, 1.0f);
  EXPECT_TRUE(gui->isLfoSynced());
  EXPECT_EQ(value(kSyncButton), 1.0f);
  set(17, 0.2f);  // 3.2 of 16 steps
  EXPECT_EQ(value(kRateKnob), 3.0f / 16.0f);
  EXPECT_EQ(text(gui->getControl(kRateReadout)), "3 per beat");
  set(17, 0.25f);
  EXPECT_EQ(text(gui->getControl(kRateReadout)), "1/4");
  set(17, 1.0f);
  EXPECT_EQ(text(gui->getControl(kRateReadout)), "1/16");

  // Sync off: the effect re-sends the rate, which moves freely and shows hertz.
  set(17, 0.2f);
  set(7, 0.0f);
  EXPECT_FALSE(gui->isLfoSynced());
  EXPECT_EQ(value(kSyncButton), 0.0f);
  EXPECT_EQ(value(kRateKnob), 0.2f);
  set(8, 0.0f);
  set(17, 1.0f);
  EXPECT_EQ(text(gui->getControl(kRateReadout)), "1.001 Hz");
  set(17, 0.5f);
  set(8, 0.5f);  // the multiplier change refreshes the readout through the rate
  EXPECT_EQ(text(gui->getControl(kRateReadout)), "5.000 Hz");
  set(8, 1.0f);
  EXPECT_EQ(text(gui->getControl(kRateReadout)), "50.000 Hz");
  // A sync value of 0.7 truncates to off.
  set(7, 0.7f);
  EXPECT_FALSE(gui->isLfoSynced());
}

TEST_F(Binding, ScramblerOffsetSnapsToThirtySecondsAndShowsSixteenths) {
  set(31, 0.5f);
  EXPECT_EQ(value(kOffsetKnob), 0.5f);
  EXPECT_EQ(text(gui->getControl(kOffsetReadout)), "0");
  set(31, 0.0f);
  EXPECT_EQ(text(gui->getControl(kOffsetReadout)), "-16/16");
  set(31, 1.0f);
  EXPECT_EQ(text(gui->getControl(kOffsetReadout)), "+16/16");
  set(31, 17.0f / 32.0f);
  EXPECT_EQ(value(kOffsetKnob), 17.0f / 32.0f);
  EXPECT_EQ(text(gui->getControl(kOffsetReadout)), "+1/16");
  set(31, 0.51f);  // 16.32 steps
  EXPECT_EQ(value(kOffsetKnob), 0.5f);
  EXPECT_EQ(gui->getControl(kOffsetReadout)->getValue(), 16.0f);
}

TEST_F(Binding, SilenceAndBypassLamps) {
  set(30, 0.001f);
  EXPECT_EQ(value(kSilenceKnob), 0.001f);
  EXPECT_EQ(value(kSilenceLamp), 1.0f);
  set(30, 0.0f);
  EXPECT_EQ(value(kSilenceLamp), 0.0f);

  set(42, 1.0f);
  EXPECT_EQ(value(kBypassLamp), 0.0f);
  EXPECT_EQ(value(kBypassButton), 1.0f);
  set(42, 0.99f);  // below 1.0 the effect runs: lamp lit
  EXPECT_EQ(value(kBypassLamp), 1.0f);
  EXPECT_EQ(value(kBypassButton), 0.99f);
}

TEST_F(Binding, FilterLampsChangeAtTheNextIdle) {
  // Factory state: band-pass lit.
  set(6, 0.0f);
  EXPECT_EQ(value(kLampLp), 0.0f);  // only stored so far
  EXPECT_EQ(value(kLampBp), 1.0f);
  gui->idle();
  EXPECT_EQ(value(kLampLp), 1.0f);
  EXPECT_EQ(value(kLampBp), 0.0f);
  EXPECT_EQ(value(kLampHp), 0.0f);
  // The lamp changed but is not drawn yet: it is dirty until the following idle
  // pass has had it repainted.
  EXPECT_TRUE(gui->getControl(kLampLp)->isDirty());

  set(6, 0.5f);
  gui->idle();
  EXPECT_EQ(value(kLampLp), 0.0f);
  EXPECT_EQ(value(kLampBp), 1.0f);
  set(6, 0.7f);  // 0.7 x 2.9 = 2.03: high-pass
  gui->idle();
  EXPECT_EQ(value(kLampHp), 1.0f);
  EXPECT_EQ(value(kLampBp), 0.0f);
}

TEST_F(Binding, ChangesWhileClosedLeaveNoTrace) {
  gui->close();
  for (VstInt32 i = 0; i <= 45; ++i) gui->setParameter(i, 1.0f);
  gui->idle();
  ASSERT_TRUE(gui->open(nullptr));
  // Stray lamp states sent while closed are not remembered; the lamps follow the type.
  EXPECT_EQ(value(kLampLp), 0.0f);
  EXPECT_EQ(value(kLampBp), 1.0f);
  EXPECT_EQ(value(kLampHp), 0.0f);
  gui->idle();
  EXPECT_EQ(value(kLampBp), 1.0f);
}

TEST_F(Binding, UnlistedIndicesTouchNothing) {
  float before[34];
  for (int i = 0; i < 34; ++i) before[i] = value(i);
  for (VstInt32 index : {3, 11, 12, 13, 14, 15, 18, 20, 21, 22, 27, 38, 39, 40, 41, 43, 1000, -1})
    gui->setParameter(index, 0.77f);
  for (int i = 0; i < 34; ++i) EXPECT_EQ(value(i), before[i]) << "position " << i;
}

TEST_F(Binding, OutOfRangeValuesStayInsideEveryTable) {
  for (float v : {-5.0f, 7.0f, 1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN(),
                  std::numeric_limits<float>::infinity()}) {
    for (VstInt32 i = 0; i <= 42; ++i) {
      if (i == 34) continue;  // randomises
      fx->setParameter(i, v);
    }
    gui->idle();
    for (int i : {17, 18, 24}) EXPECT_FALSE(text(gui->getControl(i)).empty());
  }
}

TEST_F(Binding, ProgramChangeMovesEveryControl) {
  for (VstInt32 program : {1, 7, 12, 31}) {
    fx->setProgram(program);
    gui->idle();
    for (int i = 0; i < 34; ++i) {
      CControl* c = gui->getControl(i);
      VstInt32 tag = c->getTag();
      if (tag == 111 || c->isTypeOf("CParamDisplay")) continue;
      float p = fx->getParameter(tag);
      float expected = p;
      if (tag == 9 || tag == 33) expected = static_cast<float>(static_cast<int>(p * 6.0) / 6.0);
      if (tag == 31) expected = static_cast<float>(static_cast<int>(p * 32.0) / 32.0);
      if (tag == 7) expected = static_cast<float>(static_cast<int>(p));
      if (tag == 17 && static_cast<int>(fx->getParameter(zarnith::kParamSyncOn)) != 0)
        expected = static_cast<float>(static_cast<int>(p * 16.0) / 16.0);
      EXPECT_EQ(c->getValue(), expected) << "program " << program << " tag " << tag;
    }
    EXPECT_EQ(value(kBypassLamp), 1.0f);  // a program change ends with bypass off
    EXPECT_EQ(value(kFreqReadout), fx->getParameter(zarnith::kParamFreq) * 20000.0f);
    float type = fx->getParameter(zarnith::kParamFilterType);
    int lit = static_cast<int>(type * 2.9);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(value(kLampLp + k), k == lit ? 1.0f : 0.0f);
  }
}

TEST_F(Binding, ControlChangesReachTheHostAsAutomation) {
  host.record().clear();
  CControl* q = gui->getControl(kQKnob);
  q->setValue(0.75f);
  gui->valueChanged(q);
  EXPECT_EQ(fx->getParameter(zarnith::kParamQ), 0.75f);
  auto edits = host.record().edits();
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].opcode, audioMasterAutomate);
  EXPECT_EQ(edits[0].index, 1);
  EXPECT_EQ(edits[0].value, 0.75f);

  // The effect sends the value back: BEAT snaps on its way to the knob.
  CControl* beat = gui->getControl(kBeatKnob);
  beat->setValue(0.4f);
  gui->valueChanged(beat);
  EXPECT_EQ(fx->getParameter(zarnith::kParamBeat), 0.4f);
  EXPECT_EQ(beat->getValue(), 2.0f / 6.0f);
}

TEST_F(Binding, RandomiseButtonReportsOnRelease) {
  CControl* button = gui->getControl(kRandomise);
  const CRect r = button->getViewSize();
  const CPoint inside(r.left + 5, r.top + 30), outside(r.right + 20, r.top + 30);

  host.record().clear();
  button->onMouseDown(inside, kLButton);
  button->onMouseMoved(inside, kLButton);
  button->onMouseUp(inside, kLButton);
  auto edits = host.record().edits();
  // begin, automate 1.0, automate 0.0, end; each automate randomised the program.
  std::vector<HostRequest> automates;
  for (const auto& e : edits)
    if (e.opcode == audioMasterAutomate && e.index == 34) automates.push_back(e);
  ASSERT_EQ(automates.size(), 2u);
  EXPECT_EQ(automates[0].value, 1.0f);
  EXPECT_EQ(automates[1].value, 0.0f);
  ASSERT_GE(edits.size(), 4u);
  EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(edits.front().index, 34);
  EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(edits.back().index, 34);

  host.record().clear();
  button->onMouseDown(inside, kLButton);
  button->onMouseMoved(outside, kLButton);
  button->onMouseUp(outside, kLButton);
  automates.clear();
  for (const auto& e : host.record().edits())
    if (e.opcode == audioMasterAutomate && e.index == 34) automates.push_back(e);
  ASSERT_EQ(automates.size(), 1u);
  EXPECT_EQ(automates[0].value, 0.0f);
}

TEST(TwoEditors, EachShowsItsOwnLfoRate) {
  TestHost first, second;
  ASSERT_TRUE(first.editor()->open(nullptr));
  ASSERT_TRUE(second.editor()->open(nullptr));
  first.effect()->setParameter(zarnith::kParamSyncOn, 1.0f);
  first.effect()->setParameter(zarnith::kParamLfoRate, 0.25f);
  second.effect()->setParameter(zarnith::kParamLfoRateMult, 0.0f);
  second.effect()->setParameter(zarnith::kParamLfoRate, 0.25f);
  // The second editor changing its state last must not decide the first one's text.
  second.effect()->setParameter(zarnith::kParamSyncOn, 0.0f);
  EXPECT_EQ(text(first.control(kRateReadout)), "1/4");
  EXPECT_EQ(text(second.control(kRateReadout)), "0.250 Hz");
  EXPECT_TRUE(first.editor()->isLfoSynced());
  EXPECT_FALSE(second.editor()->isLfoSynced());
  first.editor()->close();
  second.editor()->close();
}

}  // namespace
