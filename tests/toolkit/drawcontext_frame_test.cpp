// The context's frame-dependent operations: default clip, pointer reading and
// the polling loops for drags and double clicks, against a scripted window.
#include <gtest/gtest.h>

#include "view_test_support.h"

namespace {

class ContextOverFrameTest : public ::testing::Test {
 protected:
  EventLog log;
  StubEditor editor{&log};
  CFrame* frame = new CFrame(CRect(0, 0, 300, 200), nullptr, &editor);
  FakePlatform* platform = new FakePlatform;
  ScopedFakeClock clock;

  void SetUp() override { frame->setPlatformFrame(platform); }
  void TearDown() override { frame->forget(); }
};

TEST_F(ContextOverFrameTest, ClipStartsAsTheFrameSize) {
  CDrawContext c(frame, nullptr, nullptr);
  CRect clip;
  EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 300, 200));
  c.setClipRect(CRect(1, 1, 2, 2));
  c.resetClipRect();
  EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 300, 200));
}

TEST_F(ContextOverFrameTest, PointerIsReadThroughTheFrameLessTheScreenOffset) {
  CDrawContext c(frame, nullptr, nullptr);
  platform->play({{CPoint(40, 50), kLButton | kShift}});
  CPoint p;
  EXPECT_EQ(c.getMouseLocation(p), CPoint(40, 50));
  c.offsetScreen = CPoint(10, 20);  // a container's origin
  EXPECT_EQ(c.getMouseLocation(p), CPoint(30, 30));
  EXPECT_EQ(c.getMouseButtons(), kLButton | kShift);
}

TEST_F(ContextOverFrameTest, DragStartsWhenThePointerLeavesTheTwoPixelBox) {
  CDrawContext c(frame, nullptr, nullptr);
  platform->play({{CPoint(10, 10), kLButton},
                  {CPoint(12, 8), kLButton},     // still inside: plus or minus 2
                  {CPoint(13, 10), kLButton}});  // out
  EXPECT_TRUE(c.waitDrag());
  EXPECT_GE(log.size(), 1u);  // the frame's idle ran while waiting
  EXPECT_EQ(log.front(), "idle");
}

TEST_F(ContextOverFrameTest, NoDragWhenTheButtonIsReleasedFirst) {
  CDrawContext c(frame, nullptr, nullptr);
  platform->play({{CPoint(10, 10), kLButton}, {CPoint(11, 11), kLButton}, {CPoint(11, 11), 0}});
  EXPECT_FALSE(c.waitDrag());
  CDrawContext noFrame(nullptr, nullptr, nullptr);
  EXPECT_FALSE(noFrame.waitDrag());
  EXPECT_FALSE(noFrame.waitDoubleClick());
}

TEST_F(ContextOverFrameTest, DoubleClickIsASecondPressInTimeAndPlace) {
  CDrawContext c(frame, nullptr, nullptr);
  platform->play({{CPoint(5, 5), kLButton}, {CPoint(5, 5), 0}, {CPoint(6, 5), kLButton}});
  EXPECT_TRUE(c.waitDoubleClick());
  EXPECT_LT(clock.clock.now - 100000, 400u);
}

TEST_F(ContextOverFrameTest, NoDoubleClickWhenThePointerMovesAwayOrTimePasses) {
  CDrawContext c(frame, nullptr, nullptr);
  platform->play({{CPoint(5, 5), kLButton}, {CPoint(5, 5), 0}, {CPoint(9, 5), 0}, {CPoint(9, 5), kLButton}});
  EXPECT_FALSE(c.waitDoubleClick());

  platform->script.clear();
  platform->play({{CPoint(5, 5), 0}});  // stays up: the time runs out
  uint32_t start = clock.clock.now;
  EXPECT_FALSE(c.waitDoubleClick());
  EXPECT_GE(clock.clock.now - start, 400u);
}

}  // namespace
