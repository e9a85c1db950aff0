// The editor in a real X11 window: pointer gestures injected through XTest on
// every knob, switch and button reach the host as begin-edit, automate and
// end-edit with the control's tag and values. Needs a display (Xvfb).
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) would break gtest's templates.
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
// clang-format on

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "editor_test_support.h"
#include "engine/parameter_ids.h"
#include "toolkit/cframe.h"

namespace {

bool haveDisplay() {
  const char* name = std::getenv("DISPLAY");
  return name && *name;
}

class EditorGestures : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveDisplay()) GTEST_SKIP() << "no DISPLAY: X11 gesture tests skipped";
    // A virtual server resets when its last client leaves and refuses connections
    // for a moment: retry briefly.
    for (int attempt = 0; attempt < 200 && !dpy; ++attempt) {
      dpy = XOpenDisplay(nullptr);
      if (!dpy) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(dpy, nullptr);
    parent = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 428, 405, 0, 0, 0);
    XMapWindow(dpy, parent);
    XSync(dpy, False);
    host.reset(new TestHost());
    fx = host->effect();
    ASSERT_EQ(fx->dispatcher(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent)), 0),
              1);
    gui = host->editor();
    ASSERT_NE(gui->getFrame(), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return !gui->getFrame()->isFirstDraw(); }));
    moveTo(420, 400);  // somewhere without a control
    pumpFor(10);
    host->record().clear();
  }
  void TearDown() override {
    if (!dpy) return;
    if (host) fx->dispatcher(effEditClose, 0, 0, nullptr, 0);
    host.reset();
    XDestroyWindow(dpy, parent);
    XCloseDisplay(dpy);
  }

  void idle() { fx->dispatcher(effEditIdle, 0, 0, nullptr, 0); }
  bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      idle();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }
  void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
  }
  // Pointer at (x, y) of the editor window.
  void moveTo(int x, int y) {
    Window child;
    int rootX = 0, rootY = 0;
    XTranslateCoordinates(dpy, parent, DefaultRootWindow(dpy), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rootX, rootY, CurrentTime);
    XSync(dpy, False);
  }
  void button(bool down) {
    XTestFakeButtonEvent(dpy, 1, down ? True : False, CurrentTime);
    XSync(dpy, False);
  }
  size_t endsFor(VstInt32 tag) const {
    size_t n = 0;
    for (const HostRequest& r : host->record().edits())
      if (r.opcode == audioMasterEndEdit && r.index == tag) ++n;
    return n;
  }
  void click(int x, int y, VstInt32 tag) {
    const size_t before = endsFor(tag);
    moveTo(x, y);
    pumpFor(5);
    button(true);
    pumpFor(5);
    button(false);
    EXPECT_TRUE(pumpUntil([&] { return endsFor(tag) > before; })) << "no end of edit for tag " << tag;
  }
  // The automate values of one gesture, checked to be bracketed by begin and end.
  std::vector<float> gesture(VstInt32 tag) {
    std::vector<HostRequest> edits = host->record().edits();
    std::vector<float> values;
    EXPECT_FALSE(edits.empty());
    if (edits.empty()) return values;
    EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(edits.front().index, tag);
    EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(edits.back().index, tag);
    for (const HostRequest& r : edits) {
      EXPECT_EQ(r.index, tag);
      if (r.opcode == audioMasterAutomate) values.push_back(r.value);
    }
    host->record().clear();
    return values;
  }

  Display* dpy = nullptr;
  Window parent = 0;
  std::unique_ptr<TestHost> host;
  MyVst* fx = nullptr;
  MyVstGUI* gui = nullptr;
};

TEST_F(EditorGestures, DraggingEachKnobUpAutomatesItsParameter) {
  // Knob rectangles' top-left corners and tags, from the panel's layout.
  const struct {
    int left, top;
    VstInt32 tag;
  } knobs[] = {{35, 54, 0},    {100, 54, 1},   {295, 155, 17}, {192, 155, 16}, {45, 260, 19},
               {295, 54, 2},   {355, 54, 4},   {145, 240, 9},  {353, 240, 25}, {325, 315, 26},
               {130, 155, 29}, {145, 315, 31}, {230, 315, 30}, {228, 57, 33}};
  for (const auto& k : knobs) {
    SCOPED_TRACE(k.tag);
    fx->setParameter(k.tag, 0.2f);
    const float start = gui->getControl(zarnith::layoutIndexOfTag(k.tag))->getValue();  // snapped for some
    pumpFor(5);
    host->record().clear();
    const int x = k.left + 24, y = k.top + 24;
    moveTo(x, y);
    pumpFor(5);
    button(true);
    pumpFor(5);
    // Linear mode: 200 pixels of upward movement cover the whole range.
    for (int step = 1; step <= 5; ++step) {
      moveTo(x, y - step * 8);
      pumpFor(5);
    }
    button(false);
    ASSERT_TRUE(pumpUntil([&] { return endsFor(k.tag) > 0; }));
    std::vector<float> values = gesture(k.tag);
    ASSERT_FALSE(values.empty());
    for (size_t i = 1; i < values.size(); ++i) EXPECT_GT(values[i], values[i - 1]);
    EXPECT_NEAR(values.back(), start + 40 / 200.0f, 1e-5);
    // The effect holds the scrambler offset in 32nds.
    const float held = k.tag == 31 ? static_cast<int>(values.back() * 32.0) / 32.0f : values.back();
    EXPECT_EQ(fx->getParameter(k.tag), held);
  }
}

