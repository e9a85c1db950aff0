#include "toolkit/platform/cairo/bmpreader.h"

namespace {

constexpr int64_t kMaxSide = 32767;

uint32_t readU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint16_t readU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

cairo_surface_t* decodeBMP(const uint8_t* data, size_t size) {
  if (!data) return nullptr;
  // A file starts with a 14-byte header giving the offset of the pixels; a bare
  // bitmap (as resource compilers store it) starts with the info header.
  size_t infoStart = 0;
  uint64_t pixelOffset = 0;
  bool haveFileHeader = size >= 14 && data[0] == 'B' && data[1] == 'M';
  if (haveFileHeader) {
    infoStart = 14;
    pixelOffset = readU32(data + 10);
  }
  if (size < infoStart + 4) return nullptr;
  uint32_t infoSize = readU32(data + infoStart);
  if (infoSize < 40 || infoSize > size - infoStart) return nullptr;
  const uint8_t* info = data + infoStart;
  int64_t width = static_cast<int32_t>(readU32(info + 4));
  int64_t rawHeight = static_cast<int32_t>(readU32(info + 8));
  uint16_t bitCount = readU16(info + 14);
  uint32_t compression = readU32(info + 16);
  uint32_t colorsUsed = readU32(info + 32);

  bool topDown = rawHeight < 0;
  int64_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  // Uncompressed only; 32-bit images may describe their (standard) masks as bit fields.
  if (!(compression == 0 || (compression == 3 && bitCount == 32))) return nullptr;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return nullptr;

  // The palette follows the info header (and the three masks of an old-style bit-field header).
  uint64_t paletteStart = infoStart + infoSize;
  if (compression == 3 && infoSize == 40) paletteStart += 12;
  uint32_t paletteCount = 0;
  if (bitCount <= 8) {
    paletteCount = colorsUsed ? colorsUsed : (1u << bitCount);
    if (paletteCount > (1u << bitCount)) return nullptr;
    if (paletteStart + 4ull * paletteCount > size) return nullptr;
  }
  if (!haveFileHeader) pixelOffset = paletteStart + 4ull * paletteCount;

  uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
  if (pixelOffset > size || stride * height > size - pixelOffset) return nullptr;

  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  uint8_t* out = cairo_image_surface_get_data(surface);
  int outStride = cairo_image_surface_get_stride(surface);
  const uint8_t* palette = data + paletteStart;

  for (int64_t y = 0; y < height; y++) {
    const uint8_t* row = data + pixelOffset + stride * static_cast<uint64_t>(topDown ? y : height - 1 - y);
    uint8_t* o = out + static_cast<size_t>(y) * outStride;
    for (int64_t x = 0; x < width; x++, o += 4) {
      const uint8_t* bgr;
      if (bitCount == 24) {
        bgr = row + 3 * x;
      } else if (bitCount == 32) {
        bgr = row + 4 * x;
      } else {
        unsigned bitPos = static_cast<unsigned>(x * bitCount);
        unsigned index = (row[bitPos / 8] >> (8 - bitCount - bitPos % 8)) & ((1u << bitCount) - 1);
        if (index >= paletteCount) index = 0;
        bgr = palette + 4 * index;
      }
      o[0] = bgr[0];
      o[1] = bgr[1];
      o[2] = bgr[2];
      o[3] = 255;
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}
