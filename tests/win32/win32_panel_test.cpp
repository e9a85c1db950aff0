// The real editor panel in a host window: what the window shows (the images from the module's
// resources, through libpng and GDI+) against an offscreen render of the same view tree.
#include <gtest/gtest.h>

#include <cstdlib>

#include "editor/layout.h"
#include "host/audioeffect.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "win32_test_host.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

namespace {

// Text is antialiased for the screen in the window and in grey in an image with alpha.
bool inReadout(int x, int y) {
  for (const zarnith::ControlPlace& place : zarnith::kLayout) {
    if (place.kind == zarnith::ControlKind::kDisplay && x >= place.left && x < place.right &&
        y >= place.top && y < place.bottom)
      return true;
  }
  return false;
}

VstIntPtr ZARNITH_CALL answerVersionOnly(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(Win32PanelTest, WindowShowsWhatTheOffscreenRenderOfItsTreeShows) {
  AudioEffect* effect = createEffectInstance(answerVersionOnly);
  ASSERT_TRUE(effect);
  ERect* rect = nullptr;
  ASSERT_EQ(effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
  const int width = rect->right - rect->left;
  const int height = rect->bottom - rect->top;
  HWND host = createHostWindow(width, height);
  ASSERT_EQ(effect->dispatcher(effEditOpen, 0, 0, host, 0.0f), 1);
  HWND window = FindWindowExW(host, nullptr, nullptr, L"Window");
  ASSERT_TRUE(window);
  // The readouts are drawn at the host's next idle.
  effect->dispatcher(effEditIdle, 0, 0, nullptr, 0.0f);
  UpdateWindow(window);
  pumpMessages();

  // The window's pixels, read back through a 32-bit top-down bitmap.
  HDC windowDC = GetDC(window);
  HDC copyDC = CreateCompatibleDC(windowDC);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(copyDC, copy);
  BitBlt(copyDC, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
  GdiFlush();
  const uint8_t* shown = static_cast<const uint8_t*>(bits);

  CFrame* frame = static_cast<AEffGUIEditor*>(effect->getEditor())->getFrame();
  ASSERT_TRUE(frame);
  auto* offscreen = new COffscreenContext(frame, width, height);
  frame->drawRect(offscreen, frame->getViewSize());
  int differing = 0;
  int dark = 0;
  int readoutText = 0;
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) {
      uint8_t bgra[4];
      ASSERT_TRUE(offscreen->getBitmap()->getPixelBGRA(x, y, bgra));
      const uint8_t* p = shown + (static_cast<size_t>(y) * width + x) * 4;
      // Blending into a window and into a premultiplied image round apart by one step.
      for (int c = 0; c < 3 && !inReadout(x, y); c++) {
        if (std::abs(p[c] - bgra[c]) > 1) {
          ++differing;
          break;
        }
      }
      if (p[0] + p[1] + p[2] == 0) ++dark;
      // The Freq readout's green text ("9600 Hz") below the first knob.
      if (x >= 35 && x < 84 && y >= 115 && y < 125 && p[1] > 128 && p[0] < 100 && p[2] < 100) ++readoutText;
    }
  }
  EXPECT_EQ(differing, 0) << "of " << width * height << " pixels";
  // The panel is a picture, not an empty window.
  EXPECT_LT(dark, width * height / 2);
  EXPECT_GT(readoutText, 10) << "no text in the Freq readout";

  offscreen->forget();
  SelectObject(copyDC, old);
  DeleteObject(copy);
  DeleteDC(copyDC);
  ReleaseDC(window, windowDC);
  effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effClose, 0, 0, nullptr, 0.0f);
  delete effect;
  DestroyWindow(host);
}

}  // namespace
