#include "cparamdisplay.h"

#include <cstdio>
#include <cstring>

#include "cbitmap.h"
#include "cdrawcontext.h"
#include "cfont.h"

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, int32_t style)
    : CControl(size, nullptr, 0, background),
      stringConvert(nullptr),
      stringConvert2(nullptr),
      string2FloatConvert(nullptr),
      userData(nullptr),
      horiTxtAlign(kCenterText),
      style(style),
      fontID(kNormalFont),
      fontColor(kWhiteCColor),
      backColor(kBlackCColor),
      frameColor(kBlackCColor),
      shadowColor(kRedCColor),
      bTextTransparencyEnabled(true),
      bAntialias(true) {
  backOffset = CPoint(0, 0);
  if (fontID) fontID->remember();
  if (style & kNoDrawStyle) setDirty(false);
}

CParamDisplay::CParamDisplay(const CParamDisplay& d)
    : CControl(d),
      stringConvert(d.stringConvert),
      stringConvert2(d.stringConvert2),
      string2FloatConvert(d.string2FloatConvert),
      userData(d.userData),
      horiTxtAlign(d.horiTxtAlign),
      style(d.style),
      fontID(d.fontID),
      fontColor(d.fontColor),
      backColor(d.backColor),
      frameColor(d.frameColor),
      shadowColor(d.shadowColor),
      bTextTransparencyEnabled(d.bTextTransparencyEnabled),
      bAntialias(d.bAntialias) {
  if (fontID) fontID->remember();
}

CParamDisplay::~CParamDisplay() {
  if (fontID) fontID->forget();
}

void CParamDisplay::getText(char text[kParamDisplayTextSize]) const {
  text[0] = 0;
  if (stringConvert2)
    stringConvert2(value, text, userData);
  else if (stringConvert)
    stringConvert(value, text);
  else
    std::snprintf(text, kParamDisplayTextSize, "%2.2f", static_cast<double>(value.load()));
  // A conversion function that forgot the terminator must not make drawing read further.
  text[kParamDisplayTextSize - 1] = 0;
}

void CParamDisplay::draw(CDrawContext* context) {
  char text[kParamDisplayTextSize];
  getText(text);
  drawText(context, text, nullptr);
}

void CParamDisplay::drawText(CDrawContext* context, const char* string, CBitmap* newBack) {
  setDirty(false);
  if (style & kNoDrawStyle) return;

  CBitmap* back = newBack ? newBack : pBackground;
  if (back) {
    if (bTransparencyEnabled)
      back->drawTransparent(context, size, backOffset);
    else
      back->draw(context, size, backOffset);
  } else if (!bTransparencyEnabled) {
    context->setFillColor(backColor);
    context->fillRect(size);
    if (!(style & (kNoFrame | k3DOut | k3DIn))) {
      context->setLineWidth(1);
      context->setFrameColor(frameColor);
      context->drawRect(size);
    }
  }

  if (style & (k3DIn | k3DOut)) {
    CRect r(size);
    r.right--;
    r.top++;
    context->setLineWidth(1);
    context->setFrameColor((style & k3DIn) ? backColor : frameColor);
    context->moveTo(CPoint(r.left, r.bottom));
    context->lineTo(CPoint(r.left, r.top));
    context->lineTo(CPoint(r.right, r.top));
    context->setFrameColor((style & k3DIn) ? frameColor : backColor);
    context->moveTo(CPoint(r.right, r.top));
    context->lineTo(CPoint(r.right, r.bottom));
    context->lineTo(CPoint(r.left, r.bottom));
  }

  if ((style & kNoTextStyle) || !string || !string[0]) return;

  CRect oldClip;
  context->getClipRect(oldClip);
  CRect clip(size);
  clip.bound(oldClip);
  context->setClipRect(clip);
  context->setFont(fontID);
  CHoriTxtAlign align = static_cast<CHoriTxtAlign>(horiTxtAlign);
  if (style & kShadowText) {
    CRect shadow(size);
    shadow.offset(1, 1);
    context->setFontColor(shadowColor);
    context->drawStringUTF8(string, shadow, align, bAntialias);
  }
  context->setFontColor(fontColor);
  context->drawStringUTF8(string, size, align, bAntialias);
  context->setClipRect(oldClip);
}

void CParamDisplay::setFont(CFontDesc* font) {
  if (font) font->remember();
  if (fontID) fontID->forget();
  fontID = font;
  setDirty(true);
}

void CParamDisplay::setFontColor(CColor color) {
  if (fontColor != color) {
    fontColor = color;
    setDirty(true);
  }
}

void CParamDisplay::setBackColor(CColor color) {
  if (backColor != color) {
    backColor = color;
    setDirty(true);
  }
}

void CParamDisplay::setFrameColor(CColor color) {
  if (frameColor != color) {
    frameColor = color;
    setDirty(true);
  }
}

void CParamDisplay::setShadowColor(CColor color) {
  if (shadowColor != color) {
    shadowColor = color;
    setDirty(true);
  }
}

void CParamDisplay::setHoriAlign(int32_t align) {
  if (horiTxtAlign != align) {
    horiTxtAlign = align;
    setDirty(true);
  }
}

void CParamDisplay::setStringConvert(StringConvert2Function convert, void* data) {
  stringConvert2 = convert;
  userData = data;
}

void CParamDisplay::setStringConvert(StringConvertFunction convert) {
  stringConvert = convert;
}

void CParamDisplay::setString2FloatConvert(String2FloatConvertFunction convert) {
  string2FloatConvert = convert;
}

void CParamDisplay::setStyle(int32_t val) {
  if (style != val) {
    style = val;
    setDirty(true);
  }
}

bool CParamDisplay::isTypeOf(const char* className) const {
  if (std::strcmp(className, "CParamDisplay") == 0) return true;
  return CControl::isTypeOf(className);
}
