// The window as the host opens it: every control's class, place, tag, picture
// frame size and starting value, read back through the frame's views.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "editor_test_support.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cfont.h"
#include "toolkit/cframe.h"
#include "toolkit/cparamdisplay.h"
#include "tools/host_time.h"

namespace {

struct Expected {
  const char* className;
  int32_t left, top, right, bottom;
  int32_t tag;     // -1: a readout, which has none
  int32_t imageH;  // height of one picture; 0 for readouts
};

// The panel as drawn up for the musician, in creation (and drawing) order.
const Expected kPanel[34] = {
    {"CAnimKnob", 35, 54, 84, 102, 0, 48},         {"CAnimKnob", 100, 54, 149, 102, 1, 48},
    {"COnOffButton", 288, 135, 308, 155, 7, 0},    {"CVerticalSwitch", 170, 47, 195, 124, 6, 77},
    {"CVerticalSwitch", 45, 144, 70, 221, 5, 77},  {"CVerticalSwitch", 250, 144, 275, 221, 8, 77},
    {"CAnimKnob", 295, 155, 344, 203, 17, 48},     {"CAnimKnob", 192, 155, 241, 203, 16, 48},
    {"CAnimKnob", 45, 260, 94, 308, 19, 48},       {"CAnimKnob", 295, 54, 344, 102, 2, 48},
    {"CAnimKnob", 355, 54, 404, 102, 4, 48},       {"CAnimKnob", 145, 240, 194, 288, 9, 48},
    {"COnOffButton", 35, 240, 55, 260, 10, 0},     {"COnOffButton", 287, 267, 307, 284, 23, 0},
    {"COnOffButton", 287, 237, 307, 257, 24, 0},   {"CAnimKnob", 353, 240, 402, 288, 25, 48},
    {"CAnimKnob", 325, 315, 374, 363, 26, 48},     {"CParamDisplay", 35, 115, 84, 125, -1, 0},
    {"CParamDisplay", 295, 212, 344, 222, -1, 0},  {"CVerticalSwitch", 360, 144, 385, 221, 28, 77},
    {"CAnimKnob", 130, 155, 179, 203, 29, 48},     {"CAnimKnob", 145, 315, 194, 363, 31, 48},
    {"CAnimKnob", 230, 315, 279, 363, 30, 48},     {"COnOffButton", 200, 295, 220, 315, 32, 0},
    {"CParamDisplay", 144, 370, 193, 380, -1, 0},  {"CAnimKnob", 228, 57, 277, 105, 33, 48},
    {"CMovieBitmap", 190, 60, 200, 70, 111, 10},   {"CMovieBitmap", 190, 87, 200, 97, 111, 10},
    {"CMovieBitmap", 190, 114, 200, 124, 111, 10}, {"CKickButton", 60, 320, 87, 377, 34, 57},
    {"CMovieBitmap", 280, 350, 290, 360, 111, 10}, {"CMovieBitmap", 270, 115, 280, 125, 111, 10},
    {"COnOffButton", 380, 320, 407, 377, 42, 0},   {"CMovieBitmap", 381, 310, 404, 333, 111, 23},
};

const char* const kClasses[] = {"CAnimKnob",   "COnOffButton", "CVerticalSwitch",
                                "CKickButton", "CMovieBitmap", "CParamDisplay"};

std::string text(CControl* c) {
  char buffer[kParamDisplayTextSize];
  static_cast<CParamDisplay*>(c)->getText(buffer);
  return buffer;
}

class Layout : public ::testing::Test {
 protected:
  TestHost host;
  MyVstGUI* gui = host.editor();
  CFrame* frame() const { return gui->getFrame(); }
};

TEST_F(Layout, WindowSizeIsKnownBeforeOpening) {
  ERect* r = nullptr;
  ASSERT_TRUE(gui->getRect(&r));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->left, 0);
  EXPECT_EQ(r->top, 0);
  EXPECT_EQ(r->right, 428);
  EXPECT_EQ(r->bottom, 405);
  EXPECT_EQ(frame(), nullptr);
  EXPECT_EQ(gui->getControl(0), nullptr);
}

