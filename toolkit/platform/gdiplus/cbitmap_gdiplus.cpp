// Bitmaps of the GDI+ backend: the platform image is a Gdiplus::Bitmap. A decoded PNG is a
// premultiplied 32-bit image over the pixel store itself (blue, green, red, alpha bytes are
// exactly its pixel layout); empty images and copies are premultiplied 32-bit images of their own.
#include <cstring>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/platform/gdiplus/gdiplus_context.h"
#include "toolkit/platform/gdiplus/resource_stream.h"
#include "toolkit/platform/win32/win32_module.h"

namespace {

inline Gdiplus::Bitmap* imageOf(void* image) {
  return static_cast<Gdiplus::Bitmap*>(image);
}

// The image, or none when GDI+ could not make it.
Gdiplus::Bitmap* usable(Gdiplus::Bitmap* image) {
  if (image && image->GetLastStatus() == Gdiplus::Ok) return image;
  delete image;
  return nullptr;
}

// A premultiplied 32-bit copy of image, every pixel replaced.
Gdiplus::Bitmap* copyOf(Gdiplus::Bitmap* image) {
  UINT w = image->GetWidth();
  UINT h = image->GetHeight();
  if (w == 0 || h == 0) return nullptr;
  Gdiplus::Bitmap* copy = usable(new Gdiplus::Bitmap(w, h, PixelFormat32bppPARGB));
  if (!copy) return nullptr;
  Gdiplus::Graphics g(copy);
  g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
  g.DrawImage(image, Gdiplus::Rect(0, 0, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
  return copy;
}

}  // namespace

void CBitmap::platformMakeImageFromStore() {
  if (!zarnith::gdiplusRunning() || !pixelStore || width <= 0 || height <= 0) return;
  platformImage = usable(new Gdiplus::Bitmap(width, height, width * 4, PixelFormat32bppPARGB, pixelStore));
}

void CBitmap::platformMakeEmpty(int32_t w, int32_t h) {
  if (!zarnith::gdiplusRunning()) return;
  Gdiplus::Bitmap* image = usable(new Gdiplus::Bitmap(w, h, PixelFormat32bppPARGB));
  if (!image) return;
  {
    Gdiplus::Graphics g(image);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
  }
  platformImage = image;
}

void CBitmap::platformCopyImage(void* image) {
  if (!zarnith::gdiplusRunning()) return;
  Gdiplus::Bitmap* copy = copyOf(imageOf(image));
  if (!copy) return;
  platformImage = copy;
  width = static_cast<int32_t>(copy->GetWidth());
  height = static_cast<int32_t>(copy->GetHeight());
  noAlpha = !Gdiplus::IsAlphaPixelFormat(imageOf(image)->GetPixelFormat());
}

void CBitmap::platformFreeImage() {
  delete imageOf(platformImage);
  platformImage = nullptr;
}

bool CBitmap::platformLoadBitmapResource(const CResourceDescription& desc, const uint8_t* /*data*/,
                                         size_t /*size*/) {
  if (!zarnith::gdiplusRunning()) return false;
  zarnith::WideText name(desc.type == CResourceDescription::kStringType ? desc.u.name : nullptr);
  const wchar_t* id =
      desc.type == CResourceDescription::kIntegerType ? MAKEINTRESOURCEW(desc.u.id) : name.get();
  Gdiplus::Bitmap* loaded = usable(Gdiplus::Bitmap::FromResource(zarnith::getModuleInstance(), id));
  if (!loaded) return false;
  // Drawn opaque: a 32-bit copy, so that drawing never converts it again.
  Gdiplus::Bitmap* image = copyOf(loaded);
  delete loaded;
  if (!image) return false;
  platformImage = image;
  width = static_cast<int32_t>(image->GetWidth());
  height = static_cast<int32_t>(image->GetHeight());
  return true;
}

bool CBitmap::platformLoadData(const uint8_t* data, size_t size) {
  if (!zarnith::gdiplusRunning()) return false;
  auto* stream = new ResourceStream(data, size);
  // The decoder reads the stream while the image lives: decode into a copy of our own.
  Gdiplus::Bitmap* decoded = usable(Gdiplus::Bitmap::FromStream(stream, TRUE));
  Gdiplus::Bitmap* image = decoded ? copyOf(decoded) : nullptr;
  delete decoded;
  stream->Release();
  if (!image) return false;
  platformImage = image;
  width = static_cast<int32_t>(image->GetWidth());
  height = static_cast<int32_t>(image->GetHeight());
  return true;
}

void CBitmap::platformDraw(CDrawContext* context, const CRect& dest, const CPoint& srcOffset, uint8_t alpha) {
  zarnith::GdiplusContext* g = zarnith::gdiplusOf(context->getGraphics());
  if (!g || dest.isEmpty()) return;
  Gdiplus::Rect to(dest.left, dest.top, dest.width(), dest.height());
  if (alpha == 255) {
    g->graphics->DrawImage(imageOf(platformImage), to, srcOffset.h, srcOffset.v, dest.width(), dest.height(),
                           Gdiplus::UnitPixel);
    return;
  }
  // Every pixel's alpha times alpha / 255.
  Gdiplus::ColorMatrix matrix = {
      {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, alpha / 255.0f, 0}, {0, 0, 0, 0, 1}}};
  Gdiplus::ImageAttributes attributes;
  attributes.SetColorMatrix(&matrix);
  g->graphics->DrawImage(imageOf(platformImage), to, srcOffset.h, srcOffset.v, dest.width(), dest.height(),
                         Gdiplus::UnitPixel, &attributes);
}

bool CBitmap::getPixelBGRA(int32_t x, int32_t y, uint8_t bgra[4]) const {
  if (!platformImage || x < 0 || y < 0 || x >= width || y >= height) return false;
  if (pixelStore) {
    std::memcpy(bgra, pixelStore + (static_cast<size_t>(y) * width + x) * 4, 4);
    return true;
  }
  Gdiplus::Rect one(x, y, 1, 1);
  Gdiplus::BitmapData locked;
  if (imageOf(platformImage)->LockBits(&one, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &locked) !=
      Gdiplus::Ok)
    return false;
  std::memcpy(bgra, locked.Scan0, 4);
  imageOf(platformImage)->UnlockBits(&locked);
  return true;
}

namespace {

bool findEncoder(const wchar_t* mimeType, CLSID* clsid) {
  UINT count = 0;
  UINT bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  auto* encoders = static_cast<Gdiplus::ImageCodecInfo*>(operator new(bytes));
  bool found = false;
  if (Gdiplus::GetImageEncoders(count, bytes, encoders) == Gdiplus::Ok) {
    for (UINT i = 0; i < count && !found; i++) {
      if (wcscmp(encoders[i].MimeType, mimeType) == 0) {
        *clsid = encoders[i].Clsid;
        found = true;
      }
    }
  }
  operator delete(encoders);
  return found;
}

}  // namespace

bool COffscreenContext::saveToPNG(const char* path) {
  if (!path || !pBitmap || !pBitmap->getPlatformImage()) return false;
  zarnith::GdiplusContext* g = zarnith::gdiplusOf(pGraphics);
  if (g) g->graphics->Flush(Gdiplus::FlushIntentionSync);
  CLSID png;
  if (!findEncoder(L"image/png", &png)) return false;
  zarnith::WideText widePath(path);
  return imageOf(pBitmap->getPlatformImage())->Save(widePath.get(), &png, nullptr) == Gdiplus::Ok;
}
