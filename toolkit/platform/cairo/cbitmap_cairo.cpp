// Bitmaps of the cairo backend: the platform image is an ARGB32 image surface,
// whose little-endian pixels are exactly blue, green, red, alpha premultiplied.
#include <cairo.h>

#include <cstring>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/platform/cairo/bmpreader.h"

namespace {

inline cairo_surface_t* surfaceOf(void* image) {
  return static_cast<cairo_surface_t*>(image);
}

bool usable(cairo_surface_t* s) {
  if (!s) return false;
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  return true;
}

// Reads a stream of PNG bytes; a read past the end fails.
struct StreamSource {
  const uint8_t* data;
  size_t size;
  size_t position;
};

cairo_status_t readStream(void* closure, unsigned char* out, unsigned int length) {
  StreamSource* src = static_cast<StreamSource*>(closure);
  if (length > src->size - src->position) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, src->data + src->position, length);
  src->position += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

void CBitmap::platformMakeImageFromStore() {
  if (!pixelStore || width <= 0 || height <= 0) return;
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(pixelStore, CAIRO_FORMAT_ARGB32, width, height, width * 4);
  if (usable(s)) platformImage = s;
}

void CBitmap::platformMakeEmpty(int32_t w, int32_t h) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);  // starts all zero
  if (usable(s)) platformImage = s;
}

void CBitmap::platformCopyImage(void* image) {
  cairo_surface_t* src = surfaceOf(image);
  if (cairo_surface_get_type(src) != CAIRO_SURFACE_TYPE_IMAGE) return;
  int w = cairo_image_surface_get_width(src);
  int h = cairo_image_surface_get_height(src);
  if (w <= 0 || h <= 0) return;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (!usable(s)) return;
  cairo_t* cr = cairo_create(s);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, src, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  platformImage = s;
  width = w;
  height = h;
  noAlpha = cairo_image_surface_get_format(src) != CAIRO_FORMAT_ARGB32;
}

void CBitmap::platformFreeImage() {
  if (platformImage) cairo_surface_destroy(surfaceOf(platformImage));
  platformImage = nullptr;
}

bool CBitmap::platformLoadBitmapResource(const CResourceDescription& /*desc*/, const uint8_t* data,
                                         size_t size) {
  cairo_surface_t* s = decodeBMP(data, size);
  if (!s) return false;
  platformImage = s;
  width = cairo_image_surface_get_width(s);
  height = cairo_image_surface_get_height(s);
  return true;
}

bool CBitmap::platformLoadData(const uint8_t* data, size_t size) {
  // The decoders at hand: PNG through cairo, then BMP.
  StreamSource src{data, size, 0};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readStream, &src);
  if (usable(s)) {
    platformImage = s;
    width = cairo_image_surface_get_width(s);
    height = cairo_image_surface_get_height(s);
    return true;
  }
  return platformLoadBitmapResource(resourceDesc, data, size);
}

void CBitmap::platformDraw(CDrawContext* context, const CRect& dest, const CPoint& srcOffset, uint8_t alpha) {
  cairo_t* cr = static_cast<cairo_t*>(context->getGraphics());
  if (dest.isEmpty()) return;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
  cairo_clip(cr);
  cairo_set_source_surface(cr, surfaceOf(platformImage), dest.left - srcOffset.h, dest.top - srcOffset.v);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  if (alpha == 255) {
    cairo_paint(cr);
  } else {
    cairo_paint_with_alpha(cr, alpha / 255.0);
  }
  cairo_restore(cr);
}

bool CBitmap::getPixelBGRA(int32_t x, int32_t y, uint8_t bgra[4]) const {
  if (!platformImage || x < 0 || y < 0 || x >= width || y >= height) return false;
  cairo_surface_t* s = surfaceOf(platformImage);
  cairo_surface_flush(s);
  const uint8_t* p = cairo_image_surface_get_data(s) +
                     static_cast<size_t>(y) * cairo_image_surface_get_stride(s) + static_cast<size_t>(x) * 4;
  std::memcpy(bgra, p, 4);
  return true;
}

bool COffscreenContext::saveToPNG(const char* path) {
  if (!path || !pBitmap || !pBitmap->getPlatformImage()) return false;
  cairo_surface_t* s = surfaceOf(pBitmap->getPlatformImage());
  cairo_surface_flush(s);
  return cairo_surface_write_to_png(s, path) == CAIRO_STATUS_SUCCESS;
}
