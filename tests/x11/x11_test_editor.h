// A recording effect and editor for the X11 tests (and the Windows layer's tests), with views
// that log every event reaching them. Also built into a small test plug-in for the viewer's
// tests, so no test framework here.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/audioeffect.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/ccontrol.h"
#include "toolkit/cframe.h"

namespace x11test {

#ifdef _WIN32
using NativeWindow = HWND;
#else
using NativeWindow = Window;
#endif

// One request the effect sent to the host callback.
struct HostCall {
  VstInt32 opcode;
  VstInt32 index;
  float opt;
};
std::vector<HostCall>& hostCalls();

class TestEffect : public AudioEffect {
 public:
  // Without a callback, the requests are recorded in hostCalls().
  explicit TestEffect(audioMasterCallback callback = nullptr);
  void processReplacing(float**, float**, VstInt32) override {}
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override { return index >= 0 && index < 4 ? params[index] : 0.f; }
  VstIntPtr call(VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
    return dispatcher(opcode, 0, value, ptr, 0.f);
  }

  float params[4] = {0.5f, 0.5f, 0.5f, 0.5f};
};

struct ProbeEvent {
  enum Kind {
    kDown,
    kUp,
    kMoved,
    kEntered,
    kExited,
    kWheel,
    kKeyDown,
    kKeyUp,
    kDragEnter,
    kDragMove,
    kDragLeave,
    kDrop
  };
  Kind kind;
  CPoint where;
  int32_t buttons;
  int32_t axis;
  float distance;
  VstKeyCode key;
  std::vector<std::pair<int32_t, std::string>> items;  // drag items: type, bytes
  int32_t count;                                       // drag item count
};

// A view that records every event and draws a solid colour with a frame.
class ProbeView : public CView {
 public:
  ProbeView(const CRect& size, const CColor& color);

  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseEntered(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseExited(const CPoint& where, int32_t buttons) override;
  bool onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons) override;
  int32_t onKeyDown(VstKeyCode& key) override;
  int32_t onKeyUp(VstKeyCode& key) override;
  void onDragEnter(CDragContainer* drag, const CPoint& where) override;
  void onDragMove(CDragContainer* drag, const CPoint& where) override;
  void onDragLeave(CDragContainer* drag, const CPoint& where) override;
  bool onDrop(CDragContainer* drag, const CPoint& where) override;

  std::vector<ProbeEvent> events;
  CMouseEventResult downResult = kMouseEventHandled;
  CColor color;
  int drawCount = 0;
  // Called inside onMouseDown, as a control that holds the mouse runs its own loop.
  std::function<void()> whilePressed;

  int countOf(ProbeEvent::Kind kind) const;
  const ProbeEvent* last(ProbeEvent::Kind kind) const;

 private:
  ProbeEvent& add(ProbeEvent::Kind kind, const CPoint& where, int32_t buttons);
  void readItems(CDragContainer* drag, ProbeEvent& event);
};

// A vertical slider drawn as a filled bar: 200 pixels per full range, edits reported to the host.
class TestKnob : public CControl {
 public:
  TestKnob(const CRect& size, CControlListener* listener, int32_t tag);
  void draw(CDrawContext* context) override;
  CMouseEventResult onMouseDown(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseMoved(const CPoint& where, int32_t buttons) override;
  CMouseEventResult onMouseUp(const CPoint& where, int32_t buttons) override;
  CView* newCopy() const override { return new TestKnob(*this); }

  int drawCount = 0;

 private:
  int32_t startV = 0;
  float startValue = 0.f;
};

// The editor: a frame of 300 x 200 with a probe at (10, 10, 110, 60), a second probe at
// (10, 100, 110, 150) and a knob (tag 1) at (150, 10, 200, 110).
class TestEditor : public AEffGUIEditor, public CControlListener {
 public:
  enum { kWidth = 300, kHeight = 200 };
  explicit TestEditor(AudioEffect* effect);
  ~TestEditor() override;

  bool open(void* parent) override;
  void close() override;
  void setParameter(VstInt32 index, float value) override;
  void valueChanged(CControl* control) override;

  CFrame* getFrame() const { return frame; }
  // The frame's own window, none without one.
  NativeWindow frameWindow() const;

  ProbeView* probe = nullptr;
  ProbeView* probe2 = nullptr;
  TestKnob* knob = nullptr;
};

}  // namespace x11test
