// Test doubles for the view-tree tests: a scripted platform window, a fake clock, a
// recording listener and recording views, and colour strips drawn into offscreen bitmaps.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "test_surface.h"
#include "toolkit/ccontrol.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/platform/platform_frame.h"
#include "toolkit/vstguieditorinterface.h"

// One shared log of what the views and the listener were told, in order.
using EventLog = std::vector<std::string>;

inline std::string pt(const CPoint& p) {
  return "(" + std::to_string(p.h) + "," + std::to_string(p.v) + ")";
}

// The platform window, played by a script: each live read of the buttons moves on to the next
// pointer state, so polling loops see a sequence of positions and button sets.
class FakePlatform : public IPlatformFrame {
 public:
  struct PointerState {
    CPoint where;
    int32_t buttons;
  };

  std::vector<CRect> invalidated;
  std::vector<int32_t> cursors;
  int captures = 0;
  int releases = 0;
  int processEventsCalls = 0;
  int paintPumps = 0;
  bool acceptSize = true;
  bool dropResult = true;
  std::vector<bool> dropCalls;
  CRect parentRect{0, 0, 0, 0};
  std::function<void()> onProcessEvents;
  std::function<void()> onPaintPump;
  // Contexts handed out by createDrawContext draw into this offscreen surface when set.
  COffscreenContext* surface = nullptr;
  bool* destroyedFlag = nullptr;

  std::deque<PointerState> script;
  PointerState current{CPoint(0, 0), 0};

  ~FakePlatform() override {
    if (destroyedFlag) *destroyedFlag = true;
  }

  void play(std::initializer_list<PointerState> states) {
    for (const auto& s : states) script.push_back(s);
    advance();
  }
  void advance() {
    if (script.empty()) return;
    current = script.front();
    script.pop_front();
  }

  void invalidate(const CRect& rect) override { invalidated.push_back(rect); }
  void setCursor(int32_t type) override { cursors.push_back(type); }
  void captureMouse() override { captures++; }
  void releaseMouse() override { releases++; }
  bool getCurrentMouseLocation(CPoint& where) override {
    where = current.where;
    return true;
  }
  int32_t getCurrentMouseButtons() override {
    int32_t b = current.buttons;
    advance();
    return b;
  }
  bool setSize(int32_t, int32_t) override { return acceptSize; }
  bool getSize(CRect& rect) override {
    rect = parentRect;
    return true;
  }
  bool getPosition(int32_t& x, int32_t& y) override {
    x = parentRect.left;
    y = parentRect.top;
    return true;
  }
  bool setDropActive(bool active) override {
    dropCalls.push_back(active);
    return dropResult;
  }
  CDrawContext* createDrawContext() override {
    if (!surface) return nullptr;
    // A context sharing the surface's bitmap would need the cairo handle; the surface itself
    // serves as the window's context and is handed out with a reference.
    surface->remember();
    return surface;
  }
  void processEvents() override {
    processEventsCalls++;
    if (onProcessEvents) onProcessEvents();
  }
  void pumpOnePendingPaint() override {
    paintPumps++;
    if (onPaintPump) onPaintPump();
  }
};

// A clock that moves only when told to (and by the time slept).
class FakeClock : public IPlatformClock {
 public:
  uint32_t now = 100000;
  std::vector<uint32_t> waits;
  uint32_t getTicks() override { return now; }
  void wait(uint32_t ms) override {
    waits.push_back(ms);
    now += ms;
  }
};

// Installs a fake clock for the lifetime of the object.
class ScopedFakeClock {
 public:
  ScopedFakeClock() { previous = setPlatformClock(&clock); }
  ~ScopedFakeClock() { setPlatformClock(previous); }
  FakeClock clock;

 private:
  IPlatformClock* previous;
};

// The face of the editor that controls see: knob mode, idle pumping and edit gestures, logged.
class StubEditor : public VSTGUIEditorInterface {
 public:
  explicit StubEditor(EventLog* log) : log(log) {}
  int32_t getKnobMode() const override { return mode; }
  void beginEdit(int32_t index) override { log->push_back("host begin " + std::to_string(index)); }
  void endEdit(int32_t index) override { log->push_back("host end " + std::to_string(index)); }
  void doIdleStuff() override { log->push_back("idle"); }
  int32_t mode = 2;  // linear

 private:
  EventLog* log;
};

