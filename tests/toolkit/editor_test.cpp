// The editor bridge: idle and the idle pump's timing (with a fake clock), keys, wheel and
// drawing through the frame, edit gestures to the host, and pointer polling through the seam.
#include <gtest/gtest.h>

#include "host/audioeffect.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/cbuttons.h"
#include "toolkit/cknob.h"
#include "view_test_support.h"

namespace {

// What the host was asked, in order; one host per test.
EventLog* gHostLog = nullptr;
std::function<void()> gOnHostIdle;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
  if (!gHostLog) return 0;
  switch (opcode) {
    case audioMasterIdle:
      gHostLog->push_back("host idle");
      if (gOnHostIdle) gOnHostIdle();
      break;
    case audioMasterBeginEdit:
      gHostLog->push_back("host begin " + std::to_string(index));
      break;
    case audioMasterEndEdit:
      gHostLog->push_back("host end " + std::to_string(index));
      break;
    default:
      break;
  }
  return 0;
}

class TestEffect : public AudioEffect {
 public:
  TestEffect() : AudioEffect(hostCallback, 1, 1) {}
  void processReplacing(float**, float**, VstInt32) override {}
};

class TestEditor : public AEffGUIEditor {
 public:
  explicit TestEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = 100;
    rect.right = 120;
  }
  bool open(void* parent) override {
    AEffGUIEditor::open(parent);
    frame = new CFrame(CRect(0, 0, 120, 100), nullptr, this);
    platform = new FakePlatform;
    frame->setPlatformFrame(platform);
    return true;
  }
  void close() override {
    if (frame) frame->forget();
    frame = nullptr;
    AEffGUIEditor::close();
  }
  uint32_t lastTicks() const { return lLastTicks; }
  FakePlatform* platform = nullptr;
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gHostLog = &log;
    gOnHostIdle = nullptr;
    effect = new TestEffect;
    editor = new TestEditor(effect);
    int parent = 0;
    editor->open(&parent);
    frame = editor->getFrame();
    platform = editor->platform;
    platform->onProcessEvents = [this] { log.push_back("events"); };
    platform->onPaintPump = [this] { log.push_back("paint"); };
  }
  void TearDown() override {
    delete effect;  // deletes its editor, which closes nothing: the test closes first
    gHostLog = nullptr;
    gOnHostIdle = nullptr;
  }

  ScopedFakeClock fake;
  EventLog log;
  TestEffect* effect;
  TestEditor* editor;
  CFrame* frame;
  FakePlatform* platform;
};

TEST_F(EditorTest, RegistersWithTheEffectAndGivesItsRectangle) {
  EXPECT_EQ(editor, effect->getEditor());
  ERect* r = nullptr;
  EXPECT_TRUE(editor->getRect(&r));
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(120, r->right);
  EXPECT_EQ(100, r->bottom);
  EXPECT_EQ(fake.clock.now, editor->lastTicks());
}

TEST_F(EditorTest, IdlePumpRunsAtMostOncePerHundredMilliseconds) {
  const uint32_t t0 = fake.clock.now;
  editor->doIdleStuff();
  EventLog full = {"events", "paint", "host idle"};
  EXPECT_EQ(full, log);
  EXPECT_EQ(t0 + 100, editor->lastTicks());
  EXPECT_TRUE(fake.clock.waits.empty());

  // 10 ms later: it sleeps 4 ms and, still more than 50 ms early, does nothing more.
  log.clear();
  fake.clock.now = t0 + 10;
  editor->doIdleStuff();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(std::vector<uint32_t>{4}, fake.clock.waits);
  EXPECT_EQ(t0 + 100, editor->lastTicks());

  // 45 ms after the full pass: after the 4 ms sleep it is still 51 ms early: nothing.
  fake.clock.now = t0 + 45;
  editor->doIdleStuff();
  EXPECT_TRUE(log.empty());

  // 46 ms: after the sleep it is exactly 50 ms early, no longer more, so the pass runs, timed
  // from after the sleep.
  fake.clock.now = t0 + 46;
  editor->doIdleStuff();
  EXPECT_EQ(full, log);
  EXPECT_EQ(t0 + 46 + 4 + 100, editor->lastTicks());

  // On time: no sleep at all.
  log.clear();
  fake.clock.waits.clear();
  fake.clock.now = t0 + 150;
  editor->doIdleStuff();
  EXPECT_EQ(full, log);
  EXPECT_TRUE(fake.clock.waits.empty());
}

