// Pixel rules of the drawing context, checked on offscreen surfaces.
#include <gtest/gtest.h>

#include "test_surface.h"
#include "toolkit/cfont.h"

namespace {

constexpr Pixel kRed{0, 0, 255, 255};
constexpr Pixel kBlue{255, 0, 0, 255};
constexpr Pixel kNone{0, 0, 0, 0};

class DrawContextTest : public ::testing::Test {
 protected:
  COffscreenContext c{nullptr, 40, 40};
  void SetUp() override {
    c.setFrameColor(kRedCColor);
    c.setFillColor(kBlueCColor);
  }
};

TEST_F(DrawContextTest, DefaultState) {
  EXPECT_EQ(c.getLineWidth(), 1);
  EXPECT_EQ(c.getLineStyle(), kLineSolid);
  EXPECT_EQ(c.getDrawMode(), kCopyMode);
  EXPECT_EQ(c.getFontColor(), kWhiteCColor);
  EXPECT_EQ(c.getFont(), kSystemFont);
  CRect clip;
  EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 40, 40));
  EXPECT_EQ(pixelAt(c, 0, 0), kNone);  // offscreen pixels start fully transparent

  COffscreenContext fresh(nullptr, 4, 4);
  EXPECT_EQ(fresh.getFrameColor(), kWhiteCColor);
  EXPECT_EQ(fresh.getFillColor(), kBlackCColor);
  EXPECT_EQ(fresh.getBackgroundColor(), kBlackCColor);

  // A context over no surface and no window starts with the 1000 x 1000 clip.
  CDrawContext none(nullptr, nullptr, nullptr);
  EXPECT_EQ(none.getClipRect(clip), CRect(0, 0, 1000, 1000));
}

TEST_F(DrawContextTest, RectangleOutlineLiesOnFirstAndLastPixels) {
  c.drawRect(CRect(0, 0, 10, 10), kDrawStroked);
  for (int i = 0; i < 10; i++) {
    EXPECT_EQ(pixelAt(c, i, 0), kRed) << i;
    EXPECT_EQ(pixelAt(c, i, 9), kRed) << i;
    EXPECT_EQ(pixelAt(c, 0, i), kRed) << i;
    EXPECT_EQ(pixelAt(c, 9, i), kRed) << i;
    EXPECT_EQ(pixelAt(c, 10, i), kNone) << i;
    EXPECT_EQ(pixelAt(c, i, 10), kNone) << i;
  }
  for (int y = 1; y < 9; y++)
    for (int x = 1; x < 9; x++) EXPECT_EQ(pixelAt(c, x, y), kNone) << inkMap(c, 12, 12);
}

TEST_F(DrawContextTest, FilledRectangleCoversExactlyItsPixels) {
  c.drawRect(CRect(10, 10, 0, 0), kDrawFilled);  // corners given the wrong way round
  EXPECT_EQ(inkBounds(c), CRect(0, 0, 10, 10));
  for (int y = 0; y < 10; y++)
    for (int x = 0; x < 10; x++) EXPECT_EQ(pixelAt(c, x, y), kBlue);
}

TEST_F(DrawContextTest, EmptyShapesDrawNothing) {
  c.drawRect(CRect(5, 5, 5, 5), kDrawFilledAndStroked);
  c.drawEllipse(CRect(5, 5, 5, 9), kDrawFilledAndStroked);
  c.drawArc(CRect(5, 5, 9, 5), 0, 90, kDrawFilledAndStroked);
  c.setLineWidth(0);
  c.moveTo(CPoint(0, 0));
  c.lineTo(CPoint(10, 10));
  EXPECT_TRUE(inkBounds(c).isEmpty());
  // The context still works afterwards.
  c.setLineWidth(1);
  c.fillRect(CRect(0, 0, 1, 1));
  EXPECT_EQ(pixelAt(c, 0, 0), kBlue);
}

TEST_F(DrawContextTest, FilledAndStrokedRectangle) {
  c.drawRect(CRect(2, 2, 8, 8), kDrawFilledAndStroked);
  EXPECT_EQ(pixelAt(c, 2, 2), kRed);
  EXPECT_EQ(pixelAt(c, 7, 5), kRed);
  EXPECT_EQ(pixelAt(c, 4, 4), kBlue);
  EXPECT_EQ(inkBounds(c), CRect(2, 2, 8, 8));
}

