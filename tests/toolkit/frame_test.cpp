// The frame without a window of its own: focus and the Tab walk, the modal view, mouse-over
// tracking, removal, sizing, and the calls it makes into the platform window.
#include <gtest/gtest.h>

#include <algorithm>

#include "toolkit/cknob.h"
#include "view_test_support.h"

namespace {

// A view that wants the focus.
RecordingView* focusable(const CRect& r, const std::string& name, EventLog* log) {
  RecordingView* v = new RecordingView(r, name, log);
  v->setWantsFocus(true);
  return v;
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new CFrame(CRect(0, 0, 200, 200), nullptr, &editor);
    platform = new FakePlatform;
    frame->setPlatformFrame(platform);
  }
  void TearDown() override {
    if (frame) frame->forget();
  }
  int32_t tab(bool shift = false) {
    VstKeyCode key{0, VKEY_TAB, static_cast<unsigned char>(shift ? MODIFIER_SHIFT : 0)};
    return frame->onKeyDown(key);
  }
  std::string focusName() {
    CView* f = frame->getFocusView();
    return f ? static_cast<RecordingView*>(f)->name : "none";
  }

  EventLog log;
  StubEditor editor{&log};
  CFrame* frame;
  FakePlatform* platform;
};

TEST_F(FrameTest, TabWalksTheFocusableViewsInCreationOrder) {
  frame->addView(focusable(CRect(0, 0, 10, 10), "a", &log));
  frame->addView(new RecordingView(CRect(20, 0, 30, 10), "plain", &log));
  frame->addView(focusable(CRect(40, 0, 50, 10), "b", &log));
  frame->addView(focusable(CRect(60, 0, 70, 10), "c", &log));

  // Without a focus view the walk starts at the beginning.
  EXPECT_EQ(1, tab());
  EXPECT_EQ("a", focusName());
  EXPECT_EQ(1, tab());
  EXPECT_EQ("b", focusName());
  EXPECT_EQ(1, tab(true));
  EXPECT_EQ("a", focusName());
  EXPECT_EQ(1, tab());
  EXPECT_EQ(1, tab());
  EXPECT_EQ("c", focusName());
  // Past the last one nothing holds the focus; the next Tab starts again.
  EXPECT_EQ(-1, tab());
  EXPECT_EQ("none", focusName());
  EXPECT_EQ(1, tab());
  EXPECT_EQ("a", focusName());
}

TEST_F(FrameTest, TabWithNothingFocusableAnswersMinusOne) {
  frame->addView(new RecordingView(CRect(0, 0, 10, 10), "plain", &log));
  EXPECT_EQ(-1, tab());
  EXPECT_EQ(nullptr, frame->getFocusView());
}

TEST_F(FrameTest, FocusViewGetsKeysFirstThenTheModalView) {
  RecordingView* a = focusable(CRect(0, 0, 10, 10), "a", &log);
  frame->addView(a);
  frame->setFocusView(a);
  VstKeyCode key{'x', 0, 0};
  log.clear();
  EXPECT_EQ(-1, frame->onKeyDown(key));
  a->keyResult = 1;
  EXPECT_EQ(1, frame->onKeyDown(key));
  EventLog expected = {"a key 0", "a key 0"};
  EXPECT_EQ(expected, log);

  // The focus view declines: the modal view is asked next.
  a->keyResult = -1;
  RecordingView* modal = new RecordingView(CRect(100, 100, 150, 150), "modal", &log);
  modal->keyResult = 1;
  ASSERT_TRUE(frame->setModalView(modal));
  log.clear();
  EXPECT_EQ(1, frame->onKeyDown(key));
  EventLog both = {"a key 0", "modal key 0"};
  EXPECT_EQ(both, log);
  frame->setModalView(nullptr);
  modal->forget();
}

TEST_F(FrameTest, FocusChangesTellTheViewsAndTheirContainers) {
  RecordingContainer* box = new RecordingContainer(CRect(0, 0, 100, 100), "box", &log);
  frame->addView(box);
  RecordingView* a = focusable(CRect(0, 0, 10, 10), "a", &log);
  RecordingView* b = focusable(CRect(20, 0, 30, 10), "b", &log);
  box->addView(a);
  box->addView(b);
  a->setDirty(false);
  log.clear();
  frame->setFocusView(a);
  EXPECT_TRUE(a->isDirty());
  frame->setFocusView(a);  // the same view again: nothing
  frame->setFocusView(b);
  EventLog expected = {"box kMsgNewFocusView a", "box kMsgNewFocusView b", "box kMsgOldFocusView a",
                       "a looseFocus"};
  EXPECT_EQ(expected, log);
}

