// Pointer, wheel and key input injected through XTest reaching the views, and the edit requests
// a drag sends to the host.
#include "x11_test_host.h"
// clang-format off
#include <X11/keysym.h>
// clang-format on

#include <X11/extensions/XTest.h>

#include "toolkit/platform/x11/x11_connection.h"

using namespace x11test;

namespace {

class X11PointerTest : public EmbeddedEditorTest {
 protected:
  void SetUp() override {
    EmbeddedEditorTest::SetUp();
    if (setUpFailed()) return;
    openEditor();
    if (setUpFailed()) return;
    window = editor->frameWindow();
    ASSERT_TRUE(pumpUntil(editor, [&] { return !editor->getFrame()->isFirstDraw(); }));
    // Start from a known place with nothing held.
    host->moveTo(window, 250, 180);
    pumpFor(editor, 5);
    probe()->events.clear();
  }

  ProbeView* probe() { return editor->probe; }
  // A click of button at (x, y) of the frame, waiting until the view has seen the release.
  void click(unsigned int button, int x, int y, ProbeView* view) {
    const int ups = view->countOf(ProbeEvent::kUp);
    host->moveTo(window, x, y);
    host->button(button, true);
    host->button(button, false);
    EXPECT_TRUE(pumpUntil(editor, [&] { return view->countOf(ProbeEvent::kUp) > ups; }));
  }
  bool pointerGrabbedByOthers() {
    // Another client's grab makes ours fail: that is how the test sees the editor's capture.
    const int status = XGrabPointer(host->display(), DefaultRootWindow(host->display()), False,
                                    ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) XUngrabPointer(host->display(), CurrentTime);
    host->sync();
    return status == AlreadyGrabbed;
  }

  Window window = 0;
};

}  // namespace

TEST_F(X11PointerTest, PressMoveReleaseReachTheViewWithTheButtonAndTheGrab) {
  host->moveTo(window, 30, 20);
  host->button(1, true);
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kDown) == 1; }));
  const ProbeEvent* down = probe()->last(ProbeEvent::kDown);
  EXPECT_EQ(down->where, CPoint(30, 20));
  EXPECT_EQ(down->buttons, kLButton);
  const int exits = probe()->countOf(ProbeEvent::kExited);  // the press ends the mouse-over
  // The handled press captured the pointer.
  EXPECT_TRUE(pointerGrabbedByOthers());

  // Moves go to the pressed view, even outside the editor's window.
  host->moveTo(window, 60, 40);
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kMoved) >= 1; }));
  EXPECT_EQ(probe()->last(ProbeEvent::kMoved)->where, CPoint(60, 40));
  EXPECT_EQ(probe()->last(ProbeEvent::kMoved)->buttons, kLButton);
  host->moveTo(window, 350, 250);
  ASSERT_TRUE(
      pumpUntil(editor, [&] { return probe()->last(ProbeEvent::kMoved)->where == CPoint(350, 250); }));
  host->button(1, false);
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kUp) == 1; }));
  EXPECT_EQ(probe()->countOf(ProbeEvent::kExited), exits);  // a drag across the edge is no leave
  EXPECT_EQ(probe()->last(ProbeEvent::kUp)->where, CPoint(350, 250));
  EXPECT_EQ(probe()->last(ProbeEvent::kUp)->buttons, 0);  // nothing is held once released
  EXPECT_FALSE(pointerGrabbedByOthers());
}

TEST_F(X11PointerTest, PressNotNeedingMovesCapturesNothing) {
  probe()->downResult = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
  host->moveTo(window, 30, 20);
  host->button(1, true);
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kDown) == 1; }));
  host->sync();
  // Only the implicit grab of the held button remains: it ends with the release.
  host->button(1, false);
  pumpFor(editor, 20);
  EXPECT_EQ(probe()->countOf(ProbeEvent::kUp), 0);
  EXPECT_FALSE(pointerGrabbedByOthers());
}

TEST_F(X11PointerTest, ButtonsAndModifiers) {
  host->key(XK_Shift_L, true);
  host->key(XK_Control_L, true);
  click(3, 20, 20, probe());
  host->key(XK_Control_L, false);
  host->key(XK_Shift_L, false);
  EXPECT_EQ(probe()->last(ProbeEvent::kDown)->buttons, kRButton | kShift | kControl);

  host->key(XK_Alt_L, true);
  click(2, 20, 20, probe());
  host->key(XK_Alt_L, false);
  EXPECT_EQ(probe()->last(ProbeEvent::kDown)->buttons, kMButton | kAlt);

  click(8, 40, 20, probe());
  EXPECT_EQ(probe()->last(ProbeEvent::kDown)->buttons, kButton4);
  click(9, 60, 20, probe());
  EXPECT_EQ(probe()->last(ProbeEvent::kDown)->buttons, kButton5);

  // Live state while a button is held.
  host->moveTo(window, 20, 20);
  host->button(1, true);
  host->key(XK_Shift_L, true);
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kDown) == 5; }));
  EXPECT_EQ(editor->getFrame()->getCurrentMouseButtons(), kLButton | kShift);
  CPoint where;
  EXPECT_TRUE(editor->getFrame()->getCurrentMouseLocation(where));
  EXPECT_EQ(where, CPoint(20, 20));
  host->key(XK_Shift_L, false);
  host->button(1, false);
  pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kUp) == 5; });
}