TEST_F(EditorGestures, ClickingEachSwitchPositionAutomatesItsStep) {
  const struct {
    int left, top;
    VstInt32 tag;
  } switches[] = {{170, 47, 6}, {45, 144, 5}, {250, 144, 8}, {360, 144, 28}};
  for (const auto& s : switches) {
    SCOPED_TRACE(s.tag);
    fx->setParameter(s.tag, 1.0f);
    pumpFor(10);  // drawn at the bottom position
    host->record().clear();
    // Bands of a 77-row switch with three positions: rows 0-25, 26-51, 52-76. The
    // left part of the switch, clear of the filter-type lamps over its right edge.
    const int rows[] = {10, 38, 70};
    const float expected[] = {0.0f, 0.5f, 1.0f};
    for (int i = 0; i < 3; ++i) {
      click(s.left + 8, s.top + rows[i], s.tag);
      std::vector<float> values = gesture(s.tag);
      ASSERT_EQ(values.size(), 1u) << "position " << i;
      EXPECT_EQ(values[0], expected[i]);
      EXPECT_EQ(fx->getParameter(s.tag), expected[i]);
      pumpFor(10);
    }
  }
}

TEST_F(EditorGestures, ClickingEachOnOffButtonTogglesItsParameter) {
  const struct {
    int x, y;
    VstInt32 tag;
  } buttons[] = {{298, 145, 7},  {45, 250, 10},  {297, 275, 23},
                 {297, 247, 24}, {210, 305, 32}, {393, 360, 42}};  // bypass: below its lamp
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.tag);
    fx->setParameter(b.tag, 0.0f);
    pumpFor(10);
    host->record().clear();
    click(b.x, b.y, b.tag);
    std::vector<float> on = gesture(b.tag);
    ASSERT_EQ(on.size(), 1u);
    EXPECT_EQ(on[0], 1.0f);
    pumpFor(10);
    click(b.x, b.y, b.tag);
    std::vector<float> off = gesture(b.tag);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0], 0.0f);
  }
  fx->setParameter(zarnith::kParamBypass, 0.0f);
}

TEST_F(EditorGestures, RandomiseButtonReportsOneThenZero) {
  click(73, 360, 34);
  std::vector<float> values = gesture(34);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0], 1.0f);
  EXPECT_EQ(values[1], 0.0f);

  // Pressed, dragged away and released outside: only the 0.
  moveTo(73, 360);
  pumpFor(5);
  button(true);
  pumpFor(5);
  moveTo(150, 360);
  pumpFor(5);
  button(false);
  ASSERT_TRUE(pumpUntil([&] { return endsFor(34) > 0; }));
  values = gesture(34);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0], 0.0f);
}

TEST_F(EditorGestures, ScramblerDryButtonIsSeventeenRowsTall) {
  // Rows 285 and 286 lie under the button's picture but outside its rectangle.
  moveTo(297, 286);
  pumpFor(5);
  button(true);
  pumpFor(10);
  button(false);
  pumpFor(20);
  EXPECT_TRUE(host->record().edits().empty());
  EXPECT_EQ(fx->getParameter(zarnith::kParamScramblerDry), 0.0f);
}

TEST_F(EditorGestures, EditorRequestsInAnyOrderAndClosingTheEffectWithItsWindowOpen) {
  void* window = reinterpret_cast<void*>(static_cast<uintptr_t>(parent));
  // Open again while open, close twice, idle when closed, open again.
  EXPECT_EQ(fx->dispatcher(effEditOpen, 0, 0, window, 0), 1);
  pumpFor(20);
  fx->dispatcher(effEditClose, 0, 0, nullptr, 0);
  fx->dispatcher(effEditClose, 0, 0, nullptr, 0);
  idle();
  EXPECT_EQ(gui->getFrame(), nullptr);
  EXPECT_EQ(fx->dispatcher(effEditOpen, 0, 0, window, 0), 1);
  ASSERT_TRUE(pumpUntil([&] { return !gui->getFrame()->isFirstDraw(); }));
  // The host destroys the effect without closing the window: the editor closes it.
  host.reset();
  fx = nullptr;
  XSync(dpy, False);
  // The parent window is still there and usable.
  XWindowAttributes attributes;
  EXPECT_NE(XGetWindowAttributes(dpy, parent, &attributes), 0);
}

}  // namespace