// A view that grabs the focus back while losing it; the frame must not bounce.
class StubbornView : public RecordingView {
 public:
  using RecordingView::RecordingView;
  void looseFocus() override {
    RecordingView::looseFocus();
    if (getFrame()) getFrame()->setFocusView(this);
  }
};

TEST_F(FrameTest, FocusChangeIsNotReentered) {
  StubbornView* a = new StubbornView(CRect(0, 0, 10, 10), "a", &log);
  a->setWantsFocus(true);
  frame->addView(a);
  RecordingView* b = focusable(CRect(20, 0, 30, 10), "b", &log);
  frame->addView(b);
  frame->setFocusView(a);
  frame->setFocusView(b);
  EXPECT_EQ(b, frame->getFocusView());
}

TEST_F(FrameTest, TabWalksIntoAndOutOfNestedContainers) {
  frame->addView(focusable(CRect(0, 0, 10, 10), "a", &log));
  CViewContainer* box = new CViewContainer(CRect(50, 50, 150, 150), frame);
  frame->addView(box);
  box->addView(focusable(CRect(0, 0, 10, 10), "b1", &log));
  box->addView(focusable(CRect(20, 0, 30, 10), "b2", &log));
  frame->addView(focusable(CRect(0, 20, 10, 30), "c", &log));
  std::vector<std::string> seen;
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(1, tab());
    seen.push_back(focusName());
  }
  EXPECT_EQ((std::vector<std::string>{"a", "b1", "b2", "c"}), seen);
  EXPECT_EQ(1, tab(true));
  EXPECT_EQ("b2", focusName());
}

TEST_F(FrameTest, KnobTakesTheFocusAtItsPressAndArrowKeysReachIt) {
  CKnob* knob = new CKnob(CRect(0, 0, 40, 40), nullptr, 1, nullptr, nullptr);
  frame->addView(knob);
  knob->setValue(0.5f);
  frame->onMouseDown(CPoint(20, 20), kLButton);
  frame->onMouseUp(CPoint(20, 20), 0);
  EXPECT_EQ(knob, frame->getFocusView());
  VstKeyCode up{0, VKEY_UP, 0};
  EXPECT_EQ(1, frame->onKeyDown(up));
  EXPECT_NEAR(0.6, knob->getValue(), 1e-6);
  // A press elsewhere takes the focus away.
  frame->onMouseDown(CPoint(150, 150), kLButton);
  EXPECT_EQ(nullptr, frame->getFocusView());
}

TEST_F(FrameTest, ModalViewTakesAllMouseInput) {
  RecordingView* under = new RecordingView(CRect(0, 0, 200, 200), "under", &log);
  frame->addView(under);
  RecordingView* modal = new RecordingView(CRect(50, 50, 100, 100), "modal", &log);
  ASSERT_TRUE(frame->setModalView(modal));
  EXPECT_EQ(modal, frame->getModalView());
  EXPECT_TRUE(frame->isChild(modal));
  EXPECT_EQ(modal, frame->getCurrentView());

  // A second modal view, or an attached one, is refused.
  RecordingView other(CRect(0, 0, 5, 5), "other", &log);
  EXPECT_FALSE(frame->setModalView(&other));
  EXPECT_FALSE(frame->setModalView(under));

  log.clear();
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseDown(CPoint(10, 10), kLButton));  // outside the modal view
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(60, 60), kLButton));
  frame->onMouseMoved(CPoint(10, 10), kLButton);
  frame->onMouseUp(CPoint(10, 10), 0);
  EXPECT_TRUE(frame->onWheel(CPoint(10, 10), 1.0f, 0));
  EventLog expected = {"modal down (60,60) 2", "modal moved (10,10) 2", "modal up (10,10) 0",
                       "modal wheel 1 (10,10) 0"};
  EXPECT_EQ(expected, log);

  // Pressing on the modal view when it has no handler runs the older one and counts as handled.
  modal->downResult = kMouseEventNotImplemented;
  log.clear();
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(60, 60), kLButton));
  EXPECT_EQ("modal mouse (60,60) 2", log.back());
  modal->downResult = kMouseEventNotHandled;
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseDown(CPoint(60, 60), kLButton));

  // Clearing gives the view back to its owner; input reaches the tree again.
  EXPECT_TRUE(frame->setModalView(nullptr));
  EXPECT_FALSE(modal->isAttached());
  EXPECT_EQ(1, modal->getNbReference());
  log.clear();
  frame->onMouseDown(CPoint(60, 60), kLButton);
  EXPECT_EQ("under down (60,60) 2", log.at(0));
  modal->forget();
}

