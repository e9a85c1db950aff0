// Bitmaps: loading order, PNG decoding and premultiplication, BMP resources,
// bad images, drawing, and the graphics start/stop count.
#include <gtest/gtest.h>

#include <vector>

#include "test_images.h"
#include "test_surface.h"
#include "toolkit/cfont.h"
#include "toolkit/graphicsglobals.h"
#include "toolkit/platform/resources.h"

namespace {

using zarnith::ResourceEntry;

// Installs a resource table for one test and restores the module's own afterwards.
class BitmapTest : public ::testing::Test {
 protected:
  std::vector<std::vector<uint8_t>> blobs;
  std::vector<ResourceEntry> entries;

  void add(int32_t number, const char* type, std::vector<uint8_t> bytes) {
    blobs.push_back(std::move(bytes));
    entries.clear();  // rebuilt: the blobs may have moved
    install(number, type);
  }
  void install(int32_t number, const char* type) {
    types.push_back({number, type});
    for (size_t i = 0; i < types.size(); i++) {
      entries.push_back(
          ResourceEntry{types[i].first, nullptr, types[i].second, blobs[i].data(), blobs[i].size()});
    }
    zarnith::setResourceTable(entries.data(), entries.size());
  }
  void TearDown() override { zarnith::setResourceTable(nullptr, 0); }

