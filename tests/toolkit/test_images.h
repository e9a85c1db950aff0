// Image bytes made for the tests: PNG files written with libpng's encoder and
// BMP files laid out by hand.
#pragma once

#include <cstdint>
#include <vector>

struct PngSpec {
  int width = 1;
  int height = 1;
  int colorType = 6;  // PNG_COLOR_TYPE_RGB_ALPHA
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<uint8_t> samples;  // rows of packed samples as the PNG stores them (RGB order, big-endian)
  std::vector<uint8_t> palette;  // r, g, b triples
  std::vector<uint8_t> trns;     // transparency chunk bytes, empty for none
};

std::vector<uint8_t> encodePNG(const PngSpec& spec);

// A BMP file; pixels are top-down rows of b, g, r (and a pad byte for 32 bits).
std::vector<uint8_t> encodeBMP(int width, int height, int bitsPerPixel, bool topDown,
                               const std::vector<uint8_t>& bgrPixels);
