// The editor's pictures as the plug-in loads them from its resources: sizes and
// frame counts, knob pointers that follow the knob's sweep, lamps that read as off
// and on, switch levers at their positions.
#include <gtest/gtest.h>

#include <cmath>

#include "toolkit/cbitmap.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pixel {
  int b, g, r, a;
};

// A counted bitmap loaded from the resources, given up at the end of the scope.
class Image {
 public:
  explicit Image(int32_t id) : bitmap(new CBitmap(id)) {}
  ~Image() { bitmap->forget(); }
  const CBitmap* operator->() const { return bitmap; }
  const CBitmap& operator*() const { return *bitmap; }

 private:
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  CBitmap* bitmap;
};

Pixel at(const CBitmap& image, int x, int y) {
  uint8_t p[4] = {0, 0, 0, 0};
  EXPECT_TRUE(image.getPixelBGRA(x, y, p)) << x << ", " << y;
  return {p[0], p[1], p[2], p[3]};
}

TEST(Artwork, EveryPictureHasItsSizeAndKind) {
  const struct {
    int32_t id, width, height;
    bool alpha;
  } pictures[] = {{128, 428, 405, false}, {129, 49, 3024, true},  {130, 25, 231, true},  {131, 20, 40, true},
                  {10016, 27, 115, true}, {10018, 23, 713, true}, {10019, 10, 310, true}};
  for (const auto& p : pictures) {
    Image image(p.id);
    EXPECT_TRUE(image->isLoaded()) << p.id;
    EXPECT_EQ(image->getWidth(), p.width) << p.id;
    EXPECT_EQ(image->getHeight(), p.height) << p.id;
    EXPECT_EQ(image->hasAlpha(), p.alpha) << p.id;
  }
}

// Direction of the knob's cream pointer on its dark cap, in degrees counter-clockwise
// from the right (screen y up), or NaN when no pointer is found.
double pointerDegrees(const CBitmap& strip, int frame) {
  const double cx = 24.5, cy = 24.0;
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 49; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, r = std::hypot(dx, dy);
      if (r < 5 || r > 12) continue;  // the cap, inside the metal skirt
      Pixel p = at(strip, x, frame * 48 + y);
      if (p.r > 200 && p.r > p.b + 10) {
        sx += dx;
        sy += -dy;
        ++n;
      }
    }
  return n ? std::atan2(sy, sx) * 180 / kPi : std::nan("");
}

TEST(Artwork, KnobPointerTurnsClockwiseFromLowerLeftToLowerRight) {
  Image knob(129);
  ASSERT_TRUE(knob->isLoaded());
  // The knob's sweep: 270 degrees clockwise through the top, starting at 225 degrees.
  for (int frame : {0, 10, 20, 31, 41, 52, 62}) {
    double expected = 225.0 - 270.0 * frame / 62.0;
    double found = pointerDegrees(*knob, frame);
    ASSERT_FALSE(std::isnan(found)) << "frame " << frame;
    double diff = std::remainder(found - expected, 360.0);
    EXPECT_LT(std::fabs(diff), 6.0) << "frame " << frame << ": " << found << " against " << expected;
  }
}

int greenAtCentre(const CBitmap& strip, int size, int frame) {
  return at(strip, size / 2, frame * size + size / 2).g;
}

TEST(Artwork, LampsRunFromDarkToBrightGreen) {
  for (int size : {10, 23}) {
    Image strip(size == 10 ? 10019 : 10018);
    ASSERT_TRUE(strip->isLoaded());
    Pixel off = at(*strip, size / 2, size / 2);
    Pixel on = at(*strip, size / 2, 30 * size + size / 2);
    EXPECT_LT(off.g, 110) << size;
    EXPECT_GT(on.g, 200) << size;
    EXPECT_GT(on.g, on.r + 20) << size;
    EXPECT_GT(on.g, on.b + 20) << size;
    for (int frame = 1; frame < 31; ++frame)
      EXPECT_GE(greenAtCentre(*strip, size, frame), greenAtCentre(*strip, size, frame - 1)) << size;
  }
}

TEST(Artwork, OnOffButtonsLightWhenOnAndSwitchLeversSitAtTheirPositions) {
  Image onoff(131);
  ASSERT_TRUE(onoff->isLoaded());
  Pixel off = at(*onoff, 10, 9), on = at(*onoff, 10, 20 + 9);  // the window of the key
  EXPECT_GT(on.r + on.g, off.r + off.g + 200);

  // A lever is the brightest band of its frame; the bands of the three positions
  // centre on rows 13, 38 and 64 of each 77-row frame.
  Image lever(130);
  ASSERT_TRUE(lever->isLoaded());
  for (int frame = 0; frame < 3; ++frame) {
    int best = -1, bestSum = -1;
    for (int y = 0; y < 77; ++y) {
      int sum = 0;
      for (int x = 4; x < 18; ++x) sum += at(*lever, x, frame * 77 + y).g;
      if (sum > bestSum) bestSum = sum, best = y;
    }
    const int centre[3] = {13, 38, 64};
    EXPECT_NEAR(best, centre[frame], 7) << "frame " << frame;
  }
}

}  // namespace
