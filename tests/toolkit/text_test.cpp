// Text measuring, the baseline and alignment arithmetic, clipping and fonts.
#include <gtest/gtest.h>

#include "test_surface.h"
#include "toolkit/cfont.h"

namespace {

// Text drawn in a rectangle equals the same text drawn at the point the
// arithmetic gives, clipped to the rectangle.
struct Pair {
  COffscreenContext viaRect{nullptr, 200, 60};
  COffscreenContext viaPoint{nullptr, 200, 60};
};

void drawAtPoint(COffscreenContext& c, const char* text, const CPoint& p, const CRect& clip) {
  c.setClipRect(clip);
  c.drawStringUTF8(text, p);
  c.resetClipRect();
}

TEST(TextTest, MeasuringNeedsTextAndFont) {
  CDrawContext c(nullptr, nullptr, nullptr);
  EXPECT_EQ(c.getStringWidthUTF8(nullptr), -1);
  EXPECT_EQ(c.getStringWidthUTF8(""), 0);
  int32_t one = c.getStringWidthUTF8("M");
  EXPECT_GT(one, 0);
  EXPECT_EQ(c.getStringWidth("M"), one);
  // Advances of a hinted font are whole pixels, so they add up exactly.
  EXPECT_EQ(c.getStringWidthUTF8("MMMM"), 4 * one);
}

TEST(TextTest, ArialResolvesToTheSameFaceAsLiberationSans) {
  CFontDesc* liberation = new CFontDesc("Liberation Sans", 12, 0);
  CDrawContext a(nullptr, nullptr, nullptr);
  CDrawContext b(nullptr, nullptr, nullptr);
  a.setFont(kNormalFont);
  b.setFont(liberation);
  const char* text = "The quick brown fox jumps over 13 lazy dogs";
  EXPECT_EQ(a.getStringWidthUTF8(text), b.getStringWidthUTF8(text));
  liberation->forget();
}

TEST(TextTest, MissingFamilyFallsBackToSansSerif) {
  CFontDesc* missing = new CFontDesc("No Such Family Anywhere", 14, 0);
  CFontDesc* sans = new CFontDesc("sans-serif", 14, 0);
  CDrawContext a(nullptr, nullptr, nullptr);
  CDrawContext b(nullptr, nullptr, nullptr);
  a.setFont(missing);
  b.setFont(sans);
  const char* text = "Fallback 0123456789";
  EXPECT_GT(a.getStringWidthUTF8(text), 0);
  EXPECT_EQ(a.getStringWidthUTF8(text), b.getStringWidthUTF8(text));
  missing->forget();
  sans->forget();
}

TEST(TextTest, OneStyleWinsInTheOrderBoldItalicUnderline) {
  const char* text = "Wide Bold Words Measured Here";
  CDrawContext c(nullptr, nullptr, nullptr);
  c.setFont(kNormalFont, 0, kNormalFace);
  int32_t plain = c.getStringWidthUTF8(text);
  c.setFont(kNormalFont, 0, kBoldFace);
  int32_t bold = c.getStringWidthUTF8(text);
  c.setFont(kNormalFont, 0, kItalicFace);
  int32_t italic = c.getStringWidthUTF8(text);
  c.setFont(kNormalFont, 0, kBoldFace | kItalicFace);
  int32_t boldItalic = c.getStringWidthUTF8(text);
  c.setFont(kNormalFont, 0, kBoldFace | kUnderlineFace);
  int32_t boldUnderline = c.getStringWidthUTF8(text);
  EXPECT_GT(bold, plain);
  EXPECT_EQ(boldItalic, italic);    // italic came later than bold
  EXPECT_EQ(boldUnderline, plain);  // underline came last: not bold
}

TEST(TextTest, UnderlineAddsALineBelowTheText) {
  COffscreenContext plain(nullptr, 100, 30);
  COffscreenContext under(nullptr, 100, 30);
  plain.setFont(kNormalFont);
  under.setFont(kNormalFont, 0, kUnderlineFace);
  plain.drawStringUTF8("ooo", CPoint(5, 20));
  under.drawStringUTF8("ooo", CPoint(5, 20));
  EXPECT_GT(inkBounds(under).bottom, inkBounds(plain).bottom);
}

TEST(TextTest, LineOfTextEndsAtThePoint) {
  COffscreenContext c(nullptr, 100, 60);
  c.setFont(kNormalFontBig);  // 14 pixels
  c.drawStringUTF8("Hgjpqy", CPoint(10, 40));
  CRect ink = inkBounds(c);
  ASSERT_FALSE(ink.isEmpty());
  // Descenders reach into the line's last pixels, never below it.
  EXPECT_LE(ink.bottom, 41);
  EXPECT_GE(ink.bottom, 41 - 4);
  // Capitals stand about one font size above.
  EXPECT_GE(ink.top, 40 - 14 - 2);
  EXPECT_LE(ink.top, 40 - 14 + 6);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.left, 12);

