// Knob arithmetic: angles and points, linear and circular drags, Shift zoom, Alt swap, wheel,
// keys, the default-value click, and the image choice and redraw suppression of CAnimKnob.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "toolkit/aeffguieditor.h"
#include "toolkit/cknob.h"
#include "view_test_support.h"

namespace {

const double kPi = 3.14159265358979323846;

class KnobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new CFrame(CRect(0, 0, 200, 200), nullptr, &editor);
    frame->setPlatformFrame(new FakePlatform);
    // A 40 x 40 knob whose centre is (120, 120) in the frame.
    knob = new CKnob(CRect(100, 100, 140, 140), &listener, 5, nullptr, nullptr);
    frame->addView(knob);
  }
  void TearDown() override { frame->forget(); }

  // Press, then move to each point, through the frame as the window would.
  void drag(CPoint from, std::initializer_list<CPoint> to, int32_t buttons = kLButton) {
    frame->onMouseDown(from, buttons);
    for (const CPoint& p : to) frame->onMouseMoved(p, buttons);
  }

  EventLog log;
  StubEditor editor{&log};
  RecordingListener listener{&log};
  CFrame* frame;
  CKnob* knob;
};

TEST_F(KnobTest, ConstructionSetsTheAnglesAndCoefficients) {
  EXPECT_FLOAT_EQ(3.9269907f, knob->getStartAngle());
  EXPECT_FLOAT_EQ(-4.712389f, knob->getRangeAngle());
  EXPECT_EQ(3, knob->getInsetValue());
  EXPECT_TRUE(knob->wantsFocus());
  EXPECT_FLOAT_EQ(1.5f, knob->getZoomFactor());
}

TEST_F(KnobTest, ValueToPointFollowsTheArc) {
  // radius 20, inset 3: the indicator runs on a circle of 17 pixels around (20, 20).
  struct Case {
    float value;
    double angle;
  } cases[] = {{0.0f, 5 * kPi / 4}, {0.5f, kPi / 2}, {1.0f, -kPi / 4}, {0.25f, 5 * kPi / 4 - 3 * kPi / 8}};
  for (const Case& c : cases) {
    knob->setValue(c.value);
    CPoint p;
    knob->valueToPoint(p);
    EXPECT_EQ(static_cast<int32_t>(20 + std::cos(c.angle) * 17 + 0.5), p.h) << c.value;
    EXPECT_EQ(static_cast<int32_t>(20 - std::sin(c.angle) * 17 + 0.5), p.v) << c.value;
  }
}

TEST_F(KnobTest, ValueFromPointReadsTheAngleAndTheDeadZone) {
  EXPECT_NEAR(0.5, knob->valueFromPoint(CPoint(20, 0)), 1e-6);       // top
  EXPECT_NEAR(5.0 / 6, knob->valueFromPoint(CPoint(40, 20)), 1e-6);  // right: 45 degrees past the top
  EXPECT_NEAR(1.0 / 6, knob->valueFromPoint(CPoint(0, 20)), 1e-6);   // left
  EXPECT_NEAR(0.0, knob->valueFromPoint(CPoint(0, 40)), 1e-6);       // lower left: the start
  EXPECT_NEAR(1.0, knob->valueFromPoint(CPoint(40, 40)), 1e-6);      // lower right: the end
  // Straight below the centre lies the dead zone: the nearer end.
  EXPECT_EQ(0.0f, knob->valueFromPoint(CPoint(19, 40)));
  EXPECT_EQ(1.0f, knob->valueFromPoint(CPoint(21, 40)));
}

TEST_F(KnobTest, LinearDragOfHundredPixelsUpFromPointTwoGivesPointSeven) {
  knob->setValue(0.2f);
  drag(CPoint(120, 120), {CPoint(120, 20)});
  // 200 pixels per full range: coef = 1 / 200 as a float, sum formed in double.
  float coef = static_cast<float>(1.0 / 200.0f);
  EXPECT_EQ(static_cast<float>(0.2f + 100 * static_cast<double>(coef)), knob->getValue());
  EXPECT_NEAR(0.7, knob->getValue(), 1e-6);
}