TEST_F(EditorTest, IdleFromTheHostDuringThePumpIsIgnored) {
  gOnHostIdle = [this] {
    log.push_back("host calls idle");
    editor->idle();
  };
  editor->doIdleStuff();
  EventLog expected = {"events", "paint", "host idle", "host calls idle"};
  EXPECT_EQ(expected, log);
  // Outside the pump the host's idle reaches the frame.
  log.clear();
  editor->idle();
  EventLog idle = {"events"};
  EXPECT_EQ(idle, log);
}

TEST_F(EditorTest, IdleRedrawsTheControlsWhoseValueChanged) {
  CKnob* knob = new CKnob(CRect(10, 10, 50, 50), nullptr, 3, nullptr, nullptr);
  frame->addView(knob);
  COffscreenContext surface(frame, 120, 100);
  frame->draw(&surface);
  platform->invalidated.clear();
  editor->idle();
  EXPECT_TRUE(platform->invalidated.empty());
  knob->setValue(0.75f);  // from any thread: stored only
  editor->idle();
  ASSERT_EQ(1u, platform->invalidated.size());
  EXPECT_EQ(CRect(10, 10, 50, 50), platform->invalidated[0]);
}

TEST_F(EditorTest, EditGesturesReachTheHostInOrder) {
  RecordingListener listener(&log);
  CKnob* knob = new CKnob(CRect(10, 10, 50, 50), &listener, 3, nullptr, nullptr);
  frame->addView(knob);
  editor->setKnobMode(kLinearMode);
  knob->setValue(0.5f);
  frame->onMouseDown(CPoint(30, 30), kLButton);
  frame->onMouseMoved(CPoint(30, 20), kLButton);
  frame->onMouseUp(CPoint(30, 20), 0);
  EventLog expected = {"begin 3", "host begin 3", "changed 3 0.5500", "host end 3", "end 3"};
  EXPECT_EQ(expected, log);
}

TEST_F(EditorTest, KnobModeIsSharedByEveryEditor) {
  TestEffect other;
  TestEditor* second = new TestEditor(&other);
  EXPECT_TRUE(editor->setKnobMode(kRelativCircularMode));
  EXPECT_EQ(kRelativCircularMode, second->getKnobMode());
  EXPECT_EQ(kRelativCircularMode, frame->getKnobMode());
  second->setKnobMode(kLinearMode);
  EXPECT_EQ(kLinearMode, editor->getKnobMode());
  editor->setKnobMode(kCircularMode);
}

TEST_F(EditorTest, KeysAreHandledOnlyWhenTheFrameSaysSo) {
  VstKeyCode up{0, VKEY_UP, 0};
  EXPECT_FALSE(editor->onKeyDown(up));  // nothing has the focus, nothing to Tab to
  CKnob* knob = new CKnob(CRect(10, 10, 50, 50), nullptr, 3, nullptr, nullptr);
  frame->addView(knob);
  frame->setFocusView(knob);
  knob->setValue(0.5f);
  EXPECT_TRUE(editor->onKeyDown(up));
  EXPECT_NEAR(0.6, knob->getValue(), 1e-6);
  EXPECT_FALSE(editor->onKeyUp(up));
  VstKeyCode tab{0, VKEY_TAB, 0};
  EXPECT_FALSE(editor->onKeyDown(tab));  // the only knob already has it: the walk ends
  EXPECT_TRUE(editor->onKeyDown(tab));   // and starts again
  EXPECT_EQ(knob, frame->getFocusView());
}