TEST_F(X11PointerTest, SwappedButtonsReportLogicalButtons) {
  Display* dpy = host->display();
  unsigned char saved[32];
  const int count = XGetPointerMapping(dpy, saved, 32);
  ASSERT_GE(count, 3);
  unsigned char swapped[32];
  for (int i = 0; i < count; ++i) swapped[i] = saved[i];
  swapped[0] = 3;
  swapped[2] = 1;
  ASSERT_EQ(XSetPointerMapping(dpy, swapped, count), MappingSuccess);
  host->sync();
  // The physical right button is the logical left one, for events and for the live state.
  host->moveTo(window, 20, 20);
  XTestFakeButtonEvent(dpy, 3, True, CurrentTime);
  host->sync();
  const bool pressed = pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kDown) == 1; });
  const int32_t live = editor->getFrame()->getCurrentMouseButtons();
  XTestFakeButtonEvent(dpy, 3, False, CurrentTime);
  XSetPointerMapping(dpy, saved, count);
  host->sync();
  ASSERT_TRUE(pressed);
  EXPECT_EQ(probe()->last(ProbeEvent::kDown)->buttons, kLButton);
  EXPECT_EQ(live, kLButton);
  pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kUp) == 1; });
}

TEST_F(X11PointerTest, DoubleClickIsTheSecondPressOfAQuickPair) {
  click(1, 30, 30, probe());
  click(1, 31, 30, probe());
  click(1, 31, 30, probe());
  ASSERT_EQ(probe()->countOf(ProbeEvent::kDown), 3);
  std::vector<int32_t> downs;
  for (const ProbeEvent& e : probe()->events)
    if (e.kind == ProbeEvent::kDown) downs.push_back(e.buttons);
  EXPECT_EQ(downs, (std::vector<int32_t>{kLButton, kLButton | kDoubleClick, kLButton}));
  // Too far apart in space: two single clicks.
  probe()->events.clear();
  click(1, 80, 30, probe());
  click(1, 90, 30, probe());
  for (const ProbeEvent& e : probe()->events) {
    if (e.kind == ProbeEvent::kDown) {
      EXPECT_EQ(e.buttons, kLButton);
    }
  }
}

TEST_F(X11PointerTest, WheelNotchesWithModifiers) {
  host->moveTo(window, 50, 120);  // over the second probe
  ProbeView* view = editor->probe2;
  view->events.clear();
  host->button(4, true);
  host->button(4, false);
  host->key(XK_Shift_L, true);
  host->button(5, true);
  host->button(5, false);
  host->key(XK_Shift_L, false);
  host->button(6, true);
  host->button(6, false);
  host->button(7, true);
  host->button(7, false);
  ASSERT_TRUE(pumpUntil(editor, [&] { return view->countOf(ProbeEvent::kWheel) == 4; }));
  std::vector<std::pair<int32_t, float>> notches;
  std::vector<int32_t> buttons;
  for (const ProbeEvent& e : view->events)
    if (e.kind == ProbeEvent::kWheel) {
      notches.emplace_back(e.axis, e.distance);
      buttons.push_back(e.buttons);
      EXPECT_EQ(e.where, CPoint(50, 120));
    }
  EXPECT_EQ(notches, (std::vector<std::pair<int32_t, float>>{{kMouseWheelAxisY, 1.f},
                                                             {kMouseWheelAxisY, -1.f},
                                                             {kMouseWheelAxisX, -1.f},
                                                             {kMouseWheelAxisX, 1.f}}));
  EXPECT_EQ(buttons, (std::vector<int32_t>{0, kShift, 0, 0}));
  // Wheel notches are no presses.
  EXPECT_EQ(view->countOf(ProbeEvent::kDown), 0);
}

