// What a drawing context of the GDI+ backend holds behind its platform pointer, and the
// helpers its drawing, fonts and images share.
#pragma once

// clang-format off
#include <windows.h>
// GDI+ needs the COM and stream declarations first.
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstdint>

namespace zarnith {

struct GdiplusContext {
  Gdiplus::Graphics* graphics;
  HWND window;   // the window whose device context was taken, if one was
  HDC windowDC;  // given back when the context goes
  Gdiplus::Pen* pen;
  Gdiplus::SolidBrush* fillBrush;
  Gdiplus::SolidBrush* textBrush;
};

inline GdiplusContext* gdiplusOf(void* graphics) {
  return static_cast<GdiplusContext*>(graphics);
}

// True while the library is started (GdiplusStartup succeeded and was not shut down).
bool gdiplusRunning();

// UTF-8 as UTF-16, in a buffer of its own (invalid bytes become U+FFFD).
class WideText {
 public:
  explicit WideText(const char* text, int maxChars = 0);
  ~WideText();
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  const wchar_t* get() const { return text; }
  int length() const { return count; }

 private:
  static constexpr int kInline = 128;
  wchar_t inlineText[kInline];
  wchar_t* text;
  int count;
};

}  // namespace zarnith