TEST_F(Layout, EveryControlInItsPlaceWithItsClassTagAndPicture) {
  ASSERT_TRUE(gui->open(nullptr));
  ASSERT_NE(frame(), nullptr);
  CRect frameSize;
  frame()->getViewSize(frameSize);
  EXPECT_EQ(frameSize.width(), 428);
  EXPECT_EQ(frameSize.height(), 405);
  ASSERT_EQ(frame()->getNbViews(), 34);
  for (int i = 0; i < 34; ++i) {
    SCOPED_TRACE(i + 1);
    const Expected& e = kPanel[i];
    CView* view = frame()->getView(i);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isTypeOf(e.className)) << e.className;
    for (const char* other : kClasses)
      if (std::strcmp(other, e.className) != 0) {
        EXPECT_FALSE(view->isTypeOf(other)) << other;
      }
    const CRect& r = view->getViewSize();
    EXPECT_EQ(r.left, e.left);
    EXPECT_EQ(r.top, e.top);
    EXPECT_EQ(r.right, e.right);
    EXPECT_EQ(r.bottom, e.bottom);
    auto* control = dynamic_cast<CControl*>(view);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control, gui->getControl(i));
    if (e.tag >= 0) {
      EXPECT_EQ(control->getTag(), e.tag);
    }
    if (e.imageH > 0) {
      auto* multi = dynamic_cast<IMultiBitmapControl*>(view);
      ASSERT_NE(multi, nullptr);
      EXPECT_EQ(multi->getHeightOfOneImage(), e.imageH);
    }
    // Operable controls draw opaque; every one that shows a picture has it.
    if (e.tag >= 0 && e.tag != 111) {
      EXPECT_FALSE(view->getTransparency());
      EXPECT_EQ(control->getListener(), gui);
    }
    if (e.tag == 111) {
      EXPECT_EQ(control->getListener(), gui);
    }
    if (e.imageH > 0 || std::strcmp(e.className, "COnOffButton") == 0) {
      ASSERT_NE(view->getBackground(), nullptr);
      EXPECT_TRUE(view->getBackground()->isLoaded());
    }
  }
  EXPECT_EQ(gui->getKnobMode(), 2);
  gui->close();
}

TEST_F(Layout, StartingValuesComeFromTheEffect) {
  MyVst* fx = host.effect();
  // Move away from the factory values so that every reading is distinguishable.
  fx->setParameter(0, 0.25f);
  fx->setParameter(9, 0.61f);
  fx->setParameter(31, 0.53f);
  fx->setParameter(17, 0.5f);
  fx->setParameter(8, 0.5f);
  ASSERT_TRUE(gui->open(nullptr));
  for (int i = 0; i < 34; ++i) {
    const Expected& e = kPanel[i];
    if (e.tag < 0 || e.tag == 111) continue;
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(gui->getControl(i)->getValue(), fx->getParameter(e.tag));  // as read, not snapped
  }
  // Readouts: 0.25 x 20000 hertz; rate 0.5 at x 10 free-running; 0.53 x 32 = 16.96 steps.
  EXPECT_EQ(gui->getControl(17)->getValue(), 5000.0f);
  EXPECT_EQ(text(gui->getControl(17)), "5000 Hz");
  EXPECT_EQ(gui->getControl(18)->getValue(), 5.0f);
  EXPECT_EQ(text(gui->getControl(18)), "5.000 Hz");
  EXPECT_EQ(gui->getControl(24)->getValue(), 16.0f);
  EXPECT_EQ(text(gui->getControl(24)), "0");
  gui->close();
}

TEST_F(Layout, ReadoutsAreGreenNinePixelArialInABlackBox) {
  ASSERT_TRUE(gui->open(nullptr));
  for (int i : {17, 18, 24}) {
    auto* d = static_cast<CParamDisplay*>(gui->getControl(i));
    EXPECT_EQ(d->getFontColor(), MakeCColor(0, 255, 0, 255));
    ASSERT_NE(d->getFont(), nullptr);
    EXPECT_STREQ(d->getFont()->getName(), "Arial");
    EXPECT_EQ(d->getFont()->getSize(), 9);
    EXPECT_EQ(d->getFont()->getStyle(), 0);
    EXPECT_EQ(d->getStyle(), 1);
    EXPECT_EQ(d->getBackColor(), MakeCColor(0, 0, 0, 255));
    EXPECT_EQ(d->getListener(), nullptr);
    EXPECT_EQ(d->getBackground(), nullptr);
  }
  gui->close();
}

