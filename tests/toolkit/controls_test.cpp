// Buttons, switches, indicators and text displays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "toolkit/cbuttons.h"
#include "toolkit/cfont.h"
#include "toolkit/cmoviebitmap.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cverticalswitch.h"
#include "view_test_support.h"

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new CFrame(CRect(0, 0, 200, 200), nullptr, &editor);
    platform = new FakePlatform;
    frame->setPlatformFrame(platform);
  }
  void TearDown() override { frame->forget(); }

  template <typename T>
  T* add(T* control) {
    frame->addView(control);
    return control;
  }

  EventLog log;
  StubEditor editor{&log};
  RecordingListener listener{&log};
  CFrame* frame;
  FakePlatform* platform;
};

// --- vertical switch

TEST_F(ControlsTest, ThreePositionSwitchOfSeventySevenPixelsMapsRowsToPositions) {
  CBitmap* strip = makeStrip(20, 77, 3);
  CVerticalSwitch* sw = add(new CVerticalSwitch(CRect(10, 10, 30, 87), &listener, 3, 3, 77, 3, strip));
  strip->forget();
  // coef = 77 / 3 = 25.67 pixels per position.
  struct Row {
    int32_t row;
    float value;
  } rows[] = {{0, 0.0f},  {25, 0.0f}, {26, 0.5f},  {30, 0.5f}, {51, 0.5f}, {52, 1.0f},
              {76, 1.0f}, {77, 1.0f}, {200, 1.0f}, {-5, 0.0f}, {-40, 0.0f}};
  // Rows outside the switch are reached by dragging from a press inside.
  for (const Row& r : rows) {
    frame->onMouseDown(CPoint(15, 10), kLButton);
    frame->onMouseMoved(CPoint(15, 10 + r.row), kLButton);
    EXPECT_EQ(r.value, sw->getValue()) << "row " << r.row;
    frame->onMouseUp(CPoint(15, 10 + r.row), 0);
  }
  // A press in row 30 alone gives the middle position.
  frame->onMouseDown(CPoint(15, 40), kLButton);
  EXPECT_EQ(0.5f, sw->getValue());
}

TEST_F(ControlsTest, SwitchShowsTheImageOfItsPositionAndReportsChanges) {
  CBitmap* strip = makeStrip(20, 77, 3);
  CVerticalSwitch* sw = add(new CVerticalSwitch(CRect(10, 10, 30, 87), &listener, 3, 3, 77, 3, strip));
  strip->forget();
  log.clear();
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(15, 40), kLButton));  // row 30
  frame->onMouseMoved(CPoint(15, 41), kLButton);                                // same position: no report
  frame->onMouseUp(CPoint(15, 41), 0);
  EventLog expected = {"begin 3", "host begin 3", "changed 3 0.5000", "host end 3", "end 3"};
  EXPECT_EQ(expected, log);

  COffscreenContext surface(frame, 200, 200);
  sw->draw(&surface);
  EXPECT_EQ(1, imageAt(surface, 20, 50));
  sw->setValue(1.0f);
  sw->draw(&surface);
  EXPECT_EQ(2, imageAt(surface, 20, 50));
  // Out-of-range values show the end images.
  sw->setValue(3.0f);
  EXPECT_EQ(2, sw->getImageIndex());
  sw->setValue(-1.0f);
  EXPECT_EQ(0, sw->getImageIndex());
}

TEST_F(ControlsTest, FiveArgumentSwitchTakesItsPositionsFromTheStrip) {
  CBitmap* strip = makeStrip(20, 30, 4);
  CVerticalSwitch* sw = add(new CVerticalSwitch(CRect(0, 0, 20, 30), &listener, 1, strip));
  strip->forget();
  EXPECT_EQ(4, sw->getMaxPositions());
  EXPECT_EQ(30, sw->getHeightOfOneImage());
  EXPECT_EQ(0.0f, sw->getDefaultValue());
  // 30 / 4 = 7.5 pixels per position: row 16 is the third position, 2 / 3.
  frame->onMouseDown(CPoint(5, 16), kLButton);
  EXPECT_FLOAT_EQ(2.0f / 3.0f, sw->getValue());
}

