// PNG resources: decoded with libpng, row by row, into the bitmap's pixel store
// (top-down, blue, green, red, alpha, premultiplied).
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "cbitmap.h"

namespace {

// Images larger than this are refused rather than allocated.
constexpr int32_t kMaxSide = 32767;
constexpr uint64_t kMaxPixels = 16u * 1024u * 1024u;

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t position;
};

void readFromResource(png_structp png, png_bytep out, png_size_t length) {
  PngSource* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > src->size - src->position) {
    // Never read past the resource's end: a truncated image ends the decoding.
    png_error(png, "truncated");
  }
  std::memcpy(out, src->data + src->position, length);
  src->position += length;
}

[[noreturn]] void onError(png_structp png, png_const_charp /*message*/) {
  png_longjmp(png, 1);
}
void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Each colour becomes (c * a) >> 8; a fully transparent pixel becomes zero.
void premultiply(uint8_t* pixels, uint64_t count) {
  for (uint64_t i = 0; i < count; i++) {
    uint8_t* p = pixels + 4 * i;
    unsigned a = p[3];
    if (a == 0) {
      p[0] = p[1] = p[2] = 0;
    } else {
      p[0] = static_cast<uint8_t>((p[0] * a) >> 8);
      p[1] = static_cast<uint8_t>((p[1] * a) >> 8);
      p[2] = static_cast<uint8_t>((p[2] * a) >> 8);
    }
  }
}

// The part of the decoding that libpng may leave through its error jump; nothing
// here owns anything that the jump would leak.
struct Decoding {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngSource source{};
  uint8_t* store = nullptr;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  bool headerRead = false;
  bool tooLarge = false;
};

void decode(Decoding* d) {
  png_set_read_fn(d->png, &d->source, readFromResource);
  png_read_info(d->png, d->info);
  int bitDepth = 0;
  int colorType = 0;
  png_get_IHDR(d->png, d->info, &d->width, &d->height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (d->width == 0 || d->height == 0 || d->width > kMaxSide || d->height > kMaxSide ||
      static_cast<uint64_t>(d->width) * d->height > kMaxPixels) {
    d->tooLarge = true;
    return;
  }
  d->store = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(d->width) * d->height, 4));
  if (!d->store) {
    d->tooLarge = true;
    return;
  }
  d->headerRead = true;

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d->png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(d->png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(d->png);
  if (png_get_valid(d->png, d->info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(d->png);
  } else {
    png_set_filler(d->png, 0xff, PNG_FILLER_AFTER);
  }
  if (bitDepth == 16) {
    png_set_swap(d->png);
    png_set_strip_16(d->png);
  }
  // Palette images too: the rest of the toolkit expects blue, green, red, alpha.
  png_set_bgr(d->png);
  int passes = png_set_interlace_handling(d->png);
  png_read_update_info(d->png, d->info);
  if (png_get_rowbytes(d->png, d->info) != static_cast<size_t>(d->width) * 4) png_error(d->png, "layout");

  for (int pass = 0; pass < passes; pass++) {
    for (png_uint_32 y = 0; y < d->height; y++) {
      png_read_row(d->png, d->store + static_cast<size_t>(y) * d->width * 4, nullptr);
    }
  }
  png_read_end(d->png, nullptr);
}

}  // namespace

bool CBitmap::loadPNG(const uint8_t* data, size_t size) {
  Decoding d;
  d.source = PngSource{data, size, 0};
  d.png = png_create_read_struct("1.6.20", nullptr, onError, onWarning);
  if (!d.png) return false;
  d.info = png_create_info_struct(d.png);
  if (d.info) {
    if (setjmp(png_jmpbuf(d.png)) == 0) decode(&d);
    // After an error jump the rows read so far stay; the rest is zero.
  }
  png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);

  if (!d.headerRead) {
    // Nothing of the image could be read: no bitmap, and say so.
    std::free(d.store);
    return false;
  }
  premultiply(d.store, static_cast<uint64_t>(d.width) * d.height);
  pixelStore = d.store;
  width = static_cast<int32_t>(d.width);
  height = static_cast<int32_t>(d.height);
  noAlpha = false;
  platformMakeImageFromStore();
  return true;
}
