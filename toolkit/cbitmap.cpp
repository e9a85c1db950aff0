#include "cbitmap.h"

#include <cstdlib>

#include "cdrawcontext.h"
#include "graphicsglobals.h"
#include "platform/resources.h"

CBitmap::CBitmap()
    : width(0),
      height(0),
      transparentColor(kTransparentCColor),
      noAlpha(true),
      pixelStore(nullptr),
      platformImage(nullptr) {
  GDIPlusGlobals::enter();
}

CBitmap::CBitmap(const CResourceDescription& desc) : CBitmap() {
  resourceDesc = desc;
  loadFromResource(desc);
}

CBitmap::CBitmap(CFrame* /*frame*/, int32_t w, int32_t h) : CBitmap() {
  if (w > 0 && h > 0) platformMakeEmpty(w, h);
  if (platformImage) {
    width = w;
    height = h;
  }
}

CBitmap::CBitmap(void* image) : CBitmap() {
  if (image) platformCopyImage(image);
}

CBitmap::~CBitmap() {
  dispose();
  GDIPlusGlobals::exit();
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
  drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
  drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset, uint8_t alpha) {
  if (!context || !platformImage || !context->getGraphics()) return;
  CRect dest = rect;
  dest.offset(context->offset);
  platformDraw(context, dest, offset, alpha);
}

void CBitmap::dispose() {
  platformFreeImage();
  std::free(pixelStore);
  pixelStore = nullptr;
  width = 0;
  height = 0;
}

bool CBitmap::loadFromPath(const void* /*platformPath*/) {
  dispose();
  return false;
}

bool CBitmap::loadFromResource(const CResourceDescription& desc) {
  dispose();
  zarnith::ResourceData res;
  if (zarnith::findResource(desc, "PNG", res)) return loadPNG(res.data, res.size);
  if (zarnith::findResource(desc, "DATA", res)) return platformLoadData(res.data, res.size);
  if (zarnith::findResource(desc, "BITMAP", res)) return platformLoadBitmapResource(desc, res.data, res.size);
  return false;
}