TEST_F(ControlsTest, ControlClickOnASwitchSetsZeroInsideOneGesture) {
  CVerticalSwitch* sw = add(new CVerticalSwitch(CRect(0, 0, 20, 77), &listener, 4, 3, 77, 3, nullptr));
  sw->setValue(1.0f);
  COffscreenContext surface(frame, 200, 200);
  sw->draw(&surface);  // as the idle pass would: the drawn value is the reference for changes
  log.clear();
  EXPECT_EQ(kMouseDownEventHandledButDontNeedMovedOrUpEvents,
            frame->onMouseDown(CPoint(5, 70), kLButton | kControl));
  EXPECT_EQ(0.0f, sw->getValue());
  EXPECT_EQ(std::count(log.begin(), log.end(), "begin 4"), std::count(log.begin(), log.end(), "end 4"));
  EXPECT_EQ(1, std::count(log.begin(), log.end(), "changed 4 0.0000"));
  // Control + Shift + left is an ordinary press.
  frame->onMouseDown(CPoint(5, 70), kLButton | kControl | kShift);
  EXPECT_EQ(1.0f, sw->getValue());
}

TEST_F(ControlsTest, SwitchIgnoresPressesWithoutTheLeftButtonAndNeverDividesByZero) {
  CVerticalSwitch* sw = add(new CVerticalSwitch(CRect(0, 0, 20, 77), nullptr, 4, 3, 77, 3, nullptr));
  EXPECT_EQ(kMouseEventNotHandled, sw->onMouseDown(CPoint(5, 70), kRButton));
  CVerticalSwitch* one = add(new CVerticalSwitch(CRect(30, 0, 50, 20), nullptr, 5, 1, 20, 1, nullptr));
  frame->onMouseDown(CPoint(35, 15), kLButton);
  EXPECT_EQ(0.0f, one->getValue());
  frame->onMouseUp(CPoint(35, 15), 0);
  CVerticalSwitch* empty = add(new CVerticalSwitch(CRect(60, 0, 80, 20), nullptr, 6, nullptr));
  frame->onMouseDown(CPoint(65, 15), kLButton);
  EXPECT_EQ(0.0f, empty->getValue());
  EXPECT_EQ(0, empty->getImageIndex());
}

// --- on/off button

TEST_F(ControlsTest, OnOffButtonFlipsByTheTruncatedValue) {
  COnOffButton* b = add(new COnOffButton(CRect(0, 0, 20, 20), &listener, 9, nullptr));
  b->setValue(0.7f);
  EXPECT_EQ(kMouseDownEventHandledButDontNeedMovedOrUpEvents, frame->onMouseDown(CPoint(5, 5), kLButton));
  EXPECT_EQ(1.0f, b->getValue());
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EXPECT_EQ(0.0f, b->getValue());
  b->setValue(-0.5f);
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EXPECT_EQ(1.0f, b->getValue());
  b->setValue(1.5f);
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EXPECT_EQ(0.0f, b->getValue());
  EXPECT_EQ(kMouseEventNotHandled, b->onMouseDown(CPoint(5, 5), kRButton));
  EXPECT_EQ(nullptr, frame->getMouseDownView());
}

TEST_F(ControlsTest, OnOffButtonStylesOrderTheListenerAroundTheIdlePass) {
  COnOffButton* pre = add(new COnOffButton(CRect(0, 0, 20, 20), &listener, 1, nullptr, kPreListenerUpdate));
  COnOffButton* post =
      add(new COnOffButton(CRect(30, 0, 50, 20), &listener, 2, nullptr, kPostListenerUpdate));
  platform->invalidated.clear();
  log.clear();
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EventLog preOrder = {"idle", "begin 1", "host begin 1", "changed 1 1.0000", "host end 1", "end 1"};
  EXPECT_EQ(preOrder, log);
  ASSERT_FALSE(platform->invalidated.empty());
  EXPECT_EQ(CRect(0, 0, 20, 20), platform->invalidated[0]);
  log.clear();
  frame->onMouseDown(CPoint(35, 5), kLButton);
  EventLog postOrder = {"begin 2", "host begin 2", "changed 2 1.0000", "host end 2", "end 2", "idle"};
  EXPECT_EQ(postOrder, log);
  EXPECT_EQ(1.0f, pre->getValue());
  EXPECT_EQ(1.0f, post->getValue());
}