class RecordingListener : public CControlListener {
 public:
  explicit RecordingListener(EventLog* log) : log(log) {}
  void valueChanged(CControl* c) override {
    char buf[64];
    std::snprintf(buf, sizeof buf, "changed %d %.4f", c->getTag(), c->getValue());
    log->push_back(buf);
  }
  int32_t controlModifierClicked(CControl* c, int32_t buttons) override {
    log->push_back("modifier " + std::to_string(c->getTag()) + " " + std::to_string(buttons));
    return modifierAnswer;
  }
  void controlBeginEdit(CControl* c) override { log->push_back("begin " + std::to_string(c->getTag())); }
  void controlEndEdit(CControl* c) override { log->push_back("end " + std::to_string(c->getTag())); }

  int32_t modifierAnswer = 0;

 private:
  EventLog* log;
};

// A plain view that logs its events under a name and answers as configured.
class RecordingView : public CView {
 public:
  RecordingView(const CRect& size, const std::string& name, EventLog* log)
      : CView(size), name(name), log(log) {}

  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override {
    add("down", where, buttons);
    return downResult;
  }
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override {
    add("up", where, buttons);
    return kMouseEventHandled;
  }
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override {
    add("moved", where, buttons);
    return moveResult;
  }
  CMouseEventResult onMouseEntered(const CPoint& where, int32_t buttons) override {
    add("entered", where, buttons);
    return kMouseEventHandled;
  }
  CMouseEventResult onMouseExited(const CPoint& where, int32_t buttons) override {
    add("exited", where, buttons);
    return kMouseEventHandled;
  }
  bool onWheel(const CPoint& where, float distance, int32_t buttons) override {
    add("wheel " + std::to_string(static_cast<int>(distance)), where, buttons);
    return true;
  }
  int32_t onKeyDown(VstKeyCode& key) override {
    log->push_back(name + " key " + std::to_string(key.virt));
    return keyResult;
  }
  void mouse(CDrawContext*, CPoint& where, int32_t buttons) override { add("mouse", where, buttons); }
  void takeFocus() override { log->push_back(name + " takeFocus"); }
  void looseFocus() override { log->push_back(name + " looseFocus"); }
  void draw(CDrawContext* context) override {
    log->push_back(name + " draw");
    if (fill.alpha) {
      context->setFillColor(fill);
      context->fillRect(size);
    }
    setDirty(false);
  }

  CMouseEventResult downResult = kMouseEventHandled;
  CMouseEventResult moveResult = kMouseEventHandled;
  int32_t keyResult = -1;
  CColor fill{0, 0, 0, 0};
  std::string name;

 private:
  void add(const std::string& what, const CPoint& where, int32_t buttons) {
    log->push_back(name + " " + what + " " + pt(where) + " " + std::to_string(buttons));
  }
  EventLog* log;
};

// A container that logs the focus messages it is sent.
class RecordingContainer : public CViewContainer {
 public:
  RecordingContainer(const CRect& size, const std::string& name, EventLog* log)
      : CViewContainer(size, nullptr), name(name), log(log) {}
  CMessageResult notify(CBaseObject* sender, const char* message) override {
    if (message == kMsgNewFocusView || message == kMsgOldFocusView)
      log->push_back(name + " " + message + " " + static_cast<RecordingView*>(sender)->name);
    return CViewContainer::notify(sender, message);
  }
  std::string name;

 private:
  EventLog* log;
};

// A vertical strip of count images (at most 254), each height pixels tall, image i filled with
// (red i + 1, green 0x55, blue 0xAA): the colour read back tells which image a control drew.
inline CBitmap* makeStrip(int32_t width, int32_t height, int32_t count) {
  COffscreenContext strip(nullptr, width, height * count);
  for (int32_t i = 0; i < count; i++) {
    strip.setFillColor(CColor{static_cast<uint8_t>(i + 1), 0x55, 0xAA, 255});
    strip.fillRect(CRect(0, i * height, width, (i + 1) * height));
  }
  CBitmap* bitmap = strip.getBitmap();
  bitmap->remember();
  return bitmap;
}

// Which strip image (see makeStrip) covers pixel (x, y) of the surface; -1 when none.
inline int imageAt(COffscreenContext& c, int32_t x, int32_t y) {
  Pixel p = pixelAt(c, x, y);
  if (p.a != 255 || p.g != 0x55 || p.b != 0xAA || p.r == 0) return -1;
  return p.r - 1;
}