TEST_F(KnobTest, LinearDragUpAndRightAddsAndClamps) {
  knob->setValue(0.2f);
  drag(CPoint(120, 120), {CPoint(170, 70)});
  EXPECT_NEAR(0.7, knob->getValue(), 1e-6);
  frame->onMouseMoved(CPoint(220, 20), kLButton);
  EXPECT_EQ(1.0f, knob->getValue());
  frame->onMouseMoved(CPoint(-300, 420), kLButton);
  EXPECT_EQ(0.0f, knob->getValue());
}

TEST_F(KnobTest, ShiftFromTheStartNeedsHundredFiftyPixelsForHalfTheRange) {
  knob->setValue(0.2f);
  drag(CPoint(120, 120), {CPoint(120, -30)}, kLButton | kShift);
  float coef = static_cast<float>(1.0 / 300.0f);
  EXPECT_EQ(static_cast<float>(0.2f + 150 * static_cast<double>(coef)), knob->getValue());
  EXPECT_NEAR(0.7, knob->getValue(), 1e-6);
}

TEST_F(KnobTest, PressingShiftMidDragChangesTheRateWithoutAJump) {
  knob->setValue(0.2f);
  drag(CPoint(120, 120), {CPoint(120, 70)});
  EXPECT_NEAR(0.45, knob->getValue(), 1e-6);
  // Shift goes down while moving 10 more pixels: the value stays where the old rate puts it...
  frame->onMouseMoved(CPoint(120, 60), kLButton | kShift);
  EXPECT_NEAR(0.5, knob->getValue(), 1e-6);
  // ... and from there on it moves at a third of a range per hundred pixels.
  frame->onMouseMoved(CPoint(120, 30), kLButton | kShift);
  EXPECT_NEAR(0.6, knob->getValue(), 1e-6);
  // Releasing Shift again: continuous once more, back at the normal rate.
  frame->onMouseMoved(CPoint(120, 20), kLButton);
  EXPECT_NEAR(0.6 + 10.0 / 300, knob->getValue(), 1e-6);
  frame->onMouseMoved(CPoint(120, 0), kLButton);
  EXPECT_NEAR(0.6 + 10.0 / 300 + 20.0 / 200, knob->getValue(), 1e-6);
}

TEST_F(KnobTest, AltInLinearModeDragsCircularlyFromTheAngleUnderThePointer) {
  knob->setValue(0.1f);
  drag(CPoint(140, 120), {}, kLButton | kAlt);
  EXPECT_NEAR(5.0 / 6, knob->getValue(), 1e-6);
  frame->onMouseMoved(CPoint(120, 100), kLButton | kAlt);
  EXPECT_NEAR(0.5, knob->getValue(), 1e-6);
}

TEST_F(KnobTest, CircularModeTakesTheAngleAndAltMakesItLinear) {
  editor.mode = kCircularMode;
  knob->setValue(0.9f);
  drag(CPoint(100, 120), {});
  EXPECT_NEAR(1.0 / 6, knob->getValue(), 1e-6);
  frame->onMouseUp(CPoint(100, 120), 0);

  knob->setValue(0.2f);
  drag(CPoint(100, 120), {CPoint(100, 20)}, kLButton | kAlt);
  EXPECT_NEAR(0.7, knob->getValue(), 1e-6);
}

TEST_F(KnobTest, CircularDragAcrossTheDeadZoneHoldsTheEndItCameFrom) {
  editor.mode = kCircularMode;
  drag(CPoint(140, 140), {CPoint(140, 130)});  // lower right, near the end
  EXPECT_GT(knob->getValue(), 0.9f);
  frame->onMouseMoved(CPoint(100, 140), kLButton);  // jump to the lower left
  EXPECT_EQ(1.0f, knob->getValue());
  frame->onMouseMoved(CPoint(120, 100), kLButton);  // back to the top: follows again
  EXPECT_NEAR(0.5, knob->getValue(), 1e-6);
}