  std::vector<std::pair<int32_t, const char*>> types;
};

Pixel stored(CBitmap& b, int x, int y) {
  uint8_t p[4] = {0, 0, 0, 0};
  EXPECT_TRUE(b.getPixelBGRA(x, y, p));
  return Pixel{p[0], p[1], p[2], p[3]};
}

PngSpec rgba(int w, int h, std::vector<uint8_t> samples) {
  PngSpec s;
  s.width = w;
  s.height = h;
  s.samples = std::move(samples);
  return s;
}

TEST_F(BitmapTest, PngPixelsArePremultipliedWithShiftByEight) {
  // r, g, b, a as the file stores them.
  add(200, "PNG",
      encodePNG(rgba(4, 1,
                     {0, 128, 255, 128,     // the worked example
                      255, 255, 255, 255,   // opaque white
                      77, 99, 211, 0,       // fully transparent
                      200, 100, 50, 1})));  // almost transparent
  CBitmap b(200);
  ASSERT_TRUE(b.isLoaded());
  EXPECT_EQ(b.getWidth(), 4);
  EXPECT_EQ(b.getHeight(), 1);
  EXPECT_TRUE(b.hasAlpha());
  EXPECT_EQ(stored(b, 0, 0), (Pixel{127, 64, 0, 128}));
  EXPECT_EQ(stored(b, 1, 0), (Pixel{254, 254, 254, 255}));  // 255 * 255 >> 8
  EXPECT_EQ(stored(b, 2, 0), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(stored(b, 3, 0), (Pixel{0, 0, 0, 1}));  // 50 * 1 >> 8 = 0
}

TEST_F(BitmapTest, PngOtherColourTypesAreExpanded) {
  PngSpec grey;  // 8-bit grey: 100 -> (100 * 255) >> 8 = 99 in every colour
  grey.colorType = 0;
  grey.samples = {100};
  add(1, "PNG", encodePNG(grey));

  PngSpec grey2;  // 2-bit grey: sample 2 of 3 -> 170
  grey2.colorType = 0;
  grey2.bitDepth = 2;
  grey2.samples = {0x80};
  add(2, "PNG", encodePNG(grey2));

  PngSpec palette;  // palette entry 1 with transparency 128
  palette.colorType = 3;
  palette.width = 2;
  palette.samples = {0, 1};
  palette.palette = {10, 20, 30, 200, 100, 40};
  palette.trns = {255, 128};
  add(3, "PNG", encodePNG(palette));

  PngSpec rgb16;  // 16-bit colour keeps the high bytes
  rgb16.colorType = 2;
  rgb16.bitDepth = 16;
  rgb16.samples = {0x12, 0x34, 0x80, 0x00, 0xff, 0xff};
  add(4, "PNG", encodePNG(rgb16));

  PngSpec greyAlpha;
  greyAlpha.colorType = 4;
  greyAlpha.samples = {200, 64};
  add(5, "PNG", encodePNG(greyAlpha));

  PngSpec rgbKey;  // colour key in a transparency chunk: that colour becomes transparent
  rgbKey.colorType = 2;
  rgbKey.width = 2;
  rgbKey.samples = {1, 2, 3, 9, 9, 9};
  rgbKey.trns = {1, 2, 3};
  add(6, "PNG", encodePNG(rgbKey));

  PngSpec opaquePalette;  // no transparency chunk: a filler byte makes it opaque
  opaquePalette.colorType = 3;
  opaquePalette.bitDepth = 4;
  opaquePalette.samples = {0x10};
  opaquePalette.palette = {0, 0, 0, 60, 120, 240};
  add(9, "PNG", encodePNG(opaquePalette));

  PngSpec rgba16;  // 16-bit colour with alpha: every sample keeps its high byte
  rgba16.bitDepth = 16;
  rgba16.samples = {0xff, 0x00, 0x40, 0x01, 0x00, 0xff, 0x80, 0x7f};
  add(14, "PNG", encodePNG(rgba16));

  CBitmap g(1), g2(2), p(3), c16(4), ga(5), key(6), op(9), c16a(14);
  EXPECT_EQ(stored(op, 0, 0), (Pixel{239, 119, 59, 255}));
  EXPECT_EQ(stored(c16a, 0, 0), (Pixel{0, 32, 127, 128}));  // (0, 64, 255) * 128 >> 8
  EXPECT_EQ(stored(g, 0, 0), (Pixel{99, 99, 99, 255}));
  EXPECT_EQ(stored(g2, 0, 0), (Pixel{169, 169, 169, 255}));  // 170 * 255 >> 8
  EXPECT_EQ(stored(p, 0, 0), (Pixel{29, 19, 9, 255}));
  EXPECT_EQ(stored(p, 1, 0), (Pixel{20, 50, 100, 128}));  // (40, 100, 200) * 128 >> 8
  EXPECT_EQ(stored(c16, 0, 0), (Pixel{254, 127, 17, 255}));
  EXPECT_EQ(stored(ga, 0, 0), (Pixel{50, 50, 50, 64}));
  EXPECT_EQ(stored(key, 0, 0), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(stored(key, 1, 0), (Pixel{8, 8, 8, 255}));
}

TEST_F(BitmapTest, InterlacedPngReadsEveryPass) {
  PngSpec s = rgba(9, 9, {});
  s.interlaced = true;
  for (int y = 0; y < 9; y++)
    for (int x = 0; x < 9; x++) {
      uint8_t v = static_cast<uint8_t>(x * 20 + y);
      s.samples.insert(s.samples.end(), {v, static_cast<uint8_t>(255 - v), 0, 255});
    }
  add(7, "PNG", encodePNG(s));
  CBitmap b(7);
  for (int y = 0; y < 9; y++)
    for (int x = 0; x < 9; x++) {
      int v = x * 20 + y;
      EXPECT_EQ(stored(b, x, y), (Pixel{0, static_cast<uint8_t>(((255 - v) * 255) >> 8),
                                        static_cast<uint8_t>((v * 255) >> 8), 255}))
          << x << "," << y;
    }
}

TEST_F(BitmapTest, TruncatedPngKeepsTheRowsReadAndStillLoads) {
  // Rows that do not compress well, so that cutting the file loses the later rows.
  PngSpec s = rgba(64, 256, {});
  uint32_t seed = 12345;
  for (int i = 0; i < 64 * 256; i++) {
    seed = seed * 1103515245u + 12345u;
    s.samples.insert(s.samples.end(), {static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(seed >> 16),
                                       static_cast<uint8_t>(seed >> 24), 255});
  }
  std::vector<uint8_t> full = encodePNG(s);
  std::vector<uint8_t> cut(full.begin(), full.begin() + full.size() / 2);
  add(8, "PNG", cut);
  CBitmap b(8);
  EXPECT_EQ(b.getWidth(), 64);  // as the header says
  EXPECT_EQ(b.getHeight(), 256);
  EXPECT_TRUE(b.isLoaded());
  // The first row arrived (premultiplied), the last one did not.
  const uint8_t* first = s.samples.data();
  EXPECT_EQ(stored(b, 0, 0),
            (Pixel{static_cast<uint8_t>((first[2] * 255) >> 8), static_cast<uint8_t>((first[1] * 255) >> 8),
                   static_cast<uint8_t>((first[0] * 255) >> 8), 255}));
  EXPECT_EQ(stored(b, 63, 255), (Pixel{0, 0, 0, 0}));
  EXPECT_TRUE(b.loadFromResource(8));  // answers true for a found PNG whose header was read
}

TEST_F(BitmapTest, GarbagePngNeverCrashes) {
  std::vector<uint8_t> png = encodePNG(rgba(2, 2, std::vector<uint8_t>(16, 200)));
  std::vector<uint8_t> signatureOnly(png.begin(), png.begin() + 8);
  std::vector<uint8_t> corrupted = png;
  // Signature, header chunk and the next chunk's length and type stay; what follows is damaged.
  for (size_t i = 33 + 8; i < corrupted.size(); i += 3) corrupted[i] ^= 0x5a;
  std::vector<uint8_t> hugeHeader = png;
  hugeHeader[16] = 0x7f;  // width far beyond anything sensible (the CRC no longer matches either)
  add(10, "PNG", {1, 2, 3});
  add(11, "PNG", signatureOnly);
  add(12, "PNG", corrupted);
  add(13, "PNG", hugeHeader);
  for (int32_t n : {10, 11, 13}) {
    CBitmap b(n);
    EXPECT_FALSE(b.isLoaded()) << n;
    EXPECT_EQ(b.getWidth(), 0) << n;
    EXPECT_FALSE(b.loadFromResource(n)) << n;  // no image could be read: said so
    COffscreenContext c(nullptr, 4, 4);
    b.draw(&c, CRect(0, 0, 4, 4));
    EXPECT_TRUE(inkBounds(c).isEmpty());
  }
  CBitmap damaged(12);  // header intact, data damaged: whatever was decoded, safely
  EXPECT_EQ(damaged.getWidth(), 2);
}

std::vector<uint8_t> bmpPixels(int w, int h) {
  std::vector<uint8_t> px;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      px.insert(px.end(), {static_cast<uint8_t>(10 * x), static_cast<uint8_t>(10 * y), 77});
  return px;
}

TEST_F(BitmapTest, BmpResourcesInBothRowOrdersAreOpaque) {
  add(20, "BITMAP", encodeBMP(3, 2, 24, false, bmpPixels(3, 2)));  // bottom-up, padded rows
  add(21, "BITMAP", encodeBMP(3, 2, 24, true, bmpPixels(3, 2)));   // top-down
  add(22, "BITMAP", encodeBMP(3, 2, 32, false, bmpPixels(3, 2)));
  for (int32_t n : {20, 21, 22}) {
    CBitmap b(n);
    ASSERT_TRUE(b.isLoaded()) << n;
    EXPECT_FALSE(b.hasAlpha());
    EXPECT_EQ(b.getWidth(), 3);
    EXPECT_EQ(b.getHeight(), 2);
    for (int y = 0; y < 2; y++)
      for (int x = 0; x < 3; x++) {
        EXPECT_EQ(stored(b, x, y),
                  (Pixel{static_cast<uint8_t>(10 * x), static_cast<uint8_t>(10 * y), 77, 255}))
            << n << " at " << x << "," << y;
      }
  }
}

TEST_F(BitmapTest, DamagedBmpLoadsNothing) {
  std::vector<uint8_t> good = encodeBMP(4, 4, 24, false, bmpPixels(4, 4));
  std::vector<uint8_t> truncated(good.begin(), good.end() - 5);
  std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 20);
  std::vector<uint8_t> compressed = good;
  compressed[30] = 1;  // run-length encoded: not read
  std::vector<uint8_t> badOffset = good;
  badOffset[10] = 0xf0;
  badOffset[11] = 0xff;
  add(30, "BITMAP", truncated);
  add(31, "BITMAP", headerOnly);
  add(32, "BITMAP", compressed);
  add(33, "BITMAP", badOffset);
  for (int32_t n : {30, 31, 32, 33}) {
    CBitmap b(n);
    EXPECT_FALSE(b.isLoaded()) << n;
    EXPECT_EQ(b.getWidth(), 0) << n;
  }
}

TEST_F(BitmapTest, LoadingOrderIsPngThenDataThenBitmap) {
  add(40, "BITMAP", encodeBMP(5, 5, 24, false, bmpPixels(5, 5)));
  add(40, "PNG", encodePNG(rgba(2, 1, {1, 2, 3, 255, 4, 5, 6, 255})));
  add(41, "BITMAP", encodeBMP(5, 5, 24, false, bmpPixels(5, 5)));
  add(41, "DATA", encodePNG(rgba(3, 1, {9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255})));
  CBitmap fromPng(40);
  EXPECT_EQ(fromPng.getWidth(), 2);
  EXPECT_TRUE(fromPng.hasAlpha());
  CBitmap fromData(41);
  EXPECT_EQ(fromData.getWidth(), 3);
  EXPECT_TRUE(fromData.isLoaded());
}

TEST_F(BitmapTest, MissingResourceGivesAnEmptyBitmapThatDrawsNothing) {
  add(50, "PNG", encodePNG(rgba(1, 1, {1, 1, 1, 255})));
  CBitmap b(51);
  EXPECT_FALSE(b.isLoaded());
  EXPECT_EQ(b.getWidth(), 0);
  EXPECT_EQ(b.getHeight(), 0);
  EXPECT_FALSE(b.loadFromResource(51));
  COffscreenContext c(nullptr, 8, 8);
  b.draw(&c, CRect(0, 0, 8, 8));
  b.drawAlphaBlend(&c, CRect(0, 0, 8, 8), CPoint(0, 0), 100);
  EXPECT_TRUE(inkBounds(c).isEmpty());

  CBitmap named("no such name");
  EXPECT_FALSE(named.isLoaded());
}

TEST_F(BitmapTest, DrawCopiesOneToOneFromTheSourceOffset) {
  // A 4 x 4 opaque image whose pixels name their own coordinates.
  std::vector<uint8_t> s;
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++)
      s.insert(s.end(), {static_cast<uint8_t>(x * 60), static_cast<uint8_t>(y * 60), 0, 255});
  add(60, "PNG", encodePNG(rgba(4, 4, s)));
  CBitmap b(60);
  COffscreenContext c(nullptr, 20, 20);
  c.setOffset(CPoint(3, 0));  // the context's offset moves the destination
  b.draw(&c, CRect(7, 10, 9, 12), CPoint(1, 2));
  EXPECT_EQ(inkBounds(c), CRect(10, 10, 12, 12));
  for (int dy = 0; dy < 2; dy++)
    for (int dx = 0; dx < 2; dx++) {
      EXPECT_EQ(pixelAt(c, 10 + dx, 10 + dy), stored(b, 1 + dx, 2 + dy)) << dx << "," << dy;
    }
}

TEST_F(BitmapTest, ImageAlphaIsAlwaysHonouredAndBlendMultipliesIt) {
  add(61, "PNG", encodePNG(rgba(1, 1, {255, 0, 0, 128})));  // half-transparent red
  CBitmap b(61);
  // Over opaque blue: red * 128/256 + blue * (1 - 128/255).
  for (int way = 0; way < 2; way++) {
    COffscreenContext c(nullptr, 2, 2);
    c.setFillColor(kBlueCColor);
    c.fillRect(CRect(0, 0, 2, 2));
    if (way == 0) {
      b.draw(&c, CRect(0, 0, 1, 1));
    } else {
      b.drawTransparent(&c, CRect(0, 0, 1, 1));
    }
    Pixel p = pixelAt(c, 0, 0);
    EXPECT_EQ(p.a, 255);
    EXPECT_NEAR(p.r, 127, 1);
    EXPECT_NEAR(p.b, 255 - 128, 1);
  }
  COffscreenContext empty(nullptr, 2, 2);
  b.drawAlphaBlend(&empty, CRect(0, 0, 1, 1), CPoint(0, 0), 128);
  Pixel p = pixelAt(empty, 0, 0);
  EXPECT_NEAR(p.a, 128 * 128 / 255, 1);
  EXPECT_NEAR(p.r, 127 * 128 / 255, 1);
}

TEST_F(BitmapTest, EmptyCopiedAndDisposedBitmaps) {
  CBitmap empty(nullptr, 6, 3);
  EXPECT_TRUE(empty.isLoaded());
  EXPECT_EQ(empty.getWidth(), 6);
  EXPECT_EQ(empty.getHeight(), 3);
  EXPECT_EQ(stored(empty, 5, 2), (Pixel{0, 0, 0, 0}));

  add(62, "PNG", encodePNG(rgba(2, 1, {10, 20, 30, 255, 0, 0, 0, 0})));
  CBitmap original(62);
  CBitmap copy(original.getPlatformImage());
  EXPECT_EQ(copy.getWidth(), 2);
  EXPECT_EQ(stored(copy, 0, 0), stored(original, 0, 0));
  original.dispose();
  EXPECT_FALSE(original.isLoaded());
  EXPECT_EQ(original.getWidth(), 0);
  EXPECT_EQ(stored(copy, 0, 0), (Pixel{29, 19, 9, 255}));  // the copy is its own

  EXPECT_TRUE(copy.loadFromResource(62));
  EXPECT_FALSE(copy.loadFromPath("/tmp/anything.png"));
  EXPECT_FALSE(copy.isLoaded());
  EXPECT_EQ(copy.getTransparentColor(), kTransparentCColor);
}

TEST_F(BitmapTest, GraphicsCountFollowsBitmapsAndDropsGlobalFontsAtZero) {
  int32_t before = GDIPlusGlobals::getCount();
  ASSERT_EQ(before, 0) << "no bitmap or frame should outlive its test";
  CBitmap* a = new CBitmap(nullptr, 1, 1);
  EXPECT_EQ(GDIPlusGlobals::getCount(), 1);
  CBitmap* b = new CBitmap(999);
  EXPECT_EQ(GDIPlusGlobals::getCount(), 2);
  ASSERT_NE(kNormalFont->getPlatformFont(), nullptr);
  ASSERT_NE(kSymbolFont->getPlatformFont(), nullptr);
  CFontDesc* own = new CFontDesc("Arial", 12);
  ASSERT_NE(own->getPlatformFont(), nullptr);
  b->forget();
  EXPECT_TRUE(kNormalFont->hasPlatformFont());  // one reference left
  a->forget();
  EXPECT_EQ(GDIPlusGlobals::getCount(), 0);
  EXPECT_FALSE(kNormalFont->hasPlatformFont());
  EXPECT_FALSE(kSymbolFont->hasPlatformFont());
  EXPECT_TRUE(own->hasPlatformFont());  // only the global fonts are the library's to drop
  own->forget();
  // Made again on demand.
  EXPECT_NE(kNormalFont->getPlatformFont(), nullptr);
  GDIPlusGlobals::exit();  // an unbalanced stop changes nothing
  EXPECT_EQ(GDIPlusGlobals::getCount(), 0);
}

TEST_F(BitmapTest, ChangingAFontDropsItsPlatformFont) {
  CFontDesc* f = new CFontDesc("Arial", 12);
  f->getPlatformFont();
  f->setSize(13);
  EXPECT_FALSE(f->hasPlatformFont());
  f->getPlatformFont();
  f->setStyle(kBoldFace);
  EXPECT_FALSE(f->hasPlatformFont());
  f->getPlatformFont();
  f->setName("Liberation Serif");
  EXPECT_FALSE(f->hasPlatformFont());
  EXPECT_STREQ(f->getName(), "Liberation Serif");
  f->forget();
}

TEST(ModuleResourcesTest, EveryEmbeddedImageLoads) {
  // Whatever the resource script lists and the build found is embedded and decodes.
  for (int32_t n : {128, 129, 130, 131, 10016, 10018, 10019}) {
    zarnith::ResourceData data;
    bool present = zarnith::findResource(n, "PNG", data) || zarnith::findResource(n, "BITMAP", data);
    CBitmap b(n);
    EXPECT_EQ(b.isLoaded(), present) << n;
    if (present) {
      EXPECT_GT(b.getWidth(), 0) << n;
    }
  }
}

}  // namespace