TEST_F(FrameTest, ModalViewTakesTheFocusOnTab) {
  frame->addView(focusable(CRect(0, 0, 10, 10), "a", &log));
  RecordingView* modal = new RecordingView(CRect(50, 50, 100, 100), "modal", &log);
  frame->setModalView(modal);
  EXPECT_EQ(1, tab());
  EXPECT_EQ("modal", focusName());
  EXPECT_EQ(-1, tab());
  // Removing the modal view clears it; removal forgets it.
  EXPECT_TRUE(frame->removeView(modal, true));
  EXPECT_EQ(nullptr, frame->getModalView());
  EXPECT_EQ(nullptr, frame->getFocusView());
}

TEST_F(FrameTest, MovesWithoutAPressTrackTheViewUnderThePointer) {
  CViewContainer* box = new CViewContainer(CRect(100, 100, 200, 200), frame);
  frame->addView(box);
  frame->addView(new RecordingView(CRect(0, 0, 50, 50), "a", &log));
  box->addView(new RecordingView(CRect(10, 10, 20, 20), "inner", &log));
  log.clear();
  EXPECT_EQ(kMouseEventHandled, frame->onMouseMoved(CPoint(5, 5), 0));
  EXPECT_EQ(kMouseEventHandled, frame->onMouseMoved(CPoint(6, 5), 0));
  EXPECT_EQ(kMouseEventHandled, frame->onMouseMoved(CPoint(115, 115), 0));
  EXPECT_EQ(kMouseEventHandled, frame->onMouseMoved(CPoint(60, 60), 0));
  // Each view is told in the coordinates of its own parent.
  EventLog expected = {"a entered (5,5) 0", "a moved (6,5) 0", "a exited (115,115) 0",
                       "inner entered (15,15) 0", "inner exited (-40,-40) 0"};
  EXPECT_EQ(expected, log);
  EXPECT_EQ(nullptr, frame->getMouseOverView());
  // Nothing under the pointer before and after: not handled.
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseMoved(CPoint(70, 70), 0));
}

TEST_F(FrameTest, LeavingTheWindowOrPressingEndsTheMouseOver) {
  frame->addView(new RecordingView(CRect(0, 0, 50, 50), "a", &log));
  frame->onMouseMoved(CPoint(5, 5), 0);
  log.clear();
  EXPECT_EQ(kMouseEventHandled, frame->onMouseExited(CPoint(-1, 5), 0));
  EventLog exited = {"a exited (-1,5) 0"};
  EXPECT_EQ(exited, log);
  EXPECT_EQ(nullptr, frame->getMouseOverView());

  frame->onMouseMoved(CPoint(5, 5), 0);
  log.clear();
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EventLog pressed = {"a exited (5,5) 2", "a down (5,5) 2"};
  EXPECT_EQ(pressed, log);
}

TEST_F(FrameTest, RemovingAViewOrItsContainerClearsFocusAndMouseOver) {
  CViewContainer* box = new CViewContainer(CRect(100, 100, 200, 200), frame);
  frame->addView(box);
  RecordingView* inner = focusable(CRect(10, 10, 20, 20), "inner", &log);
  box->addView(inner);
  frame->setFocusView(inner);
  frame->onMouseMoved(CPoint(115, 115), 0);
  EXPECT_EQ(inner, frame->getMouseOverView());
  // The container goes, and with it the view the frame was pointing at.
  EXPECT_TRUE(frame->removeView(box, true));
  EXPECT_EQ(nullptr, frame->getFocusView());
  EXPECT_EQ(nullptr, frame->getMouseOverView());
  EXPECT_EQ(-1, tab());

  RecordingView* a = focusable(CRect(0, 0, 10, 10), "a", &log);
  frame->addView(a);
  frame->setFocusView(a);
  frame->onMouseMoved(CPoint(5, 5), 0);
  frame->removeAll(true);
  EXPECT_EQ(nullptr, frame->getFocusView());
  EXPECT_EQ(nullptr, frame->getMouseOverView());
  EXPECT_EQ(0, frame->getNbViews());
}

TEST_F(FrameTest, ReleaseThatRemovesItsViewIsSafe) {
  // A view whose release takes it out of the tree (as a close button would).
  class SelfRemoving : public RecordingView {
   public:
    using RecordingView::RecordingView;
    CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override {
      RecordingView::onMouseUp(where, buttons);
      getFrame()->removeView(this, true);
      return kMouseEventHandled;
    }
  };
  frame->addView(new SelfRemoving(CRect(0, 0, 10, 10), "s", &log));
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EXPECT_EQ(kMouseEventHandled, frame->onMouseUp(CPoint(5, 5), 0));
  EXPECT_EQ(0, frame->getNbViews());
}