TEST_F(ControlsTest, OnOffButtonDrawsTheOffImageAboveTheOnImage) {
  CBitmap* strip = makeStrip(20, 20, 2);
  COnOffButton* b = add(new COnOffButton(CRect(0, 0, 20, 20), nullptr, 1, strip));
  strip->forget();
  COffscreenContext surface(frame, 200, 200);
  b->draw(&surface);
  EXPECT_EQ(0, imageAt(surface, 10, 10));
  b->setValue(0.2f);  // anything but exactly 0 shows "on"
  b->draw(&surface);
  EXPECT_EQ(1, imageAt(surface, 10, 10));
}

// --- kick button

TEST_F(ControlsTest, KickButtonReleasedInsideReportsOneThenZero) {
  CKickButton* k = add(new CKickButton(CRect(0, 0, 20, 20), &listener, 8, 20, nullptr));
  log.clear();
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(5, 5), kLButton));
  EXPECT_EQ(1.0f, k->getValue());
  frame->onMouseMoved(CPoint(20, 20), kLButton);  // the edges count as inside
  EXPECT_EQ(1.0f, k->getValue());
  frame->onMouseUp(CPoint(20, 20), 0);
  EXPECT_EQ(0.0f, k->getValue());
  EventLog expected = {"begin 8",          "host begin 8", "changed 8 1.0000",
                       "changed 8 0.0000", "host end 8",   "end 8"};
  EXPECT_EQ(expected, log);
}

TEST_F(ControlsTest, KickButtonDraggedOutReportsOnlyZero) {
  CKickButton* k = add(new CKickButton(CRect(0, 0, 20, 20), &listener, 8, 20, nullptr));
  log.clear();
  frame->onMouseDown(CPoint(5, 5), kLButton);
  frame->onMouseMoved(CPoint(21, 5), kLButton);
  EXPECT_EQ(0.0f, k->getValue());
  frame->onMouseUp(CPoint(21, 5), 0);
  EventLog expected = {"begin 8", "host begin 8", "changed 8 0.0000", "host end 8", "end 8"};
  EXPECT_EQ(expected, log);
}

TEST_F(ControlsTest, KickButtonDrawsThePressedImageBelowAndClampsWhenDrawing) {
  CBitmap* strip = makeStrip(20, 20, 2);
  CKickButton* k = add(new CKickButton(CRect(0, 0, 20, 20), nullptr, 1, 20, strip));
  strip->forget();
  COffscreenContext surface(frame, 200, 200);
  k->draw(&surface);
  EXPECT_EQ(0, imageAt(surface, 10, 10));
  k->setValue(5.0f);
  k->draw(&surface);
  EXPECT_EQ(1, imageAt(surface, 10, 10));
  EXPECT_EQ(1.0f, k->getValue());
  EXPECT_EQ(kMouseEventNotHandled, k->onMouseDown(CPoint(5, 5), kRButton));
}

// --- movie bitmap

TEST_F(ControlsTest, MovieBitmapShowsTheRoundedImageAndClampsAboveOne) {
  CBitmap* strip = makeStrip(10, 10, 5);
  CMovieBitmap* m = add(new CMovieBitmap(CRect(0, 0, 10, 10), nullptr, 111, 5, 10, strip));
  strip->forget();
  COffscreenContext surface(frame, 200, 200);
  struct Case {
    float value;
    int image;
  } cases[] = {{0.0f, 0}, {-2.0f, 0}, {0.1f, 0}, {0.125f, 1}, {0.5f, 2}, {0.87f, 3}, {0.9f, 4}, {1.0f, 4}};
  for (const Case& c : cases) {
    m->setValue(c.value);
    m->draw(&surface);
    EXPECT_EQ(c.image, imageAt(surface, 5, 5)) << c.value;
  }
  m->setValue(1.7f);
  m->draw(&surface);
  EXPECT_EQ(4, imageAt(surface, 5, 5));
  EXPECT_EQ(1.0f, m->getValue());
  EXPECT_FALSE(m->isDirty());
  // No mouse handling of its own.
  EXPECT_EQ(kMouseEventNotImplemented, m->onMouseDown(CPoint(5, 5), kLButton));
}

