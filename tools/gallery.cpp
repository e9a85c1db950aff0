// zarnith-gallery: draws every toolkit control the editor uses, in a few states each, with the
// editor's own images, into one PNG file for a person to look at.
//
//   zarnith-gallery OUTPUT.png
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "toolkit/cbitmap.h"
#include "toolkit/cbuttons.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cfont.h"
#include "toolkit/cframe.h"
#include "toolkit/cknob.h"
#include "toolkit/cmoviebitmap.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cverticalswitch.h"

namespace {

constexpr int32_t kColumnWidth = 90;
constexpr int32_t kLabelWidth = 110;
constexpr int32_t kRowGap = 26;  // room for the state caption under each control
const float kStates[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 1.7f};
constexpr int32_t kStateCount = sizeof kStates / sizeof kStates[0];

struct Images {
  CBitmap* knob = nullptr;
  CBitmap* switch3 = nullptr;
  CBitmap* onOff = nullptr;
  CBitmap* button = nullptr;
  CBitmap* bypassLed = nullptr;
  CBitmap* led = nullptr;

  bool load() {
    knob = new CBitmap(CResourceDescription(129));
    switch3 = new CBitmap(CResourceDescription(130));
    onOff = new CBitmap(CResourceDescription(131));
    button = new CBitmap(CResourceDescription(10016));
    bypassLed = new CBitmap(CResourceDescription(10018));
    led = new CBitmap(CResourceDescription(10019));
    for (CBitmap* b : {knob, switch3, onOff, button, bypassLed, led})
      if (!b->isLoaded() || b->getWidth() <= 0 || b->getHeight() <= 0) return false;
    return true;
  }
  void release() {
    for (CBitmap* b : {knob, switch3, onOff, button, bypassLed, led})
      if (b) b->forget();
  }
};

void threeDigits(float value, char* text) {
  std::snprintf(text, 64, "%.3f", value);
}

// One row of the gallery: a caption, then the same control in every state.
class Gallery {
 public:
  explicit Gallery(CFrame* frame) : frame(frame) {}

  template <typename Make>
  void row(const char* name, int32_t height, Make make) {
    caption(CRect(4, top, kLabelWidth, top + (height < 16 ? 16 : height)), name, kLeftText);
    for (int32_t i = 0; i < kStateCount; i++) {
      int32_t left = kLabelWidth + i * kColumnWidth;
      CControl* control = make(CPoint(left + 10, top));
      control->setValue(kStates[i]);
      frame->addView(control);
      char text[32];
      std::snprintf(text, sizeof text, "%.2f", kStates[i]);
      caption(CRect(left, top + height + 2, left + kColumnWidth, top + height + kRowGap - 4), text,
              kCenterText);
    }
    top += (height < 16 ? 16 : height) + kRowGap;
  }

  int32_t bottom() const { return top; }

 private:
  void caption(const CRect& r, const char* text, CHoriTxtAlign align) {
    CParamDisplay* label = new CParamDisplay(r, nullptr, kNoFrame);
    label->setBackColor(CColor{40, 40, 48, 255});
    label->setFontColor(CColor{220, 220, 220, 255});
    label->setFont(kNormalFontSmall);
    label->setHoriAlign(align);
    label->setStringConvert(
        [](float, char* out, void* user) { std::snprintf(out, 260, "%s", static_cast<const char*>(user)); },
        strings.add(text));
    frame->addView(label);
  }

  // Captions outlive the rows that made them: the displays convert at draw time, and a deque
  // never moves the strings it holds.
  struct Strings {
    std::deque<std::string> items;
    void* add(const char* s) {
      items.emplace_back(s);
      return const_cast<char*>(items.back().c_str());
    }
  };

  CFrame* frame;
  int32_t top = 8;
  Strings strings;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !argv[1][0] || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: zarnith-gallery OUTPUT.png\n");
    return 2;
  }
  const char* output = argv[1];