TEST_F(FrameTest, PressThatRemovesItsViewLeavesNoHolder) {
  class RemovedOnPress : public RecordingView {
   public:
    using RecordingView::RecordingView;
    CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override {
      RecordingView::onMouseDown(where, buttons);
      getFrame()->removeView(this, true);
      return kMouseEventHandled;
    }
  };
  frame->addView(new RemovedOnPress(CRect(0, 0, 10, 10), "r", &log));
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(5, 5), kLButton));
  EXPECT_EQ(nullptr, frame->getMouseDownView());
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseMoved(CPoint(6, 6), kLButton));
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseUp(CPoint(6, 6), 0));
}

TEST_F(FrameTest, SetSizeAsksTheWindowAndFollowsWhenItMayResize) {
  EXPECT_FALSE(frame->setSize(200, 200));  // unchanged
  EXPECT_TRUE(frame->setSize(300, 250));
  EXPECT_EQ(CRect(0, 0, 300, 250), frame->getViewSize());
  // The host owns the enclosing window: it answers true and keeps the view size.
  platform->acceptSize = false;
  EXPECT_TRUE(frame->setSize(400, 400));
  EXPECT_EQ(CRect(0, 0, 300, 250), frame->getViewSize());
  frame->setOpenFlag(false);
  EXPECT_FALSE(frame->setSize(100, 100));
}

TEST_F(FrameTest, WindowGeometryCursorAndDropTargetGoToThePlatform) {
  platform->parentRect = CRect(5, 6, 105, 106);
  CRect r;
  EXPECT_TRUE(frame->getSize(r));
  EXPECT_EQ(platform->parentRect, r);
  int32_t x = 0, y = 0;
  EXPECT_TRUE(frame->getPosition(x, y));
  EXPECT_EQ(5, x);
  EXPECT_FALSE(frame->setPosition(1, 1));
  frame->setCursor(kCursorHand);
  EXPECT_EQ(std::vector<int32_t>{kCursorHand}, platform->cursors);

  EXPECT_TRUE(frame->setDropActive(true));
  EXPECT_TRUE(frame->isDropActive());
  platform->dropResult = false;
  EXPECT_FALSE(frame->setDropActive(false));
  EXPECT_TRUE(frame->isDropActive());

  platform->current = FakePlatform::PointerState{CPoint(12, 34), kLButton | kShift};
  CPoint where;
  EXPECT_TRUE(frame->getCurrentMouseLocation(where));
  EXPECT_EQ(CPoint(12, 34), where);
  EXPECT_EQ(kLButton | kShift, frame->getCurrentMouseButtons());
}

TEST_F(FrameTest, DestroyedWindowClosesTheFrameAndTheFrameDeletesItsPlatform) {
  bool deleted = false;
  platform->destroyedFlag = &deleted;
  frame->platformDestroyed();
  EXPECT_FALSE(frame->isOpen());
  EXPECT_EQ(nullptr, frame->getSystemWindow());
  // A closed frame leaves its dirty views alone at idle.
  RecordingView* a = new RecordingView(CRect(0, 0, 10, 10), "a", &log);
  frame->addView(a);
  a->setDirty(true);
  platform->invalidated.clear();
  frame->idle();
  EXPECT_TRUE(platform->invalidated.empty());
  frame->forget();
  frame = nullptr;
  EXPECT_TRUE(deleted);
}

TEST(FrameWithoutWindow, HoldsRoutesAndDrawsTheTree) {
  EventLog log;
  CFrame* frame = new CFrame(CRect(0, 0, 50, 50), nullptr, nullptr);
  EXPECT_EQ(nullptr, frame->getPlatformFrame());
  EXPECT_TRUE(frame->isOpen());
  EXPECT_TRUE(frame->isAttached());
  EXPECT_EQ(frame, frame->getFrame());
  RecordingView* a = new RecordingView(CRect(0, 0, 10, 10), "a", &log);
  frame->addView(a);
  EXPECT_EQ(kMouseEventHandled, frame->platformMouseDown(CPoint(5, 5), kLButton));
  frame->platformMouseUp(CPoint(5, 5), 0);
  CPoint where(7, 7);
  EXPECT_FALSE(frame->getCurrentMouseLocation(where));
  EXPECT_EQ(0, frame->getCurrentMouseButtons());
  EXPECT_FALSE(frame->setDropActive(true));
  CRect r;
  EXPECT_FALSE(frame->getSize(r));
  EXPECT_EQ(0, frame->getKnobMode());
  a->invalid();  // nowhere to send it: ignored
  frame->idle();
  frame->draw(a);
  frame->draw(static_cast<CView*>(nullptr));
  EXPECT_EQ(2, std::count(log.begin(), log.end(), std::string("a draw")));
  RecordingView stranger(CRect(0, 0, 5, 5), "stranger", &log);
  frame->draw(&stranger);  // not a child: ignored
  EXPECT_EQ(0, std::count(log.begin(), log.end(), std::string("stranger draw")));
  frame->forget();
}

}  // namespace