TEST_F(ControlsTest, MovieBitmapWithAnEmptyStripStaysAtTheTop) {
  CMovieBitmap* m = add(new CMovieBitmap(CRect(0, 0, 10, 10), nullptr, 111, 0, 10, nullptr));
  m->setValue(1.0f);
  EXPECT_EQ(CPoint(0, 0), m->getImageOffset());
}

// --- double clicks

TEST_F(ControlsTest, SecondClickWithinTheDoubleClickTimeIsADoubleClick) {
  ScopedFakeClock fake;
  CMovieBitmap* m = add(new CMovieBitmap(CRect(0, 0, 10, 10), nullptr, 111, 1, 10, nullptr));
  EXPECT_FALSE(m->isDoubleClick());
  fake.clock.now += 100;
  EXPECT_TRUE(m->isDoubleClick());
  // The pair is used up: the next click starts a new one.
  fake.clock.now += 100;
  EXPECT_FALSE(m->isDoubleClick());
  // Too late (the window is at least 250 ms).
  fake.clock.now += 1000;
  EXPECT_FALSE(m->isDoubleClick());
}

// --- parameter display

void percent(float value, char* text) {
  std::snprintf(text, 16, "%d%%", static_cast<int>(value * 100));
}
void withUnit(float value, char* text, void* user) {
  std::snprintf(text, 32, "%.1f %s", value, static_cast<const char*>(user));
}

TEST_F(ControlsTest, DisplayFormatsWithTwoDecimalsOrItsConversionFunctions) {
  CParamDisplay* d = add(new CParamDisplay(CRect(0, 0, 60, 20)));
  char text[kParamDisplayTextSize];
  d->setValue(0.5f);
  d->getText(text);
  EXPECT_STREQ("0.50", text);
  d->setValue(-12.345f);
  d->getText(text);
  EXPECT_STREQ("-12.35", text);
  d->setStringConvert(percent);
  d->setValue(0.25f);
  d->getText(text);
  EXPECT_STREQ("25%", text);
  // The form with user data wins over the plain one.
  static const char unit[] = "dB";
  d->setStringConvert(withUnit, const_cast<char*>(unit));
  d->getText(text);
  EXPECT_STREQ("0.2 dB", text);
}

TEST_F(ControlsTest, DisplayDefaultsAndSettersMarkDirtyOnlyOnChange) {
  CParamDisplay* d = add(new CParamDisplay(CRect(0, 0, 60, 20)));
  EXPECT_EQ(kNormalFont, d->getFont());
  EXPECT_EQ(kWhiteCColor, d->getFontColor());
  EXPECT_EQ(kBlackCColor, d->getBackColor());
  EXPECT_EQ(kBlackCColor, d->getFrameColor());
  EXPECT_EQ(kRedCColor, d->getShadowColor());
  EXPECT_EQ(kCenterText, d->getHoriAlign());
  EXPECT_TRUE(d->getAntialias());
  EXPECT_TRUE(d->getTextTransparency());
  COffscreenContext surface(frame, 200, 200);
  d->draw(&surface);
  EXPECT_FALSE(d->isDirty());
  d->setFontColor(kWhiteCColor);
  d->setBackColor(kBlackCColor);
  d->setHoriAlign(kCenterText);
  EXPECT_FALSE(d->isDirty());
  d->setFontColor(kRedCColor);
  EXPECT_TRUE(d->isDirty());
  d->draw(&surface);
  d->setFont(kNormalFont);  // always marks
  EXPECT_TRUE(d->isDirty());
}

