// The view tree without a window: routing of pointer, wheel and key events, the dirty and
// invalidation rules, drawing order and clipping, and reference counting.
#include <gtest/gtest.h>

#include "view_test_support.h"

namespace {

// A control that logs presses; used where the container must treat a view as a control.
class RecordingControl : public CControl {
 public:
  RecordingControl(const CRect& size, CControlListener* listener, int32_t tag, EventLog* log)
      : CControl(size, listener, tag), log(log) {}
  void draw(CDrawContext*) override { setDirty(false); }
  CView* newCopy() const override { return nullptr; }
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override {
    log->push_back("control down " + pt(where) + " " + std::to_string(buttons));
    return kMouseEventHandled;
  }

 private:
  EventLog* log;
};

class ViewTree : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr);
    platform = new FakePlatform;
    frame->setPlatformFrame(platform);
  }
  void TearDown() override { frame->forget(); }

  RecordingView* add(CViewContainer* parent, const CRect& r, const std::string& name) {
    RecordingView* v = new RecordingView(r, name, &log);
    parent->addView(v);
    return v;
  }

  CFrame* frame;
  FakePlatform* platform;
  EventLog log;
};

TEST_F(ViewTree, PressMoveReleaseGoToTheViewThatTookThePress) {
  add(frame, CRect(0, 0, 10, 10), "a");
  add(frame, CRect(10, 0, 20, 10), "b");
  log.clear();

  // x = 10 is the right edge of a and the left edge of b: the later child wins.
  EXPECT_EQ(kMouseEventHandled, frame->platformMouseDown(CPoint(10, 5), kLButton));
  EXPECT_EQ(1, platform->captures);
  EXPECT_EQ(kMouseEventHandled, frame->onMouseMoved(CPoint(3, 4), kLButton));
  EXPECT_EQ(kMouseEventHandled, frame->platformMouseUp(CPoint(4, 4), 0));
  EXPECT_EQ(1, platform->releases);
  EventLog expected = {"b down (10,5) 2", "b moved (3,4) 2", "b up (4,4) 0"};
  EXPECT_EQ(expected, log);

  // After the release nobody holds the mouse: a further release goes nowhere.
  log.clear();
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseUp(CPoint(4, 4), 0));
  EXPECT_TRUE(log.empty());
}

TEST_F(ViewTree, BottomAndRightEdgesBelongToTheViewForHitTests) {
  add(frame, CRect(0, 0, 10, 10), "a");
  log.clear();
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(10, 10), kLButton));
  frame->onMouseUp(CPoint(10, 10), 0);
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseDown(CPoint(11, 10), kLButton));
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseDown(CPoint(10, 11), kLButton));
}

TEST_F(ViewTree, PressOnNothingIsNotHandledAndCapturesNothing) {
  add(frame, CRect(0, 0, 10, 10), "a");
  log.clear();
  EXPECT_EQ(kMouseEventNotHandled, frame->platformMouseDown(CPoint(50, 50), kLButton));
  EXPECT_EQ(0, platform->captures);
  EXPECT_TRUE(log.empty());
}

TEST_F(ViewTree, PressThatNeedsNoMovesCapturesNothingAndTheReleaseReachesNoView) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  a->downResult = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
  log.clear();
  EXPECT_EQ(kMouseDownEventHandledButDontNeedMovedOrUpEvents,
            frame->platformMouseDown(CPoint(5, 5), kLButton));
  EXPECT_EQ(0, platform->captures);
  frame->platformMouseUp(CPoint(5, 5), 0);
  EXPECT_EQ(1, platform->releases);
  EventLog expected = {"a down (5,5) 2"};
  EXPECT_EQ(expected, log);
}

TEST_F(ViewTree, ViewWithoutPressHandlerGetsTheOlderMouseCallAndNoMoves) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  a->downResult = kMouseEventNotImplemented;
  log.clear();
  EXPECT_EQ(kMouseEventNotImplemented, frame->platformMouseDown(CPoint(5, 5), kLButton));
  EXPECT_EQ(0, platform->captures);
  EXPECT_EQ(nullptr, frame->getMouseDownView());
  frame->onMouseUp(CPoint(6, 6), 0);
  EventLog expected = {"a down (5,5) 2", "a mouse (5,5) 2"};
  EXPECT_EQ(expected, log);
}