TEST_F(KnobTest, GestureReportsBeginFocusChangesAndEndInOrder) {
  knob->setValue(0.2f);
  drag(CPoint(120, 120), {CPoint(120, 110), CPoint(120, 110), CPoint(120, 100)});
  EXPECT_EQ(knob, frame->getFocusView());
  frame->onMouseUp(CPoint(120, 100), 0);
  EventLog expected = {"begin 5",          "host begin 5", "changed 5 0.2500",
                       "changed 5 0.3000", "host end 5",   "end 5"};
  EXPECT_EQ(expected, log);
  // The knob keeps the focus after the release.
  EXPECT_EQ(knob, frame->getFocusView());
}

TEST_F(KnobTest, MovesWithoutTheLeftButtonChangeNothing) {
  knob->setValue(0.2f);
  drag(CPoint(120, 120), {CPoint(120, 20)}, kRButton);
  EXPECT_EQ(0.2f, knob->getValue());
}

TEST_F(KnobTest, ControlClickSetsTheDefaultValueInsideOneGesture) {
  knob->setValue(0.9f);
  EXPECT_EQ(kMouseDownEventHandledButDontNeedMovedOrUpEvents,
            frame->onMouseDown(CPoint(120, 120), kLButton | kControl));
  EXPECT_EQ(0.5f, knob->getValue());
  EXPECT_EQ(nullptr, frame->getMouseDownView());
  // The change sits inside begin/end pairs, and every begin has its end.
  auto at = [&](const std::string& s) { return std::find(log.begin(), log.end(), s) - log.begin(); };
  EXPECT_LT(at("begin 5"), at("changed 5 0.5000"));
  EXPECT_LT(at("changed 5 0.5000"), at("end 5"));
  EXPECT_EQ(std::count(log.begin(), log.end(), "begin 5"), std::count(log.begin(), log.end(), "end 5"));
  EXPECT_EQ(std::count(log.begin(), log.end(), "host begin 5"),
            std::count(log.begin(), log.end(), "host end 5"));

  // Control + Shift + left is no default click: the listener is asked first and, answering 0,
  // lets an ordinary drag start.
  knob->setValue(0.9f);
  frame->onMouseUp(CPoint(120, 120), 0);
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(120, 120), kLButton | kControl | kShift));
  EXPECT_EQ(0.9f, knob->getValue());
}

TEST_F(KnobTest, WheelStepsByATenthOrAHundredthWithShiftAndClamps) {
  knob->setValue(0.5f);
  log.clear();
  EXPECT_TRUE(frame->onWheel(CPoint(120, 120), 1.0f, 0));
  EXPECT_NEAR(0.6, knob->getValue(), 1e-6);
  EventLog expected = {"begin 5", "host begin 5", "changed 5 0.6000", "host end 5", "end 5"};
  EXPECT_EQ(expected, log);
  EXPECT_TRUE(frame->onWheel(CPoint(120, 120), 1.0f, kShift));
  EXPECT_NEAR(0.61, knob->getValue(), 1e-6);
  EXPECT_TRUE(frame->onWheel(CPoint(120, 120), 10.0f, 0));
  EXPECT_EQ(1.0f, knob->getValue());
  EXPECT_TRUE(frame->onWheel(CPoint(120, 120), -30.0f, 0));
  EXPECT_EQ(0.0f, knob->getValue());

  knob->setMouseEnabled(false);
  EXPECT_FALSE(knob->onWheel(CPoint(120, 120), 1.0f, 0));
  EXPECT_EQ(0.0f, knob->getValue());
}

TEST_F(KnobTest, ArrowKeysStepTheValue) {
  knob->setValue(0.5f);
  VstKeyCode up{0, VKEY_UP, 0}, left{0, VKEY_LEFT, 0}, right{0, VKEY_RIGHT, MODIFIER_SHIFT},
      down{0, VKEY_DOWN, 0};
  VstKeyCode other{'a', 0, 0};
  EXPECT_EQ(1, knob->onKeyDown(up));
  EXPECT_NEAR(0.6, knob->getValue(), 1e-6);
  EXPECT_EQ(1, knob->onKeyDown(left));
  EXPECT_EQ(1, knob->onKeyDown(down));
  EXPECT_NEAR(0.4, knob->getValue(), 1e-6);
  EXPECT_EQ(1, knob->onKeyDown(right));
  EXPECT_NEAR(0.41, knob->getValue(), 1e-6);
  EXPECT_EQ(-1, knob->onKeyDown(other));
  EXPECT_NEAR(0.41, knob->getValue(), 1e-6);
}

