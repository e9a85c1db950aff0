#include "test_images.h"

#include <png.h>

#include <csetjmp>

namespace {

void writeToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

}  // namespace

std::vector<uint8_t> encodePNG(const PngSpec& spec) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, writeToVector, flushNothing);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (size_t i = 0; i + 2 < spec.palette.size(); i += 3) {
    palette.push_back(png_color{spec.palette[i], spec.palette[i + 1], spec.palette[i + 2]});
  }
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!spec.trns.empty()) {
    if (spec.colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, spec.trns.data(), static_cast<int>(spec.trns.size()), nullptr);
    } else {
      png_color_16 c{};
      c.gray = static_cast<png_uint_16>(spec.trns[0]);
      if (spec.trns.size() >= 3) {
        c.red = spec.trns[0];
        c.green = spec.trns[1];
        c.blue = spec.trns[2];
      }
      png_set_tRNS(png, info, nullptr, 0, &c);
    }
  }
  png_write_info(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows(spec.height);
  for (int y = 0; y < spec.height; y++) {
    rows[y] = const_cast<png_bytep>(spec.samples.data() + rowBytes * y);
  }
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

namespace {

void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = x & 0xff;
  v[at + 1] = (x >> 8) & 0xff;
}
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; i++) v[at + i] = (x >> (8 * i)) & 0xff;
}

}  // namespace

std::vector<uint8_t> encodeBMP(int width, int height, int bitsPerPixel, bool topDown,
                               const std::vector<uint8_t>& bgrPixels) {
  int bytesPerPixel = bitsPerPixel / 8;
  size_t stride = ((static_cast<size_t>(width) * bitsPerPixel + 31) / 32) * 4;
  size_t headers = 14 + 40;
  std::vector<uint8_t> v(headers + stride * height, 0);
  v[0] = 'B';
  v[1] = 'M';
  put32(v, 2, static_cast<uint32_t>(v.size()));
  put32(v, 10, static_cast<uint32_t>(headers));
  put32(v, 14, 40);
  put32(v, 18, static_cast<uint32_t>(width));
  put32(v, 22, static_cast<uint32_t>(topDown ? -height : height));
  put16(v, 26, 1);
  put16(v, 28, static_cast<uint32_t>(bitsPerPixel));
  for (int y = 0; y < height; y++) {
    int fileRow = topDown ? y : height - 1 - y;
    for (int x = 0; x < width; x++) {
      for (int c = 0; c < 3; c++) {
        v[headers + stride * fileRow + static_cast<size_t>(x) * bytesPerPixel + c] =
            bgrPixels[(static_cast<size_t>(y) * width + x) * 3 + c];
      }
    }
  }
  return v;
}