TEST_F(EditorTest, WheelGoesToTheViewUnderTheLivePointer) {
  EventLog views;
  frame->addView(new RecordingView(CRect(0, 0, 20, 20), "a", &views));
  frame->addView(new RecordingView(CRect(50, 50, 70, 70), "b", &views));
  platform->current = FakePlatform::PointerState{CPoint(60, 61), kShift};
  EXPECT_TRUE(editor->onWheel(2.0f));
  platform->current = FakePlatform::PointerState{CPoint(90, 90), 0};
  EXPECT_FALSE(editor->onWheel(1.0f));
  EventLog expected = {"b wheel 2 (60,61) 16"};
  EXPECT_EQ(expected, views);
}

TEST_F(EditorTest, WheelDeltasCountWholeNotchesOnly) {
  EXPECT_EQ(0.0f, platformWheelDistance(60));
  EXPECT_EQ(-2.0f, platformWheelDistance(-240));
  EXPECT_EQ(1.0f, platformWheelDistance(239));
  EXPECT_EQ(0.0f, platformWheelDistance(-119));
}

TEST_F(EditorTest, DrawPaintsTheGivenRectangleOrTheWholeFrame) {
  EventLog views;
  RecordingView* a = new RecordingView(CRect(0, 0, 20, 20), "a", &views);
  RecordingView* b = new RecordingView(CRect(60, 60, 80, 80), "b", &views);
  a->fill = CColor{255, 0, 0, 255};
  b->fill = CColor{0, 0, 255, 255};
  frame->addView(a);
  frame->addView(b);
  COffscreenContext surface(frame, 120, 100);
  platform->surface = &surface;
  ERect r{0, 0, 30, 30};  // top, left, bottom, right
  editor->draw(&r);
  EXPECT_EQ(EventLog{"a draw"}, views);
  EXPECT_EQ((Pixel{0, 0, 255, 255}), pixelAt(surface, 10, 10));
  EXPECT_FALSE(inked(surface, 70, 70));
  editor->draw(nullptr);
  EXPECT_EQ((Pixel{255, 0, 0, 255}), pixelAt(surface, 70, 70));
  platform->surface = nullptr;
}

TEST_F(EditorTest, OnOffButtonPumpsIdleInsideItsPress) {
  // The press paints its new state at once through the pump: one paint, one host idle.
  frame->addView(new COnOffButton(CRect(0, 0, 20, 20), nullptr, 1, nullptr));
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EventLog expected = {"events", "paint", "host idle"};
  EXPECT_EQ(expected, log);
}

TEST_F(EditorTest, ContextPollingPlaysTheScriptedPointer) {
  // A drag detector polls the live pointer: still, still, then 3 pixels away.
  platform->play({{CPoint(10, 10), kLButton},
                  {CPoint(11, 10), kLButton},
                  {CPoint(12, 12), kLButton},
                  {CPoint(13, 10), kLButton}});
  CDrawContext* context = frame->createDrawContext();
  EXPECT_TRUE(context->waitDrag());
  context->forget();
  // Released before moving far: no drag.
  platform->play({{CPoint(10, 10), kLButton}, {CPoint(11, 11), 0}});
  context = frame->createDrawContext();
  EXPECT_FALSE(context->waitDrag());
  context->forget();
}

TEST_F(EditorTest, ClosingTheEditorFreesTheFrameAndEveryView) {
  editor->close();
  const int32_t before = CBaseObject::getNbLivingObjects();
  int parent = 0;
  editor->open(&parent);
  CBitmap* strip = makeStrip(20, 20, 3);
  editor->getFrame()->setBackground(strip);
  for (int i = 0; i < 5; i++)
    editor->getFrame()->addView(new CKnob(CRect(i * 20, 0, i * 20 + 20, 20), nullptr, i, strip, nullptr));
  strip->forget();
  editor->close();
  EXPECT_EQ(nullptr, editor->getFrame());
  EXPECT_EQ(before, CBaseObject::getNbLivingObjects());
}

}  // namespace