  Images images;
  if (!images.load()) {
    images.release();
    std::fprintf(stderr, "zarnith-gallery: the editor's images could not be loaded from the resources\n");
    return 1;
  }

  const int32_t width = kLabelWidth + kStateCount * kColumnWidth;
  const int32_t height = 560;
  CFrame* frame = new CFrame(CRect(0, 0, width, height), nullptr, nullptr);
  frame->setBackgroundColor(CColor{40, 40, 48, 255});
  COffscreenContext* surface = new COffscreenContext(frame, width, height, kBlackCColor);
  {
    Gallery g(frame);
    const int32_t knobH = images.knob->getWidth() - 1;  // 49 x 48 frames
    g.row("CAnimKnob", knobH, [&](CPoint p) -> CControl* {
      return new CAnimKnob(CRect(p.h, p.v, p.h + images.knob->getWidth(), p.v + knobH), nullptr, 0, 63, knobH,
                           images.knob);
    });
    g.row("CKnob (lines)", 40, [&](CPoint p) -> CControl* {
      return new CKnob(CRect(p.h, p.v, p.h + 40, p.v + 40), nullptr, 0, nullptr, nullptr);
    });
    const int32_t switchH = images.switch3->getHeight() / 3;
    g.row("CVerticalSwitch", switchH, [&](CPoint p) -> CControl* {
      return new CVerticalSwitch(CRect(p.h, p.v, p.h + images.switch3->getWidth(), p.v + switchH), nullptr, 0,
                                 3, switchH, 3, images.switch3);
    });
    const int32_t onOffH = images.onOff->getHeight() / 2;
    g.row("COnOffButton", onOffH, [&](CPoint p) -> CControl* {
      return new COnOffButton(CRect(p.h, p.v, p.h + images.onOff->getWidth(), p.v + onOffH), nullptr, 0,
                              images.onOff);
    });
    const int32_t buttonH = images.button->getHeight() / 2;
    g.row("CKickButton", buttonH, [&](CPoint p) -> CControl* {
      return new CKickButton(CRect(p.h, p.v, p.h + images.button->getWidth(), p.v + buttonH), nullptr, 0,
                             buttonH, images.button);
    });
    const int32_t bigLedH = images.bypassLed->getWidth();
    g.row("CMovieBitmap 10018", bigLedH, [&](CPoint p) -> CControl* {
      return new CMovieBitmap(CRect(p.h, p.v, p.h + bigLedH, p.v + bigLedH), nullptr, 111,
                              images.bypassLed->getHeight() / bigLedH, bigLedH, images.bypassLed);
    });
    const int32_t ledH = images.led->getWidth();
    g.row("CMovieBitmap 10019", ledH, [&](CPoint p) -> CControl* {
      return new CMovieBitmap(CRect(p.h, p.v, p.h + ledH, p.v + ledH), nullptr, 111,
                              images.led->getHeight() / ledH, ledH, images.led);
    });
    g.row("CParamDisplay", 18, [&](CPoint p) -> CControl* {
      CParamDisplay* d = new CParamDisplay(CRect(p.h, p.v, p.h + 64, p.v + 18));
      d->setFont(kNormalFontSmaller);
      return d;
    });
    g.row("display 3D, shadow", 18, [&](CPoint p) -> CControl* {
      CParamDisplay* d = new CParamDisplay(CRect(p.h, p.v, p.h + 64, p.v + 18), nullptr, k3DIn | kShadowText);
      d->setBackColor(CColor{90, 90, 110, 255});
      d->setFrameColor(CColor{200, 200, 220, 255});
      d->setStringConvert(threeDigits);
      d->setHoriAlign(kRightText);
      return d;
    });
    frame->draw(surface);
  }
  bool saved = surface->saveToPNG(output);
  surface->forget();
  frame->forget();
  images.release();
  if (!saved) {
    std::fprintf(stderr, "zarnith-gallery: cannot write %s\n", output);
    return 1;
  }
  return 0;
}