TEST_F(X11PointerTest, KnobDragSendsBeginAutomateEndToTheHost) {
  hostCalls().clear();
  const int knobDraws = editor->knob->drawCount, probeDraws = probe()->drawCount + editor->probe2->drawCount;
  host->moveTo(window, 175, 80);
  host->button(1, true);
  pumpFor(editor, 10);
  host->moveTo(window, 175, 70);
  pumpFor(editor, 10);
  host->moveTo(window, 175, 40);  // 40 pixels up from the press: +0.2
  pumpFor(editor, 10);
  host->button(1, false);
  ASSERT_TRUE(pumpUntil(
      editor, [&] { return !hostCalls().empty() && hostCalls().back().opcode == audioMasterEndEdit; }));
  std::vector<HostCall> edits;
  for (const HostCall& c : hostCalls())
    if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate || c.opcode == audioMasterEndEdit)
      edits.push_back(c);
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(edits.front().index, 1);
  EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(edits.back().index, 1);
  for (size_t i = 1; i + 1 < edits.size(); ++i) {
    EXPECT_EQ(edits[i].opcode, audioMasterAutomate);
    EXPECT_EQ(edits[i].index, 1);
  }
  EXPECT_FLOAT_EQ(edits[edits.size() - 2].opt, 0.5f + 40.f / 200.f);
  EXPECT_FLOAT_EQ(effect->getParameter(1), 0.7f);
  // The knob was repainted while it moved, and nothing else was.
  EXPECT_GE(editor->knob->drawCount, knobDraws + 2);
  EXPECT_EQ(probe()->drawCount + editor->probe2->drawCount, probeDraws);
  // The knob keeps the focus: arrow keys forwarded by the host reach it.
  EXPECT_EQ(editor->getFrame()->getFocusView(), editor->knob);
}

TEST_F(X11PointerTest, LeavingTheWindowReachesTheViewUnderThePointer) {
  host->moveTo(window, 20, 20);
  host->moveTo(window, 22, 22);
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kEntered) == 1; }));
  host->moveTo(window, 350, 250);  // inside the host's window, outside ours
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kExited) == 1; }));
}

TEST_F(X11PointerTest, KeysAfterAClickGoToTheFocusView) {
  // Before any click, keys are the host's: nothing reaches the editor.
  host->moveTo(window, 30, 30);
  host->key(XK_Left, true);
  host->key(XK_Left, false);
  pumpFor(editor, 20);
  EXPECT_EQ(probe()->countOf(ProbeEvent::kKeyDown), 0);

  click(1, 30, 30, probe());
  editor->getFrame()->setFocusView(probe());
  const KeySym keys[] = {XK_Left, XK_Up, XK_Right, XK_Down};
  for (KeySym k : keys) {
    host->key(k, true);
    host->key(k, false);
  }
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kKeyUp) == 4; }));
  std::vector<int> virts;
  for (const ProbeEvent& e : probe()->events)
    if (e.kind == ProbeEvent::kKeyDown) virts.push_back(e.key.virt);
  EXPECT_EQ(virts, (std::vector<int>{11, 12, 13, 14}));

  // Tab moves the focus to the next view that wants it.
  host->key(XK_Tab, true);
  host->key(XK_Tab, false);
  ASSERT_TRUE(pumpUntil(editor, [&] { return editor->getFrame()->getFocusView() != probe(); }));
  EXPECT_EQ(editor->getFrame()->getFocusView(), editor->probe2);
}

TEST_F(X11PointerTest, IdlePumpPaintsWhileAViewHoldsThePress) {
  // A view that keeps the press to itself, invalidating another view and pumping idle in a
  // loop: the pump paints the invalidated view at once and handles no other event meanwhile.
  ProbeView* other = editor->probe2;
  int drawsDuringPress = -1;
  int pressesSeen = -1;
  probe()->whilePressed = [&] {
    if (drawsDuringPress >= 0) return;  // only the first press runs the loop
    const int before = other->drawCount;
    other->invalid();
    host->button(3, true);  // an event arriving during the loop waits for the loop's end
    host->button(3, false);
    for (int i = 0; i < 3; ++i) {
      editor->doIdleStuff();
      AEffGUIEditor::wait(110);  // past the pump's 100 ms limit: each pass runs in full
    }
    drawsDuringPress = other->drawCount - before;
    pressesSeen = probe()->countOf(ProbeEvent::kDown);
  };
  host->moveTo(window, 30, 20);
  host->button(1, true);
  ASSERT_TRUE(pumpUntil(editor, [&] { return drawsDuringPress >= 0; }));
  EXPECT_GE(drawsDuringPress, 1);
  EXPECT_EQ(pressesSeen, 1);
  host->button(1, false);
  // Afterwards the right click queued during the loop is handled as usual.
  ASSERT_TRUE(pumpUntil(editor, [&] { return probe()->countOf(ProbeEvent::kDown) >= 2; }));
  EXPECT_TRUE(probe()->last(ProbeEvent::kDown)->buttons & kRButton);
  probe()->whilePressed = nullptr;
}