TEST_F(ViewTree, HiddenAndMouseDisabledViewsAreSkipped) {
  add(frame, CRect(0, 0, 10, 10), "under");
  RecordingView* hidden = add(frame, CRect(0, 0, 10, 10), "hidden");
  RecordingView* disabled = add(frame, CRect(0, 0, 10, 10), "disabled");
  hidden->setVisible(false);
  disabled->setMouseEnabled(false);
  log.clear();
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EventLog expected = {"under down (5,5) 2"};
  EXPECT_EQ(expected, log);
}

TEST_F(ViewTree, ChildrenGetPointsInTheirContainersCoordinates) {
  CViewContainer* box = new CViewContainer(CRect(20, 30, 60, 70), frame);
  frame->addView(box);
  add(box, CRect(5, 5, 15, 15), "inner");
  log.clear();
  EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(27, 38), kLButton));
  frame->onMouseMoved(CPoint(40, 50), kLButton);
  frame->onMouseUp(CPoint(41, 51), 0);
  EventLog expected = {"inner down (7,8) 2", "inner moved (20,20) 2", "inner up (21,21) 0"};
  EXPECT_EQ(expected, log);
}

TEST_F(ViewTree, MoveNotAcceptedByTheHolderEndsTheGesture) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  frame->onMouseDown(CPoint(5, 5), kLButton);
  a->moveResult = kMouseEventNotHandled;
  EXPECT_EQ(a, frame->getMouseDownView());
  // The holder refuses the move: it is dropped, and the release finds nobody.
  frame->onMouseMoved(CPoint(6, 6), kLButton);
  EXPECT_EQ(nullptr, frame->getMouseDownView());
  log.clear();
  EXPECT_EQ(kMouseEventNotHandled, frame->onMouseUp(CPoint(6, 6), 0));
  for (const auto& e : log) EXPECT_EQ(std::string::npos, e.find("up"));
}

TEST_F(ViewTree, RightClicksAndModifierClicksAskTheListenerFirst) {
  RecordingListener listener(&log);
  RecordingControl* c = new RecordingControl(CRect(0, 0, 10, 10), &listener, 7, &log);
  frame->addView(c);

  listener.modifierAnswer = 1;
  for (int32_t buttons : {int32_t(kRButton), kLButton | kShift, kLButton | kControl, kLButton | kAlt}) {
    log.clear();
    EXPECT_EQ(kMouseEventHandled, frame->onMouseDown(CPoint(5, 5), buttons));
    EventLog expected = {"modifier 7 " + std::to_string(buttons)};
    EXPECT_EQ(expected, log) << buttons;
    EXPECT_EQ(nullptr, frame->getMouseDownView());
  }

  // A plain left click does not ask.
  log.clear();
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EventLog plain = {"control down (5,5) 2"};
  EXPECT_EQ(plain, log);
  frame->onMouseUp(CPoint(5, 5), 0);

  // A listener answering 0 lets the press through.
  listener.modifierAnswer = 0;
  log.clear();
  frame->onMouseDown(CPoint(5, 5), kRButton);
  EventLog through = {"modifier 7 8", "control down (5,5) 8"};
  EXPECT_EQ(through, log);
}

TEST_F(ViewTree, WheelGoesToTheChildUnderThePointerButNotDuringAPress) {
  add(frame, CRect(0, 0, 10, 10), "a");
  CViewContainer* box = new CViewContainer(CRect(50, 50, 90, 90), frame);
  frame->addView(box);
  add(box, CRect(0, 0, 20, 20), "inner");
  log.clear();

  EXPECT_TRUE(frame->onWheel(CPoint(5, 6), 2.0f, kShift));
  EXPECT_TRUE(frame->onWheel(CPoint(55, 56), -1.0f, 0));
  // The horizontal axis turns the other way.
  EXPECT_TRUE(frame->onWheel(CPoint(5, 6), kMouseWheelAxisX, 3.0f, 0));
  EXPECT_FALSE(frame->onWheel(CPoint(30, 30), 1.0f, 0));
  EventLog expected = {"a wheel 2 (5,6) 16", "inner wheel -1 (5,6) 0", "a wheel -3 (5,6) 0"};
  EXPECT_EQ(expected, log);

  frame->onMouseDown(CPoint(5, 5), kLButton);
  log.clear();
  EXPECT_FALSE(frame->onWheel(CPoint(5, 6), 1.0f, 0));
  EXPECT_TRUE(log.empty());
}

