// A text display of a control value: background, optional frame, and the value as text
// through a conversion function (or "%2.2f").
#pragma once

#include "ccontrol.h"

class CFontDesc;

enum {
  kShadowText = 0x4,
  k3DIn = 0x80,
  k3DOut = 0x100,
  kNoTextStyle = 0x800,
  kNoDrawStyle = 0x1000,
  kNoFrame = 0x4000
};

// The conversion functions write a zero-terminated string into a buffer of this many bytes.
constexpr int32_t kParamDisplayTextSize = 260;

class CParamDisplay : public CControl {
 public:
  typedef void (*StringConvertFunction)(float value, char* text);
  typedef void (*StringConvert2Function)(float value, char* text, void* userData);
  typedef void (*String2FloatConvertFunction)(char* text, float& value);

  CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32_t style = 0);
  CParamDisplay(const CParamDisplay& other);
  ~CParamDisplay() override;

  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* className) const override;
  CView* newCopy() const override { return new CParamDisplay(*this); }

  virtual void setFont(CFontDesc* font);
  virtual void setFontColor(CColor color);
  virtual void setBackColor(CColor color);
  virtual void setFrameColor(CColor color);
  virtual void setShadowColor(CColor color);
  virtual void setAntialias(bool state) { bAntialias = state; }
  virtual void setHoriAlign(int32_t align);
  virtual void setStringConvert(StringConvert2Function convert, void* userData);
  virtual void setStringConvert(StringConvertFunction convert);
  virtual void setString2FloatConvert(String2FloatConvertFunction convert);
  virtual void setStyle(int32_t val);
  virtual void setTextTransparency(bool val) { bTextTransparencyEnabled = val; }
  virtual void drawText(CDrawContext* context, const char* string, CBitmap* newBack = nullptr);

  CFontDesc* getFont() const { return fontID; }
  CColor getFontColor() const { return fontColor; }
  CColor getBackColor() const { return backColor; }
  CColor getFrameColor() const { return frameColor; }
  CColor getShadowColor() const { return shadowColor; }
  int32_t getHoriAlign() const { return horiTxtAlign; }
  int32_t getStyle() const { return style; }
  bool getAntialias() const { return bAntialias; }
  bool getTextTransparency() const { return bTextTransparencyEnabled; }
  // The text that draw would show for the current value.
  void getText(char text[kParamDisplayTextSize]) const;

 protected:
  StringConvertFunction stringConvert;
  StringConvert2Function stringConvert2;
  String2FloatConvertFunction string2FloatConvert;
  void* userData;
  int32_t horiTxtAlign;
  int32_t style;
  CFontDesc* fontID;
  CColor fontColor;
  CColor backColor;
  CColor frameColor;
  CColor shadowColor;
  bool bTextTransparencyEnabled;
  bool bAntialias;
};
