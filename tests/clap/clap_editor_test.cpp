// zarnith.clap's editor embedded in a host's X11 window through set_parent: idled by
// the host's timer (or main-thread callbacks without one), and a knob drag reaching the
// host as a gesture with its values. Needs a display (Xvfb).
#include <chrono>
#include <thread>

#include "clap_test_support.h"
#include "x11_test_host.h"

namespace {

class ClapEditor : public ClapFixture {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    ClapFixture::SetUp();
    x11.reset(new x11test::TestHost());
    parent = x11->createWindow(428, 405);
  }
  void TearDown() override {
    host.reset();
    x11.reset();
    ClapFixture::TearDown();
  }

  // Creates the plug-in and opens its editor in the host's window.
  void open() {
    host = create();
    gui = host->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
    const clap_plugin_t* p = host->plugin();
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    clap_window_t window{CLAP_WINDOW_API_X11, {nullptr}};
    window.x11 = parent;
    ASSERT_TRUE(gui->set_parent(p, &window));
    EXPECT_FALSE(gui->set_parent(p, &window));  // once only
    ASSERT_TRUE(gui->show(p));
  }

  // What a host's main loop does: timers and callbacks, and the flush asked for.
  void pump() {
    host->pumpMainThread();
    if (host->flushRequests.exchange(0) > 0) {
      flushes++;
      ClapEvents none;
      params(*host)->flush(host->plugin(), &none.list, host->outEvents());
    }
    for (const ClapOutEvent& e : host->takeOutEvents()) events.push_back(e);
  }
  void pumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  void dragFreqUp() {
    x11->moveTo(parent, 60, 78);  // the Freq knob
    pumpFor(30);
    x11->button(1, true);
    pumpFor(20);
    for (int y = 76; y >= 56; y -= 4) {
      x11->moveTo(parent, 60, y);
      pumpFor(10);
    }
    x11->button(1, false);
    pumpFor(60);
  }

  std::unique_ptr<x11test::TestHost> x11;
  Window parent = 0;
  std::unique_ptr<ClapHost> host;
  const clap_plugin_gui_t* gui = nullptr;
  std::vector<ClapOutEvent> events;
  int flushes = 0;
};

}  // namespace

TEST_F(ClapEditor, KnobDragReachesTheHostAsGestureAndValues) {
  open();
  ASSERT_EQ(host->timers().size(), 1u);
  EXPECT_GT(host->timerPeriod(host->timers()[0]), 0u);
  pumpFor(100);
  events.clear();
  const double before = value(*host, 0);
  dragFreqUp();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(events.back().type, CLAP_EVENT_PARAM_GESTURE_END);
  double last = before;
  for (const ClapOutEvent& e : events) {
    EXPECT_EQ(e.paramId, 0u);
    if (e.type == CLAP_EVENT_PARAM_VALUE) {
      EXPECT_GT(e.value, last);
      last = e.value;
    }
  }
  EXPECT_GT(last, before);
  EXPECT_EQ(value(*host, 0), last);  // the effect holds what the host was told
  // Outside processing the edits waited for the flush the plug-in asked for.
  EXPECT_GT(flushes, 0);
  gui->destroy(host->plugin());
  EXPECT_TRUE(host->timers().empty());
}

TEST_F(ClapEditor, WithoutTimersTheEditorIsIdledByMainThreadCallbacks) {
  ClapHost::nextOffers().timers = false;
  open();
  EXPECT_TRUE(host->timers().empty());
  EXPECT_GE(host->callbackRequests, 1);
  dragFreqUp();
  EXPECT_GE(host->callbackRequests, 10);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(events.back().type, CLAP_EVENT_PARAM_GESTURE_END);
}