TEST_F(ViewTree, ContainerAsksChildrenForKeysTopmostFirst) {
  CViewContainer* box = new CViewContainer(CRect(0, 0, 50, 50), frame);
  frame->addView(box);
  RecordingView* a = add(box, CRect(0, 0, 10, 10), "a");
  RecordingView* b = add(box, CRect(0, 0, 10, 10), "b");
  VstKeyCode key{0, 40, 0};
  log.clear();
  EXPECT_EQ(-1, box->onKeyDown(key));
  EventLog none = {"b key 40", "a key 40"};
  EXPECT_EQ(none, log);
  a->keyResult = 1;
  b->keyResult = -1;
  log.clear();
  EXPECT_EQ(1, box->onKeyDown(key));
}

TEST_F(ViewTree, AddViewRefusesMissingAndAttachedViews) {
  CViewContainer* box = new CViewContainer(CRect(0, 0, 50, 50), frame);
  frame->addView(box);
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  EXPECT_FALSE(box->addView(nullptr));
  EXPECT_FALSE(box->addView(a));
  EXPECT_EQ(0, box->getNbViews());
  EXPECT_EQ(2, frame->getNbViews());
  EXPECT_EQ(frame, a->getParentView());
  EXPECT_TRUE(frame->isChild(a));
  EXPECT_EQ(nullptr, frame->getView(2));
  EXPECT_EQ(nullptr, frame->getView(-1));
  EXPECT_EQ(a, frame->getView(1));
}

TEST_F(ViewTree, AddViewBeforeInsertsInDrawingOrder) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  RecordingView* c = new RecordingView(CRect(0, 0, 10, 10), "c", &log);
  EXPECT_TRUE(frame->addView(c, a));
  EXPECT_EQ(c, frame->getView(0));
  EXPECT_EQ(a, frame->getView(1));
  // A press goes to the topmost, which is the last in the list.
  log.clear();
  frame->onMouseDown(CPoint(5, 5), kLButton);
  EXPECT_EQ("a down (5,5) 2", log.at(0));
}

TEST_F(ViewTree, AttachingAContainerAttachesItsChildrenAndTellsThemTheFrame) {
  CViewContainer* box = new CViewContainer(CRect(10, 10, 50, 50), nullptr);
  RecordingView* a = add(box, CRect(0, 0, 10, 10), "a");
  EXPECT_FALSE(a->isAttached());
  EXPECT_EQ(nullptr, a->getFrame());
  frame->addView(box);
  EXPECT_TRUE(a->isAttached());
  EXPECT_EQ(frame, a->getFrame());
  EXPECT_EQ(box, a->getParentView());
  frame->removeView(box, false);
  EXPECT_FALSE(a->isAttached());
  EXPECT_EQ(nullptr, a->getFrame());
  box->forget();
}

TEST_F(ViewTree, InvalidRectIsIgnoredOnDetachedOrHiddenViews) {
  RecordingView detached(CRect(0, 0, 10, 10), "x", &log);
  detached.invalidRect(CRect(0, 0, 10, 10));
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  platform->invalidated.clear();
  a->setVisible(false);
  a->invalidRect(CRect(0, 0, 10, 10));
  EXPECT_TRUE(platform->invalidated.empty());
  a->setVisible(true);
  a->invalidRect(CRect(1, 2, 3, 4));
  ASSERT_EQ(1u, platform->invalidated.size());
  EXPECT_EQ(CRect(1, 2, 3, 4), platform->invalidated[0]);
}

