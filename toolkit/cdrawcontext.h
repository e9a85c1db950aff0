// Drawing contexts: a current pen, fill, font, clip rectangle and coordinate
// offset over a platform drawing surface, and an offscreen context that draws
// into a bitmap of its own.
#pragma once

#include <cstdint>

#include "cbaseobject.h"
#include "ccolor.h"
#include "cpoint.h"
#include "crect.h"

class CFrame;
class CFontDesc;
class CBitmap;

enum CDrawStyle { kDrawStroked = 0, kDrawFilled = 1, kDrawFilledAndStroked = 2 };
enum CLineStyle { kLineSolid = 0, kLineOnOffDash = 1 };
enum CDrawMode { kCopyMode = 0, kOrMode = 1, kXorMode = 2, kAntialias = 3 };
enum CHoriTxtAlign { kLeftText = 0, kCenterText = 1, kRightText = 2 };

class CDrawContext : public CBaseObject {
 public:
  // systemContext: the platform's drawing handle (a cairo_t* with the cairo
  // backend), or none. window: the platform window, or none. Without either,
  // every drawing operation does nothing.
  CDrawContext(CFrame* frame, void* systemContext, void* window = nullptr);
  ~CDrawContext() override;

  // Lines and shapes; every point and rectangle is moved by offset before use.
  void moveTo(const CPoint& point);
  void lineTo(const CPoint& point);
  void drawLines(const CPoint* points, int32_t count);
  void drawPolygon(const CPoint* points, int32_t count, CDrawStyle style = kDrawStroked, bool closed = true);
  void fillPolygon(const CPoint* points, int32_t count) { drawPolygon(points, count, kDrawFilled, true); }
  void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
  void fillRect(const CRect& rect);
  void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked);
  void fillEllipse(const CRect& rect) { drawEllipse(rect, kDrawFilled); }
  // Angles in degrees, counted as the platform counts them (clockwise from 3 o'clock on screen).
  void drawArc(const CRect& rect, float startAngle, float endAngle, CDrawStyle style = kDrawStroked);
  void drawPoint(const CPoint& point, const CColor& color);
  CColor getPoint(const CPoint& point);  // unsupported: always black

  // Pen, fill and text state.
  void setLineStyle(CLineStyle style);
  CLineStyle getLineStyle() const { return lineStyle; }
  void setLineWidth(int32_t width);
  int32_t getLineWidth() const { return frameWidth; }
  void setDrawMode(CDrawMode mode);
  CDrawMode getDrawMode() const { return drawMode; }
  void setFrameColor(const CColor& color);
  CColor getFrameColor() const { return frameColor; }
  void setFillColor(const CColor& color);
  CColor getFillColor() const { return fillColor; }
  void setFontColor(const CColor& color);
  CColor getFontColor() const { return fontColor; }
  // size <= 0 keeps the font's size, style -1 keeps its style.
  void setFont(CFontDesc* font, int32_t size = 0, int32_t style = -1);
  CFontDesc* getFont() const { return font; }

  // Text (UTF-8).
  int32_t getStringWidthUTF8(const char* text);
  int32_t getStringWidth(const char* text) { return getStringWidthUTF8(text); }
  // point is where the line of text ends (its bottom), at the left of the text.
  void drawStringUTF8(const char* text, const CPoint& point, bool antialias = true);
  void drawStringUTF8(const char* text, const CRect& rect, CHoriTxtAlign align = kCenterText,
                      bool antialias = true);
  void drawString(const char* text, const CRect& rect, int16_t opaque = 0, CHoriTxtAlign align = kCenterText);

  // Clipping; the clip is stored with the offset applied.
  void setClipRect(const CRect& clip);
  CRect& getClipRect(CRect& clip) const;
  void resetClipRect();

  // Pointer polling through the frame.
  CPoint& getMouseLocation(CPoint& point);
  int32_t getMouseButtons();
  bool waitDoubleClick();
  bool waitDrag();

  CFrame* getFrame() const { return pFrame; }
  void* getSystemContext() const { return pSystemContext; }
  void* getWindow() const { return pWindow; }
  // The platform drawing object (a cairo_t* with the cairo backend); none when nothing can be drawn.
  void* getGraphics() const { return pGraphics; }

  void setOffset(const CPoint& p) { offset = p; }
  const CPoint& getOffset() const { return offset; }

  CPoint offsetScreen;  // top-left of the window on the screen
  CPoint offset;        // added to every coordinate of a drawing operation

 protected:
  // For contexts that set up their platform object themselves (offscreen).
  explicit CDrawContext(CFrame* frame);
  void initDefaults();
  CRect defaultClip() const;

  // Platform half (one implementation file per backend).
  void platformCreate();                          // the graphics object over the system context or the window
  void platformCreateOffscreen(CBitmap* target);  // the graphics object over a bitmap
  void platformDestroy();
  void platformApplyClip();
  void platformApplyAntialias();
  void platformLine(const CPoint& from, const CPoint& to);
  void platformPolygon(const CPoint* points, int32_t count, CDrawStyle style, bool closed);
  void platformRect(const CRect& r, CDrawStyle style);
  void platformEllipse(const CRect& r, CDrawStyle style);
  void platformArc(const CRect& r, double startAngle, double sweep, CDrawStyle style);
  int32_t platformStringWidth(const char* text);
  void platformDrawString(const char* text, const CPoint& p, bool antialias);

  void* pSystemContext;
  void* pWindow;
  CFrame* pFrame;
  void* pGraphics;  // platform drawing object, owned

  CFontDesc* font;
  CColor fontColor;
  CPoint penLoc;
  int32_t frameWidth;
  CColor fillColor;
  CColor frameColor;
  CLineStyle lineStyle;
  CDrawMode drawMode;
  CRect clipRect;
};

// A context that draws into a bitmap of its own; its pixels start fully transparent.
class COffscreenContext : public CDrawContext {
 public:
  COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                    const CColor& backgroundColor = kBlackCColor);
  ~COffscreenContext() override;

  // Draws the bitmap into context over destRect, 1:1 from srcOffset.
  void copyFrom(CDrawContext* context, const CRect& destRect, const CPoint& srcOffset = CPoint(0, 0));

  int32_t getWidth() const { return width; }
  int32_t getHeight() const { return height; }
  const CColor& getBackgroundColor() const { return backgroundColor; }
  CBitmap* getBitmap() const { return pBitmap; }

  // Writes the surface to a PNG file (for looking at drawings); false on failure.
  bool saveToPNG(const char* path);

 protected:
  CBitmap* pBitmap;
  int32_t width;
  int32_t height;
  CColor backgroundColor;
};