TEST_F(DrawContextTest, OffsetMovesEveryOperationAndClipIsStoredWithIt) {
  c.setOffset(CPoint(5, 6));
  c.fillRect(CRect(0, 0, 2, 2));
  EXPECT_EQ(inkBounds(c), CRect(5, 6, 7, 8));

  c.setClipRect(CRect(0, 0, 3, 3));
  CRect clip;
  EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 3, 3));
  c.setOffset(CPoint(0, 0));
  // The stored clip keeps the offset that was in force when it was set.
  EXPECT_EQ(c.getClipRect(clip), CRect(5, 6, 8, 9));
  c.fillRect(CRect(0, 0, 40, 40));
  EXPECT_EQ(inkBounds(c), CRect(5, 6, 8, 9));

  c.resetClipRect();
  EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 1000, 1000));  // no frame
}

TEST_F(DrawContextTest, ClipLimitsDrawing) {
  c.setClipRect(CRect(2, 3, 5, 7));
  c.fillRect(CRect(0, 0, 40, 40));
  EXPECT_EQ(inkBounds(c), CRect(2, 3, 5, 7));
  // A new clip replaces the old one rather than narrowing it.
  c.setClipRect(CRect(20, 20, 22, 22));
  c.fillRect(CRect(0, 0, 40, 40));
  EXPECT_TRUE(inked(c, 21, 21));
  EXPECT_FALSE(inked(c, 19, 21));
}

TEST_F(DrawContextTest, EllipseOutlineAndFillShareTheirExtremePixels) {
  c.drawEllipse(CRect(0, 0, 10, 10), kDrawStroked);
  EXPECT_EQ(inkBounds(c), CRect(0, 0, 10, 10)) << inkMap(c, 12, 12);
  EXPECT_FALSE(inked(c, 0, 0));  // corners stay clear
  EXPECT_FALSE(inked(c, 5, 5));  // hollow

  COffscreenContext f(nullptr, 20, 20);
  f.setFillColor(kBlueCColor);
  f.fillEllipse(CRect(0, 0, 10, 10));
  EXPECT_EQ(inkBounds(f), CRect(0, 0, 10, 10)) << inkMap(f, 12, 12);
  EXPECT_EQ(pixelAt(f, 5, 5), kBlue);
  EXPECT_FALSE(inked(f, 0, 0));
}

TEST_F(DrawContextTest, ArcFrom270To90SweepsTheRightHalf) {
  // 270 to 90 degrees: 90 + 360 - 270 = 180 degrees, clockwise through 0 (the right).
  CRect box(0, 0, 20, 20);
  c.drawArc(box, 270, 90, kDrawStroked);
  CRect ink = inkBounds(c);
  EXPECT_GE(ink.left, 9) << inkMap(c, 22, 22);
  EXPECT_EQ(ink.right, 21);  // the ellipse of (0, 0, 20, 20), outline of whole pixels
  EXPECT_LE(ink.top, 0);
  EXPECT_GE(ink.bottom, 20);

  // 0 to 180: the lower half.
  COffscreenContext lower(nullptr, 40, 40);
  lower.drawArc(box, 0, 180, kDrawStroked);
  CRect l = inkBounds(lower);
  EXPECT_GE(l.top, 9) << inkMap(lower, 22, 22);
  EXPECT_EQ(l.left, 0);
  EXPECT_EQ(l.right, 21);

  // The same sweep given as 270 to 450 draws the same pixels.
  COffscreenContext same(nullptr, 40, 40);
  same.setFrameColor(kRedCColor);
  same.drawArc(box, 270, 450, kDrawStroked);
  EXPECT_EQ(inkMap(same, 40, 40), inkMap(c, 40, 40));
}

TEST_F(DrawContextTest, FilledArcIsClosedByItsChord) {
  c.drawArc(CRect(0, 0, 20, 20), 270, 90, kDrawFilled);
  EXPECT_EQ(pixelAt(c, 15, 10), kBlue);  // inside the right half
  EXPECT_FALSE(inked(c, 5, 10));         // left of the chord
}

TEST_F(DrawContextTest, LinesCoverWholePixelsEvenWhenAntialiased) {
  c.setDrawMode(kAntialias);
  c.moveTo(CPoint(2, 5));
  c.lineTo(CPoint(12, 5));
  for (int x = 3; x < 11; x++) {
    EXPECT_EQ(pixelAt(c, x, 5), kRed) << x;
    EXPECT_EQ(pixelAt(c, x, 4), kNone) << x;
    EXPECT_EQ(pixelAt(c, x, 6), kNone) << x;
  }
  // Even widths sit on the grid: two full rows.
  c.setLineWidth(2);
  c.moveTo(CPoint(2, 20));
  c.lineTo(CPoint(12, 20));
  EXPECT_EQ(pixelAt(c, 6, 19), kRed);
  EXPECT_EQ(pixelAt(c, 6, 20), kRed);
  EXPECT_EQ(pixelAt(c, 6, 18), kNone);
  EXPECT_EQ(pixelAt(c, 6, 21), kNone);
}

