// Images: loaded from the library's own resources (PNG with alpha, BMP opaque),
// made empty of a size, or copied from a platform image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cbaseobject.h"
#include "ccolor.h"
#include "cpoint.h"
#include "crect.h"

class CDrawContext;
class CFrame;

// A resource identified by number (the usual case) or by name.
class CResourceDescription {
 public:
  enum { kIntegerType = 0, kStringType = 1 };

  CResourceDescription() : type(kIntegerType) { u.id = 0; }
  CResourceDescription(int32_t id) : type(kIntegerType) { u.id = id; }           // NOLINT: numbers convert
  CResourceDescription(const char* name) : type(kStringType) { u.name = name; }  // NOLINT

  int32_t type;
  union {
    int32_t id;
    const char* name;
  } u;
};

class CBitmap : public CBaseObject {
 public:
  explicit CBitmap(const CResourceDescription& desc);
  // An empty 32-bit image with alpha, every pixel zero.
  CBitmap(CFrame* frame, int32_t width, int32_t height);
  // A 32-bit copy of a platform image (a cairo image surface with the cairo backend).
  explicit CBitmap(void* platformImage);
  ~CBitmap() override;

  // All three honour the image's own alpha; drawAlphaBlend multiplies it by alpha / 255.
  virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0));
  virtual void drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0));
  virtual void drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0),
                              uint8_t alpha = 128);
  virtual void dispose();
  virtual bool loadFromResource(const CResourceDescription& desc);
  virtual bool loadFromPath(const void* platformPath);  // unsupported: disposes, answers false

  int32_t getWidth() const { return width; }
  int32_t getHeight() const { return height; }
  bool isLoaded() const { return platformImage != nullptr; }
  bool hasAlpha() const { return !noAlpha; }
  const CResourceDescription& getResourceDescription() const { return resourceDesc; }
  void setTransparentColor(const CColor& color) { transparentColor = color; }
  const CColor& getTransparentColor() const { return transparentColor; }

  // Reads one stored pixel (blue, green, red, alpha; premultiplied). False outside the image.
  bool getPixelBGRA(int32_t x, int32_t y, uint8_t bgra[4]) const;
  // The platform image (a cairo image surface with the cairo backend), none when not loaded.
  void* getPlatformImage() const { return platformImage; }

 protected:
  CBitmap();

  bool loadPNG(const uint8_t* data, size_t size);
  // Platform half.
  // BMP, opaque: from the bytes found, or (where the platform loads bitmap resources itself)
  // from the resource of that description.
  bool platformLoadBitmapResource(const CResourceDescription& desc, const uint8_t* data, size_t size);
  bool platformLoadData(const uint8_t* data, size_t size);  // any format the platform knows
  void platformMakeImageFromStore();                        // an image over the pixel store, no copy
  void platformMakeEmpty(int32_t w, int32_t h);
  void platformCopyImage(void* image);
  void platformFreeImage();
  void platformDraw(CDrawContext* context, const CRect& dest, const CPoint& srcOffset, uint8_t alpha);

  CResourceDescription resourceDesc;
  int32_t width;
  int32_t height;
  CColor transparentColor;
  bool noAlpha;
  uint8_t* pixelStore;  // decoded PNG: top-down, 4 bytes per pixel, premultiplied
  void* platformImage;
};