  // The offset moves the text like everything else.
  COffscreenContext moved(nullptr, 100, 60);
  moved.setFont(kNormalFontBig);
  moved.setOffset(CPoint(7, 3));
  moved.drawStringUTF8("Hgjpqy", CPoint(3, 37));
  EXPECT_EQ(inkMap(moved, 100, 60), inkMap(c, 100, 60));
}

TEST(TextTest, TextInRectangleFollowsTheBaselineAndAlignmentArithmetic) {
  const char* text = "Level 7";
  const CRect rect(20, 10, 140, 40);  // 120 x 30
  CDrawContext measure(nullptr, nullptr, nullptr);
  int32_t w = measure.getStringWidthUTF8(text);
  ASSERT_GT(w, 0);
  // bottom = 40 - (30 / 2 - 12 / 2 + 1) = 30
  const int32_t baseY = 30;
  struct Case {
    CHoriTxtAlign align;
    int32_t x;
  } cases[] = {
      {kLeftText, 20}, {kRightText, 140 - w}, {kCenterText, static_cast<int32_t>(20 + 120 / 2.0 - w / 2.0)}};
  for (const Case& k : cases) {
    Pair p;
    p.viaRect.setFontColor(kRedCColor);
    p.viaPoint.setFontColor(kRedCColor);
    p.viaRect.drawStringUTF8(text, rect, k.align);
    drawAtPoint(p.viaPoint, text, CPoint(k.x, baseY), rect);
    EXPECT_EQ(inkMap(p.viaRect, 200, 60), inkMap(p.viaPoint, 200, 60)) << "alignment " << k.align;
    EXPECT_FALSE(inkBounds(p.viaRect).isEmpty());
  }
}

TEST(TextTest, RightAlignedTextWiderThanItsRectangleIsClippedAtTheLeft) {
  const char* text = "A rather long label that cannot fit";
  const CRect rect(60, 10, 110, 30);
  CDrawContext measure(nullptr, nullptr, nullptr);
  int32_t w = measure.getStringWidthUTF8(text);
  ASSERT_GT(w, rect.width());
  Pair p;
  p.viaRect.drawStringUTF8(text, rect, kRightText);
  CRect ink = inkBounds(p.viaRect);
  EXPECT_GE(ink.left, 60);
  EXPECT_LE(ink.left, 61);  // the text starts left of the rectangle and is cut there
  EXPECT_LE(ink.right, 110);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 30);
  // bottom = 30 - (20 / 2 - 12 / 2 + 1) = 25; left = 110 - w
  drawAtPoint(p.viaPoint, text, CPoint(110 - w, 25), rect);
  EXPECT_EQ(inkMap(p.viaRect, 200, 60), inkMap(p.viaPoint, 200, 60));
}

