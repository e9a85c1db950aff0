// A small reader for uncompressed BMP images (files or bare device-independent
// bitmaps): 24 and 32 bits per pixel, and palettes of 1, 4 and 8 bits; rows
// bottom-up or top-down. Images carry no alpha: every pixel comes out opaque.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>

// A new opaque ARGB32 image surface, or none when the data is not a BMP this
// reader knows or is cut short. Never reads outside data[0, size).
cairo_surface_t* decodeBMP(const uint8_t* data, size_t size);