TEST_F(DrawContextTest, LineToMovesThePen) {
  c.moveTo(CPoint(0, 0));
  c.lineTo(CPoint(10, 0));
  c.lineTo(CPoint(10, 10));  // continues from (10, 0)
  EXPECT_TRUE(inked(c, 10, 5)) << inkMap(c, 12, 12);
  EXPECT_FALSE(inked(c, 0, 5));
}

TEST_F(DrawContextTest, DrawLinesTakesPointsInPairs) {
  CPoint pts[5] = {CPoint(0, 2), CPoint(10, 2), CPoint(0, 8), CPoint(10, 8), CPoint(30, 30)};
  c.drawLines(pts, 5);  // the odd last point is not drawn and joins nothing
  EXPECT_TRUE(inked(c, 5, 2));
  EXPECT_TRUE(inked(c, 5, 8));
  EXPECT_FALSE(inked(c, 5, 5));  // no segment from (10, 2) to (0, 8)
  EXPECT_FALSE(inked(c, 20, 20));
}

TEST_F(DrawContextTest, DrawPointSetsOnePixelAndRestoresThePen) {
  c.setLineWidth(3);
  c.drawPoint(CPoint(7, 9), kGreenCColor);
  EXPECT_EQ(pixelAt(c, 7, 9), (Pixel{0, 255, 0, 255}));
  EXPECT_EQ(inkBounds(c), CRect(7, 9, 8, 10));
  EXPECT_EQ(c.getLineWidth(), 3);
  EXPECT_EQ(c.getFrameColor(), kRedCColor);
  EXPECT_EQ(c.getPoint(CPoint(7, 9)), kBlackCColor);  // reading back is not supported
}

TEST_F(DrawContextTest, DottedLineAlternates) {
  c.setLineStyle(kLineOnOffDash);
  c.moveTo(CPoint(0, 3));
  c.lineTo(CPoint(20, 3));
  int on = 0;
  int off = 0;
  for (int x = 0; x < 20; x++) (inked(c, x, 3) ? on : off)++;
  EXPECT_EQ(on, 10) << inkMap(c, 22, 5);
  EXPECT_EQ(off, 10);
  EXPECT_TRUE(inked(c, 0, 3));
  EXPECT_FALSE(inked(c, 1, 3));
}

TEST_F(DrawContextTest, AntialiasOnlyForAntialiasMode) {
  for (CDrawMode mode : {kCopyMode, kOrMode, kXorMode, kAntialias}) {
    COffscreenContext d(nullptr, 30, 30);
    d.setDrawMode(mode);
    d.setFrameColor(kRedCColor);
    d.moveTo(CPoint(0, 0));
    d.lineTo(CPoint(29, 13));
    bool partial = false;
    for (int y = 0; y < 30; y++)
      for (int x = 0; x < 30; x++) {
        uint8_t a = pixelAt(d, x, y).a;
        if (a != 0 && a != 255) partial = true;
      }
    EXPECT_EQ(partial, mode == kAntialias) << mode;
  }
}

TEST_F(DrawContextTest, ColoursKeepTheirAlpha) {
  c.setFillColor(MakeCColor(255, 0, 0, 128));
  c.fillRect(CRect(0, 0, 4, 4));
  Pixel p = pixelAt(c, 1, 1);
  // Stored premultiplied: red 255 at alpha 128 is red 128.
  EXPECT_EQ(p.a, 128);
  EXPECT_NEAR(p.r, 128, 1);
  EXPECT_EQ(p.g, 0);
  EXPECT_EQ(p.b, 0);
}

TEST_F(DrawContextTest, PolygonsFilledOutlinedOpenAndClosed) {
  CPoint tri[3] = {CPoint(0, 0), CPoint(20, 0), CPoint(0, 20)};
  c.fillPolygon(tri, 3);
  EXPECT_EQ(pixelAt(c, 3, 3), kBlue);
  EXPECT_FALSE(inked(c, 15, 15));

  COffscreenContext open(nullptr, 30, 30);
  open.drawPolygon(tri, 3, kDrawStroked, false);
  COffscreenContext closed(nullptr, 30, 30);
  closed.drawPolygon(tri, 3, kDrawStroked, true);
  // Only the closed outline has the edge back from (0, 20) to (0, 0).
  EXPECT_FALSE(inked(open, 0, 10)) << inkMap(open, 22, 22);
  EXPECT_TRUE(inked(closed, 0, 10)) << inkMap(closed, 22, 22);
  EXPECT_TRUE(inked(open, 10, 0));
}