TEST_F(ControlsTest, OpaqueDisplayFillsFramesAndDrawsItsTextInside) {
  CParamDisplay* d = add(new CParamDisplay(CRect(10, 10, 110, 40)));
  d->setBackColor(CColor{0, 0, 200, 255});
  d->setFrameColor(CColor{0, 200, 0, 255});
  d->setFontColor(CColor{255, 255, 255, 255});
  d->setFont(kNormalFontBig);
  d->setValue(0.5f);
  COffscreenContext surface(frame, 200, 200);
  d->draw(&surface);
  EXPECT_EQ((Pixel{0, 200, 0, 255}), pixelAt(surface, 10, 10));  // one-pixel frame
  EXPECT_EQ((Pixel{0, 200, 0, 255}), pixelAt(surface, 109, 39));
  EXPECT_EQ((Pixel{200, 0, 0, 255}), pixelAt(surface, 12, 12));  // back colour inside
  EXPECT_FALSE(inked(surface, 9, 9));
  EXPECT_FALSE(inked(surface, 110, 40));
  // Some white text in the middle third, none near the left and right ends.
  int white = 0, whiteAtEnds = 0;
  for (int y = 11; y < 39; y++)
    for (int x = 11; x < 109; x++) {
      Pixel p = pixelAt(surface, x, y);
      if (p.r > 128 && p.g > 128 && p.b > 128) (x > 40 && x < 80 ? white : whiteAtEnds)++;
    }
  EXPECT_GT(white, 10);
  EXPECT_EQ(0, whiteAtEnds);
}

TEST_F(ControlsTest, DisplayStylesLeaveOutTheirParts) {
  COffscreenContext surface(frame, 200, 200);
  CParamDisplay* nothing = add(new CParamDisplay(CRect(0, 0, 50, 20), nullptr, kNoDrawStyle));
  EXPECT_FALSE(nothing->isDirty());
  nothing->draw(&surface);
  EXPECT_FALSE(inked(surface, 10, 10));

  CParamDisplay* noFrame = add(new CParamDisplay(CRect(0, 50, 50, 70), nullptr, kNoFrame | kNoTextStyle));
  noFrame->setBackColor(CColor{0, 0, 200, 255});
  noFrame->setFrameColor(CColor{0, 200, 0, 255});
  noFrame->draw(&surface);
  EXPECT_EQ((Pixel{200, 0, 0, 255}), pixelAt(surface, 0, 50));   // back colour up to the edge
  EXPECT_EQ((Pixel{200, 0, 0, 255}), pixelAt(surface, 25, 60));  // and no text

  CParamDisplay* sunken = add(new CParamDisplay(CRect(100, 100, 150, 130), nullptr, k3DIn | kNoTextStyle));
  sunken->setBackColor(CColor{0, 0, 200, 255});
  sunken->setFrameColor(CColor{0, 200, 0, 255});
  sunken->draw(&surface);
  // Sunken: left and top edges in the back colour, right and bottom in the frame colour
  // (the right one a pixel inside the display).
  EXPECT_EQ((Pixel{0, 200, 0, 255}), pixelAt(surface, 149, 115));
  EXPECT_EQ((Pixel{200, 0, 0, 255}), pixelAt(surface, 148, 115));

  CParamDisplay* see = add(new CParamDisplay(CRect(0, 150, 50, 170)));
  see->setTransparency(true);
  see->setStyle(kNoTextStyle);
  see->draw(&surface);
  EXPECT_FALSE(inked(surface, 25, 160));
}

TEST_F(ControlsTest, DisplayConversionWithoutTerminatorIsCutAtTheBuffer) {
  CParamDisplay* d = add(new CParamDisplay(CRect(0, 0, 50, 20)));
  d->setStringConvert([](float, char* text) { std::memset(text, 'x', kParamDisplayTextSize); });
  char text[kParamDisplayTextSize];
  d->getText(text);
  EXPECT_EQ(static_cast<size_t>(kParamDisplayTextSize - 1), std::strlen(text));
  COffscreenContext surface(frame, 200, 200);
  d->draw(&surface);
}

}  // namespace