TEST_F(ViewTree, InvalidationIsConvertedAndClippedByEachContainer) {
  CViewContainer* box = new CViewContainer(CRect(20, 30, 60, 70), frame);
  frame->addView(box);
  RecordingView* inner = add(box, CRect(30, 30, 60, 60), "inner");
  platform->invalidated.clear();
  inner->invalid();
  // (30,30,60,60) in the box is (50,60,80,90) in the frame, clipped to the box (20,30,60,70).
  ASSERT_EQ(1u, platform->invalidated.size());
  EXPECT_EQ(CRect(50, 60, 60, 70), platform->invalidated[0]);

  // Wholly outside the box: dropped.
  platform->invalidated.clear();
  inner->invalidRect(CRect(45, 45, 50, 50));
  EXPECT_TRUE(platform->invalidated.empty());
}

TEST_F(ViewTree, IdleInvalidatesOnlyTheDirtyViews) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  add(frame, CRect(20, 0, 30, 10), "b");
  CViewContainer* box = new CViewContainer(CRect(40, 40, 80, 80), frame);
  frame->addView(box);
  RecordingView* inner = add(box, CRect(5, 5, 10, 10), "inner");
  platform->invalidated.clear();
  frame->idle();
  EXPECT_TRUE(platform->invalidated.empty());

  a->setDirty(true);
  inner->setDirty(true);
  EXPECT_TRUE(box->isDirty());
  frame->idle();
  ASSERT_EQ(2u, platform->invalidated.size());
  EXPECT_EQ(CRect(0, 0, 10, 10), platform->invalidated[0]);
  EXPECT_EQ(CRect(45, 45, 50, 50), platform->invalidated[1]);
  EXPECT_FALSE(a->isDirty());
  EXPECT_FALSE(inner->isDirty());

  // A container marked dirty itself is repainted whole.
  platform->invalidated.clear();
  box->setDirty(true);
  frame->idle();
  ASSERT_EQ(1u, platform->invalidated.size());
  EXPECT_EQ(CRect(40, 40, 80, 80), platform->invalidated[0]);

  // A dirty child lying outside its container's bounds does not make it dirty.
  inner->setViewSize(CRect(50, 50, 60, 60), true);
  EXPECT_TRUE(inner->isDirty());
  EXPECT_FALSE(box->isDirty());
}

TEST_F(ViewTree, FrameInvalidateMarksOverlappingChildrenDirty) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  RecordingView* b = add(frame, CRect(30, 30, 40, 40), "b");
  a->setDirty(false);
  b->setDirty(false);
  frame->invalidate(CRect(5, 5, 20, 20));
  EXPECT_TRUE(a->isDirty());
  EXPECT_FALSE(b->isDirty());
}

TEST_F(ViewTree, ChildrenPaintInCreationOrderEachClippedToItsRectangle) {
  RecordingView* a = add(frame, CRect(0, 0, 20, 20), "a");
  RecordingView* b = add(frame, CRect(10, 10, 30, 30), "b");
  RecordingView* far = add(frame, CRect(60, 60, 70, 70), "far");
  a->fill = CColor{255, 0, 0, 255};
  b->fill = CColor{0, 0, 255, 255};
  far->fill = CColor{0, 255, 0, 255};
  frame->setBackgroundColor(CColor{9, 9, 9, 255});

  COffscreenContext surface(frame, 100, 100);
  log.clear();
  frame->drawRect(&surface, CRect(0, 0, 40, 40));
  EventLog expected = {"a draw", "b draw"};
  EXPECT_EQ(expected, log);
  EXPECT_EQ((Pixel{0, 0, 255, 255}), pixelAt(surface, 5, 5));
  EXPECT_EQ((Pixel{255, 0, 0, 255}), pixelAt(surface, 15, 15));  // b above a
  EXPECT_EQ((Pixel{255, 0, 0, 255}), pixelAt(surface, 29, 29));
  EXPECT_EQ((Pixel{9, 9, 9, 255}), pixelAt(surface, 35, 35));  // background
  EXPECT_FALSE(inked(surface, 50, 50));                        // outside the update area
  EXPECT_FALSE(frame->isFirstDraw());
}