TEST(TextTest, DrawingInARectangleRestoresTheClip) {
  COffscreenContext c(nullptr, 100, 100);
  c.setClipRect(CRect(5, 5, 50, 50));
  c.drawStringUTF8("clip", CRect(0, 0, 80, 20), kLeftText);
  CRect clip;
  EXPECT_EQ(c.getClipRect(clip), CRect(5, 5, 50, 50));
  // And the text stayed inside both the rectangle and the clip.
  CRect ink = inkBounds(c);
  EXPECT_GE(ink.left, 5);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.bottom, 20);
  c.drawString(nullptr, CRect(0, 0, 80, 20));  // no text: nothing
}

TEST(TextTest, FontOfNoSizeDrawsNothingAndLeavesTheContextWorking) {
  CFontDesc* none = new CFontDesc("Arial", 0, 0);
  COffscreenContext c(nullptr, 40, 20);
  c.setFont(none);
  EXPECT_EQ(c.getStringWidthUTF8("abc"), 0);
  c.drawStringUTF8("abc", CPoint(2, 15));
  c.drawStringUTF8("abc", CRect(0, 0, 40, 20), kCenterText);
  EXPECT_TRUE(inkBounds(c).isEmpty());
  c.setFont(kNormalFont);
  c.drawStringUTF8("abc", CPoint(2, 15));
  c.fillRect(CRect(30, 0, 32, 2));
  EXPECT_FALSE(inkBounds(c).isEmpty());
  EXPECT_TRUE(inked(c, 30, 0));
  none->forget();
}

TEST(TextTest, InvalidUtf8IsDrawnWithReplacementsAndBreaksNothing) {
  COffscreenContext c(nullptr, 80, 20);
  COffscreenContext q(nullptr, 80, 20);
  const char* bad[] = {
      "a\xff"
      "b",
      "a\xc3", "a\xe2\x82",
      "a\xed\xa0\x80"
      "b",
      "a\xc0\xaf"
      "b"};
  for (const char* text : bad) {
    EXPECT_GT(c.getStringWidthUTF8(text), 0) << text;
    c.drawStringUTF8(text, CPoint(2, 15));
  }
  EXPECT_FALSE(inkBounds(c).isEmpty());
  // Each byte that starts no valid sequence counts as a '?'.
  EXPECT_EQ(c.getStringWidthUTF8("a\xff"
                                 "b"),
            q.getStringWidthUTF8("a?b"));
  EXPECT_EQ(c.getStringWidthUTF8("a\xc0\xaf"
                                 "b"),
            q.getStringWidthUTF8("a??b"));
  EXPECT_EQ(c.getStringWidthUTF8("\xc3\xa9"), q.getStringWidthUTF8("\xc3\xa9"));  // valid text is kept
  EXPECT_NE(c.getStringWidthUTF8("\xc3\xa9"), q.getStringWidthUTF8("??"));
  c.fillRect(CRect(70, 0, 72, 2));
  EXPECT_TRUE(inked(c, 70, 0));  // the context still draws
}

TEST(TextTest, FontColourAndAntialiasing) {
  COffscreenContext aa(nullptr, 60, 30);
  COffscreenContext plain(nullptr, 60, 30);
  aa.setFontColor(kGreenCColor);
  plain.setFontColor(kGreenCColor);
  aa.drawStringUTF8("oval", CPoint(2, 20), true);
  plain.drawStringUTF8("oval", CPoint(2, 20), false);
  bool partial = false;
  bool anyGreen = false;
  for (int y = 0; y < 30; y++)
    for (int x = 0; x < 60; x++) {
      Pixel p = pixelAt(aa, x, y);
      if (p.a != 0 && p.a != 255) partial = true;
      if (p.a == 255) {
        EXPECT_EQ(p.g, 255);
        EXPECT_EQ(p.r, 0);
        anyGreen = true;
      }
    }
  EXPECT_TRUE(partial);
  EXPECT_TRUE(anyGreen);
  EXPECT_FALSE(inkBounds(plain).isEmpty());
}

}  // namespace