TEST_F(Layout, LampsStartFromTheEffectsState) {
  // Factory state: Filter Type 0.5 (band-pass), no silencing, no random type, not bypassed.
  ASSERT_TRUE(gui->open(nullptr));
  EXPECT_EQ(gui->getControl(26)->getValue(), 0.0f);
  EXPECT_EQ(gui->getControl(27)->getValue(), 1.0f);
  EXPECT_EQ(gui->getControl(28)->getValue(), 0.0f);
  EXPECT_EQ(gui->getControl(30)->getValue(), 0.0f);  // silenceLed
  EXPECT_EQ(gui->getControl(31)->getValue(), 0.0f);  // randBeatLed
  EXPECT_EQ(gui->getControl(33)->getValue(), 1.0f);  // bypassLed lit: the effect runs
  gui->close();

  // Changed while the window was closed: the lamps still tell the truth on reopening.
  MyVst* fx = host.effect();
  fx->setParameter(6, 1.0f);
  fx->setParameter(30, 0.2f);
  fx->setParameter(33, 0.5f);
  fx->setParameter(42, 1.0f);
  ASSERT_TRUE(gui->open(nullptr));
  EXPECT_EQ(gui->getControl(26)->getValue(), 0.0f);
  EXPECT_EQ(gui->getControl(27)->getValue(), 0.0f);
  EXPECT_EQ(gui->getControl(28)->getValue(), 1.0f);
  EXPECT_EQ(gui->getControl(30)->getValue(), 1.0f);
  EXPECT_EQ(gui->getControl(31)->getValue(), 1.0f);
  EXPECT_EQ(gui->getControl(33)->getValue(), 0.0f);
  gui->close();
}

TEST_F(Layout, LampsAfterReopeningShowTheScramblersRandomType) {
  MyVst* fx = host.effect();
  fx->setParameter(33, 1.0f);  // a random filter type 64 times a bar
  std::vector<float> in(512, 0.1f), out(512);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data()};
  for (int block = 0; block < 12; ++block) {
    fx->processReplacing(ins, outs, 512);
    zarnith::advanceHostTime(*testTimeInfo(), 512);
  }
  // The random types are 0, 1/3 and 2/3 (low, band, high pass).
  const float type = fx->getParameter(6);
  const int k = static_cast<int>(type * 3.0 + 0.5);
  ASSERT_EQ(type, static_cast<float>(k / 3.0));
  ASSERT_TRUE(gui->open(nullptr));
  for (int lamp = 0; lamp < 3; ++lamp)
    EXPECT_EQ(gui->getControl(26 + lamp)->getValue(), lamp == k ? 1.0f : 0.0f);
  gui->close();
}

TEST_F(Layout, LaterControlsCoverEarlierOnes) {
  ASSERT_TRUE(gui->open(nullptr));
  // The LP lamp sits over the filter switch's right edge, the bypass lamp over the
  // bypass button's top: a press there finds the lamp's view first.
  CView* switchView = gui->getControl(3);
  CView* lamp = gui->getControl(26);
  EXPECT_TRUE(switchView->getViewSize().rectOverlap(lamp->getViewSize()));
  EXPECT_TRUE(gui->getControl(32)->getViewSize().rectOverlap(gui->getControl(33)->getViewSize()));
  int switchAt = -1, lampAt = -1;
  for (int i = 0; i < frame()->getNbViews(); ++i) {
    if (frame()->getView(i) == switchView) switchAt = i;
    if (frame()->getView(i) == lamp) lampAt = i;
  }
  EXPECT_LT(switchAt, lampAt);
  gui->close();
}

TEST_F(Layout, ClosingDropsEveryViewAndImageItMade) {
  const int32_t before = CBaseObject::getNbLivingObjects();
  for (int cycle = 0; cycle < 5; ++cycle) {
    ASSERT_TRUE(gui->open(nullptr));
    ASSERT_EQ(frame()->getNbViews(), 34);
    gui->idle();
    gui->close();
    EXPECT_EQ(frame(), nullptr);
    for (int i = 0; i < 34; ++i) EXPECT_EQ(gui->getControl(i), nullptr);
    EXPECT_EQ(CBaseObject::getNbLivingObjects(), before) << "cycle " << cycle;
  }
}

TEST_F(Layout, ReopeningTakesValuesAfresh) {
  ASSERT_TRUE(gui->open(nullptr));
  gui->close();
  host.effect()->setParameter(1, 0.9f);  // while closed: the editor keeps nothing
  ASSERT_TRUE(gui->open(nullptr));
  EXPECT_EQ(gui->getControl(1)->getValue(), 0.9f);
  gui->close();
}

TEST_F(Layout, RequestsInAnyOrderAreSafe) {
  gui->idle();
  gui->close();
  gui->setParameter(0, 0.3f);
  ASSERT_TRUE(gui->open(nullptr));
  ASSERT_TRUE(gui->open(nullptr));  // a second open rebuilds
  EXPECT_EQ(frame()->getNbViews(), 34);
  gui->idle();
  gui->close();
  gui->close();
  gui->idle();
}

TEST(EditorLifetime, EffectClosedWithItsWindowOpenClosesTheWindowFirst) {
  const int32_t before = CBaseObject::getNbLivingObjects();
  {
    TestHost host;
    ASSERT_TRUE(host.editor()->open(nullptr));
  }
  EXPECT_EQ(CBaseObject::getNbLivingObjects(), before);
}

}  // namespace