TEST_F(ViewTree, NestedContainersDrawTheirChildrenInLocalCoordinates) {
  CViewContainer* box = new CViewContainer(CRect(20, 20, 60, 60), frame);
  box->setBackgroundColor(CColor{0, 200, 0, 255});
  frame->addView(box);
  RecordingView* inner = add(box, CRect(10, 10, 20, 20), "inner");
  inner->fill = CColor{255, 0, 0, 255};
  // A child reaching beyond its container is cut at the container's edge.
  RecordingView* wide = add(box, CRect(35, 0, 80, 5), "wide");
  wide->fill = CColor{0, 0, 255, 255};
  frame->setBackgroundColor(CColor{0, 0, 0, 255});

  COffscreenContext surface(frame, 100, 100);
  frame->draw(&surface);
  EXPECT_EQ((Pixel{0, 0, 255, 255}), pixelAt(surface, 30, 30));
  EXPECT_EQ((Pixel{0, 0, 255, 255}), pixelAt(surface, 39, 39));
  EXPECT_EQ((Pixel{0, 200, 0, 255}), pixelAt(surface, 40, 40));
  EXPECT_EQ((Pixel{255, 0, 0, 255}), pixelAt(surface, 59, 22));
  EXPECT_EQ((Pixel{0, 0, 0, 255}), pixelAt(surface, 61, 22));
}

TEST_F(ViewTree, BackgroundSmallerThanItsContainerPaintsOnlyItsOwnArea) {
  CBitmap* tile = makeStrip(10, 10, 1);
  CViewContainer* box = new CViewContainer(CRect(0, 0, 30, 30), frame, tile);
  tile->forget();
  frame->addView(box);

  COffscreenContext surface(frame, 100, 100);
  surface.setFillColor(CColor{0, 255, 0, 255});
  surface.fillRect(CRect(0, 0, 100, 100));
  box->drawRect(&surface, CRect(0, 0, 30, 30));
  EXPECT_EQ(0, imageAt(surface, 5, 5));
  EXPECT_EQ((Pixel{0, 255, 0, 255}), pixelAt(surface, 20, 20));
}

TEST_F(ViewTree, TransparentContainerWithOpaqueColourPaintsNothing) {
  CViewContainer* box = new CViewContainer(CRect(0, 0, 30, 30), frame);
  box->setBackgroundColor(CColor{200, 0, 0, 255});
  box->setTransparency(true);
  frame->addView(box);
  COffscreenContext surface(frame, 100, 100);
  box->drawRect(&surface, CRect(0, 0, 30, 30));
  EXPECT_FALSE(inked(surface, 10, 10));
  box->setTransparency(false);
  box->drawRect(&surface, CRect(0, 0, 30, 30));
  EXPECT_EQ((Pixel{0, 0, 200, 255}), pixelAt(surface, 10, 10));
}

TEST_F(ViewTree, OffscreenContainerDrawsTheSameAsDirectDrawing) {
  CViewContainer* box = new CViewContainer(CRect(20, 20, 60, 60), frame);
  box->setBackgroundColor(CColor{0, 200, 0, 255});
  box->useOffscreen(true);
  frame->addView(box);
  add(box, CRect(10, 10, 20, 20), "inner")->fill = CColor{255, 0, 0, 255};
  COffscreenContext surface(frame, 100, 100);
  frame->draw(&surface);
  EXPECT_EQ((Pixel{0, 0, 255, 255}), pixelAt(surface, 30, 30));
  EXPECT_EQ((Pixel{0, 200, 0, 255}), pixelAt(surface, 45, 45));
  EXPECT_EQ((Pixel{0, 200, 0, 255}), pixelAt(surface, 21, 21));
}