TEST_F(DrawContextTest, LargePolygonsDrawTheSameAsSmallOnes) {
  // 40 points along the border of a square fill the same pixels as its 4 corners.
  CPoint many[40];
  for (int i = 0; i < 10; i++) {
    many[i] = CPoint(i * 2, 0);
    many[10 + i] = CPoint(20, i * 2);
    many[20 + i] = CPoint(20 - i * 2, 20);
    many[30 + i] = CPoint(0, 20 - i * 2);
  }
  CPoint four[4] = {CPoint(0, 0), CPoint(20, 0), CPoint(20, 20), CPoint(0, 20)};
  COffscreenContext a(nullptr, 30, 30);
  COffscreenContext b(nullptr, 30, 30);
  a.fillPolygon(many, 40);
  b.fillPolygon(four, 4);
  EXPECT_EQ(inkMap(a, 30, 30), inkMap(b, 30, 30));
  EXPECT_TRUE(inked(a, 10, 10));
}

TEST_F(DrawContextTest, ContextWithoutSurfaceDrawsNothingAndSurvives) {
  CDrawContext none(nullptr, nullptr, nullptr);
  none.fillRect(CRect(0, 0, 10, 10));
  none.drawEllipse(CRect(0, 0, 10, 10), kDrawFilledAndStroked);
  none.drawArc(CRect(0, 0, 10, 10), 0, 90, kDrawFilledAndStroked);
  CPoint pts[2] = {CPoint(0, 0), CPoint(5, 5)};
  none.drawPolygon(pts, 2, kDrawFilledAndStroked);
  none.moveTo(CPoint(0, 0));
  none.lineTo(CPoint(5, 5));
  none.drawStringUTF8("text", CRect(0, 0, 50, 20), kCenterText);
  none.setClipRect(CRect(1, 1, 2, 2));
  CRect clip;
  EXPECT_EQ(none.getClipRect(clip), CRect(1, 1, 2, 2));
}

TEST_F(DrawContextTest, OffscreenCopiesIntoAnotherContext) {
  COffscreenContext src(nullptr, 10, 10);
  src.setFillColor(kRedCColor);
  src.fillRect(CRect(0, 0, 10, 10));
  src.setFillColor(kGreenCColor);
  src.fillRect(CRect(5, 5, 10, 10));
  // The green quarter, 1:1, to (20, 20).
  src.copyFrom(&c, CRect(20, 20, 25, 25), CPoint(5, 5));
  EXPECT_EQ(inkBounds(c), CRect(20, 20, 25, 25));
  EXPECT_EQ(pixelAt(c, 20, 20), (Pixel{0, 255, 0, 255}));
  EXPECT_EQ(pixelAt(c, 24, 24), (Pixel{0, 255, 0, 255}));
}

TEST(DrawContextFontTest, SetFontKeepsOrDerivesTheFont) {
  CFontDesc* base = new CFontDesc("Arial", 12, 0);
  {
    CDrawContext context(nullptr, nullptr, nullptr);
    context.setFont(base, 0, -1);
    EXPECT_EQ(context.getFont(), base);  // the object itself
    EXPECT_EQ(base->getNbReference(), 2);
    context.setFont(base, 12, 0);  // same size and style: still the object itself
    EXPECT_EQ(context.getFont(), base);
    EXPECT_EQ(base->getNbReference(), 2);

    context.setFont(base, 14, -1);
    CFontDesc* derived = context.getFont();
    ASSERT_NE(derived, base);
    EXPECT_STREQ(derived->getName(), "Arial");
    EXPECT_EQ(derived->getSize(), 14);
    EXPECT_EQ(derived->getStyle(), 0);
    EXPECT_EQ(base->getNbReference(), 1);  // given back

    context.setFont(base, -5, kBoldFace);
    EXPECT_EQ(context.getFont()->getSize(), 12);
    EXPECT_EQ(context.getFont()->getStyle(), kBoldFace);

    context.setFont(nullptr);  // changes nothing
    EXPECT_EQ(context.getFont()->getStyle(), kBoldFace);
  }
  EXPECT_EQ(base->getNbReference(), 1);
  base->forget();
}

TEST(DrawContextFontTest, ContextsReleaseEverythingTheyHold) {
  int32_t living = CBaseObject::getNbLivingObjects();
  int32_t systemRefs = kSystemFont->getNbReference();
  {
    COffscreenContext c(nullptr, 8, 8);
    c.setFont(kNormalFont, 20, kItalicFace);
    EXPECT_GT(CBaseObject::getNbLivingObjects(), living);
  }
  EXPECT_EQ(CBaseObject::getNbLivingObjects(), living);
  EXPECT_EQ(kSystemFont->getNbReference(), systemRefs);
}

}  // namespace
