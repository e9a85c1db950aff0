// The real plug-in's panel as zarnith-host view shows it: the screenshot carries the
// plug-in's current values (first factory program) drawn by the toolkit.
#include <gtest/gtest.h>
// clang-format off
#include <cairo.h>
// clang-format on

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Shot {
  cairo_surface_t* surface = nullptr;
  ~Shot() {
    if (surface) cairo_surface_destroy(surface);
  }
  // Red, green, blue of an opaque pixel.
  void rgb(int x, int y, int& r, int& g, int& b) const {
    const uint8_t* p =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + x * 4;
    uint32_t v = *reinterpret_cast<const uint32_t*>(p);
    r = (v >> 16) & 0xff;
    g = (v >> 8) & 0xff;
    b = v & 0xff;
  }
  bool lampLit(int left, int top, int size) const {
    int r, g, b;
    rgb(left + size / 2, top + size / 2, r, g, b);
    return g > 180 && g > r + 40 && g > b + 40;
  }
};

class PanelScreenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no DISPLAY: screenshot skipped";
    path = ::testing::TempDir() + "zarnith_editor_panel.png";
    std::remove(path.c_str());
    std::string command = std::string(ZARNITH_HOST) + " view " + ZARNITH_PLUGIN + " --screenshot " + path +
                          " --after 400 > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    shot.surface = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(shot.surface), CAIRO_STATUS_SUCCESS);
    cairo_surface_flush(shot.surface);
  }
  void TearDown() override { std::remove(path.c_str()); }

  std::string path;
  Shot shot;
};

TEST_F(PanelScreenshot, ShowsThePanelWithTheEffectsValues) {
  EXPECT_EQ(cairo_image_surface_get_width(shot.surface), 428);
  EXPECT_EQ(cairo_image_surface_get_height(shot.surface), 405);

  // Filter Type 0.5: only the band-pass lamp lit. Not bypassed: the bypass lamp lit.
  EXPECT_FALSE(shot.lampLit(190, 60, 10));
  EXPECT_TRUE(shot.lampLit(190, 87, 10));
  EXPECT_FALSE(shot.lampLit(190, 114, 10));
  EXPECT_TRUE(shot.lampLit(381, 310, 23));
  EXPECT_FALSE(shot.lampLit(280, 350, 10));  // Silence Instr 0

  // The cutoff readout: green text on black.
  int green = 0, black = 0;
  for (int y = 116; y < 124; ++y)
    for (int x = 36; x < 83; ++x) {
      int r, g, b;
      shot.rgb(x, y, r, g, b);
      if (g > 150 && r < 100 && b < 100) ++green;
      if (r + g + b < 30) ++black;
    }
  EXPECT_GT(green, 10);
  EXPECT_GT(black, 200);

  // The Freq knob at 0.48 shows frame 29 of 63: its pointer 98.7 degrees from the
  // right, counter-clockwise (a little left of straight up).
  const double cx = 35 + 24.5, cy = 54 + 24.0;
  double sx = 0, sy = 0;
  for (int y = 54; y < 102; ++y)
    for (int x = 35; x < 84; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, dist = std::hypot(dx, dy);
      if (dist < 5 || dist > 12) continue;
      int r, g, b;
      shot.rgb(x, y, r, g, b);
      if (r > 200 && r > b + 10) sx += dx, sy -= dy;
    }
  ASSERT_TRUE(sx != 0 || sy != 0) << "no pointer found";
  EXPECT_NEAR(std::atan2(sy, sx) * 180 / kPi, 225.0 - 270.0 * 29 / 62, 6.0);
}

}  // namespace