TEST_F(ViewTree, ViewAndContainerLookups) {
  CViewContainer* box = new CViewContainer(CRect(20, 20, 60, 60), frame);
  frame->addView(box);
  RecordingView* inner = add(box, CRect(0, 0, 10, 10), "inner");
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  EXPECT_EQ(a, frame->getViewAt(CPoint(10, 10)));
  EXPECT_EQ(box, frame->getViewAt(CPoint(25, 25), false));
  EXPECT_EQ(inner, frame->getViewAt(CPoint(25, 25), true));
  EXPECT_EQ(nullptr, frame->getViewAt(CPoint(90, 90)));
  EXPECT_EQ(box, frame->getContainerAt(CPoint(25, 25), true));
  EXPECT_EQ(frame, frame->getContainerAt(CPoint(25, 25), false));
  EXPECT_EQ(frame, frame->getContainerAt(CPoint(90, 90), true));

  CPoint p(25, 27);
  inner->frameToLocal(p);
  EXPECT_EQ(CPoint(5, 7), p);
  inner->localToFrame(p);
  EXPECT_EQ(CPoint(25, 27), p);

  EXPECT_TRUE(box->isTypeOf("CView"));
  EXPECT_TRUE(frame->isTypeOf("CViewContainer"));
  EXPECT_FALSE(inner->isTypeOf("CViewContainer"));
  EXPECT_EQ(kMessageNotified, box->notify(nullptr, kMsgCheckIfViewContainer));
  // Recognised by identity, not by text.
  std::string copy = kMsgCheckIfViewContainer;
  EXPECT_EQ(kMessageUnknown, box->notify(nullptr, copy.c_str()));

  platform->current.where = CPoint(26, 26);
  EXPECT_EQ(inner, box->getCurrentView());
  EXPECT_EQ(box, frame->getCurrentView());
}

TEST_F(ViewTree, VisibleSizeIsCutByTheAncestors) {
  CViewContainer* box = new CViewContainer(CRect(20, 20, 60, 60), frame);
  frame->addView(box);
  RecordingView* inner = add(box, CRect(30, 30, 60, 60), "inner");
  EXPECT_EQ(CRect(30, 30, 40, 40), inner->getVisibleSize());
  RecordingView detached(CRect(0, 0, 5, 5), "d", &log);
  EXPECT_TRUE(detached.getVisibleSize().isEmpty());
}

TEST_F(ViewTree, RemoveViewRepaintsDetachesAndForgets) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  a->remember();  // keep it to look at after removal
  platform->invalidated.clear();
  EXPECT_TRUE(frame->removeView(a, true));
  ASSERT_EQ(1u, platform->invalidated.size());
  EXPECT_EQ(CRect(0, 0, 10, 10), platform->invalidated[0]);
  EXPECT_FALSE(a->isAttached());
  EXPECT_EQ(1, a->getNbReference());
  EXPECT_FALSE(frame->removeView(a, true));
  a->forget();
}

TEST_F(ViewTree, ViewAttributesStoreReplaceAndGrow) {
  RecordingView* a = add(frame, CRect(0, 0, 10, 10), "a");
  int32_t small = 5;
  EXPECT_TRUE(a->setAttribute(1, sizeof small, &small));
  double big[2] = {1.5, 2.5};
  EXPECT_TRUE(a->setAttribute(1, sizeof big, big));
  int32_t size = 0;
  EXPECT_TRUE(a->getAttributeSize(1, size));
  EXPECT_EQ(static_cast<int32_t>(sizeof big), size);
  double out[2] = {0, 0};
  EXPECT_FALSE(a->getAttribute(1, 4, out, size));  // buffer too small
  EXPECT_TRUE(a->getAttribute(1, sizeof out, out, size));
  EXPECT_EQ(2.5, out[1]);
  EXPECT_FALSE(a->getAttributeSize(2, size));
  EXPECT_TRUE(a->removeAttribute(1));
  EXPECT_FALSE(a->removeAttribute(1));
}

TEST(ViewCounting, EveryViewAndBitmapIsFreedWithTheFrame) {
  const int32_t before = CBaseObject::getNbLivingObjects();
  EventLog log;
  {
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr);
    CBitmap* strip = makeStrip(10, 10, 3);
    CViewContainer* box = new CViewContainer(CRect(0, 0, 50, 50), frame, strip);
    frame->addView(box);
    for (int i = 0; i < 3; i++) {
      RecordingView* v = new RecordingView(CRect(i, i, i + 5, i + 5), "v", &log);
      v->setBackground(strip);
      box->addView(v);
    }
    frame->setBackground(strip);
    frame->addView(new CViewContainer(*box));  // a copy shares the bitmap too
    strip->forget();                           // the creator's claim
    EXPECT_GT(CBaseObject::getNbLivingObjects(), before);
    frame->forget();
  }
  EXPECT_EQ(before, CBaseObject::getNbLivingObjects());
}

}  // namespace