TEST_F(KnobTest, SetValueOnlyStoresAndTheIdlePassFindsTheChange) {
  COffscreenContext surface(frame, 200, 200);
  frame->draw(&surface);
  EXPECT_FALSE(knob->isDirty());
  knob->setValue(2.0f);  // no clamping, no redraw request
  EXPECT_EQ(2.0f, knob->getValue());
  EXPECT_TRUE(knob->isDirty());
  auto* platform = static_cast<FakePlatform*>(frame->getPlatformFrame());
  platform->invalidated.clear();
  frame->idle();
  ASSERT_EQ(1u, platform->invalidated.size());
  EXPECT_EQ(CRect(100, 100, 140, 140), platform->invalidated[0]);
}

TEST_F(KnobTest, HandleWithoutBitmapIsDrawnAsTwoLinesToTheCentre) {
  knob->setValue(0.5f);  // straight up: from (20, 3) to the centre (20, 20)
  COffscreenContext surface(frame, 200, 200);
  knob->draw(&surface);
  // The grey line one pixel left of the white one, which is one pixel higher.
  EXPECT_EQ((Pixel{127, 127, 127, 255}), pixelAt(surface, 119, 110));
  EXPECT_EQ((Pixel{255, 255, 255, 255}), pixelAt(surface, 120, 110));
  EXPECT_FALSE(inked(surface, 125, 110));
  EXPECT_FALSE(knob->isDirty());
}

class AnimKnobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr);
    strip = makeStrip(40, 40, 63);
    knob = new CAnimKnob(CRect(10, 10, 50, 50), nullptr, 1, 63, 40, strip);
    frame->addView(knob);
  }
  void TearDown() override {
    strip->forget();
    frame->forget();
  }
  int shownImage(float value) {
    knob->setValue(value);
    COffscreenContext surface(frame, 100, 100);
    knob->draw(&surface);
    return imageAt(surface, 30, 30);
  }
  CFrame* frame;
  CBitmap* strip;
  CAnimKnob* knob;
};

TEST_F(AnimKnobTest, ValueChoosesTheImage) {
  EXPECT_EQ(0, shownImage(0.0f));
  EXPECT_EQ(31, shownImage(0.5f));
  EXPECT_EQ(62, shownImage(1.0f));
  EXPECT_EQ(0, shownImage(-0.3f));
  // floor(62 * 0.999) = 61
  EXPECT_EQ(61, shownImage(0.999f));
  // Beyond the range: the last image, never outside the strip.
  EXPECT_EQ(62, shownImage(1.7f));
  knob->setInverseBitmap(true);
  EXPECT_EQ(62, shownImage(0.0f));
  EXPECT_EQ(0, shownImage(1.0f));
}

TEST_F(AnimKnobTest, TheImageCountComesFromTheStrip) {
  CAnimKnob* k = new CAnimKnob(CRect(0, 0, 40, 40), nullptr, 2, 7, 40, strip);
  frame->addView(k);
  k->setValue(1.0f);
  EXPECT_EQ(62 * 40, k->getImageOffset());
  // Without an image height nothing divides by zero and the top image is shown.
  k->setHeightOfOneImage(0);
  EXPECT_EQ(0, k->getImageOffset());
  EXPECT_EQ(0, k->getInsetValue());
}

TEST_F(AnimKnobTest, ChangeTooSmallToMoveTheIndicatorDrawsNothing) {
  knob->setValue(0.5f);
  COffscreenContext surface(frame, 100, 100);
  knob->draw(&surface);
  EXPECT_FALSE(knob->isDirty());
  knob->setValue(0.5001f);
  EXPECT_FALSE(knob->isDirty());
  knob->setValue(0.6f);
  EXPECT_TRUE(knob->isDirty());
  knob->setValue(0.5001f);
  knob->setDirty(true);
  EXPECT_TRUE(knob->isDirty());
}

}  // namespace
