#include "x11_test_editor.h"

#include "toolkit/cdragcontainer.h"
#include "toolkit/cdrawcontext.h"
#ifdef _WIN32
#include "toolkit/platform/win32/win32_frame.h"
using NativeFrame = Win32Frame;
#else
#include "toolkit/platform/x11/x11_frame.h"
using NativeFrame = X11Frame;
#endif

namespace x11test {

std::vector<HostCall>& hostCalls() {
  static std::vector<HostCall> calls;
  return calls;
}

namespace {

VstIntPtr ZARNITH_CALL hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
  hostCalls().push_back({opcode, index, opt});
  return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

TestEffect::TestEffect(audioMasterCallback callback)
    : AudioEffect(callback ? callback : &hostCallback, 1, 4) {}

void TestEffect::setParameter(VstInt32 index, float value) {
  if (index < 0 || index >= 4) return;
  params[index] = value;
  if (editor) static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}

// ---------------------------------------------------------------------------------------------

ProbeView::ProbeView(const CRect& size, const CColor& color) : CView(size), color(color) {
  setWantsFocus(true);
}

void ProbeView::draw(CDrawContext* context) {
  ++drawCount;
  context->setFillColor(color);
  context->setFrameColor(kWhiteCColor);
  context->drawRect(size, kDrawFilledAndStroked);
  context->setFrameColor(kBlackCColor);
  context->moveTo(CPoint(size.left, size.top));
  context->lineTo(CPoint(size.right - 1, size.bottom - 1));
  setDirty(false);
}

ProbeEvent& ProbeView::add(ProbeEvent::Kind kind, const CPoint& where, int32_t buttons) {
  ProbeEvent event{};
  event.kind = kind;
  event.where = where;
  event.buttons = buttons;
  events.push_back(event);
  return events.back();
}

CMouseEventResult ProbeView::onMouseDown(const CPoint& where, int32_t buttons) {
  add(ProbeEvent::kDown, where, buttons);
  if (whilePressed) whilePressed();
  return downResult;
}

CMouseEventResult ProbeView::onMouseUp(const CPoint& where, int32_t buttons) {
  add(ProbeEvent::kUp, where, buttons);
  return kMouseEventHandled;
}

CMouseEventResult ProbeView::onMouseMoved(const CPoint& where, int32_t buttons) {
  add(ProbeEvent::kMoved, where, buttons);
  return kMouseEventHandled;
}

CMouseEventResult ProbeView::onMouseEntered(const CPoint& where, int32_t buttons) {
  add(ProbeEvent::kEntered, where, buttons);
  return kMouseEventHandled;
}

CMouseEventResult ProbeView::onMouseExited(const CPoint& where, int32_t buttons) {
  add(ProbeEvent::kExited, where, buttons);
  return kMouseEventHandled;
}

bool ProbeView::onWheel(const CPoint& where, CMouseWheelAxis axis, float distance, int32_t buttons) {
  ProbeEvent& e = add(ProbeEvent::kWheel, where, buttons);
  e.axis = axis;
  e.distance = distance;
  return true;
}

int32_t ProbeView::onKeyDown(VstKeyCode& key) {
  add(ProbeEvent::kKeyDown, CPoint(), 0).key = key;
  return key.virt == VKEY_TAB ? -1 : 1;  // Tab is the frame's: it moves the focus
}

int32_t ProbeView::onKeyUp(VstKeyCode& key) {
  add(ProbeEvent::kKeyUp, CPoint(), 0).key = key;
  return 1;
}

void ProbeView::readItems(CDragContainer* drag, ProbeEvent& event) {
  event.count = drag->getCount();
  int32_t size = 0, type = 0;
  for (void* item = drag->first(size, type); item; item = drag->next(size, type))
    event.items.emplace_back(type, std::string(static_cast<const char*>(item), size));
  event.items.emplace_back(type, std::string());  // the type that ended the walk
}

void ProbeView::onDragEnter(CDragContainer* drag, const CPoint& where) {
  readItems(drag, add(ProbeEvent::kDragEnter, where, 0));
}

void ProbeView::onDragMove(CDragContainer*, const CPoint& where) {
  add(ProbeEvent::kDragMove, where, 0);
}

void ProbeView::onDragLeave(CDragContainer*, const CPoint& where) {
  add(ProbeEvent::kDragLeave, where, 0);
}

bool ProbeView::onDrop(CDragContainer* drag, const CPoint& where) {
  readItems(drag, add(ProbeEvent::kDrop, where, 0));
  return true;
}

int ProbeView::countOf(ProbeEvent::Kind kind) const {
  int n = 0;
  for (const ProbeEvent& e : events) n += e.kind == kind;
  return n;
}

const ProbeEvent* ProbeView::last(ProbeEvent::Kind kind) const {
  for (auto it = events.rbegin(); it != events.rend(); ++it)
    if (it->kind == kind) return &*it;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------

TestKnob::TestKnob(const CRect& size, CControlListener* listener, int32_t tag)
    : CControl(size, listener, tag) {
  setWantsFocus(true);
}

void TestKnob::draw(CDrawContext* context) {
  ++drawCount;
  context->setFillColor(CColor{20, 20, 60, 255});
  context->fillRect(size);
  CRect bar(size);
  bar.top = size.bottom - static_cast<int32_t>(value * static_cast<float>(size.height()));
  context->setFillColor(CColor{250, 200, 0, 255});
  context->fillRect(bar);
  setDirty(false);
}

CMouseEventResult TestKnob::onMouseDown(const CPoint& where, int32_t buttons) {
  if (!(buttons & kLButton)) return kMouseEventNotHandled;
  beginEdit();
  startV = where.v;
  startValue = value;
  return kMouseEventHandled;
}

CMouseEventResult TestKnob::onMouseMoved(const CPoint& where, int32_t buttons) {
  if (!(buttons & kLButton)) return kMouseEventHandled;
  float v = startValue + static_cast<float>(startV - where.v) / 200.f;
  if (v < 0.f) v = 0.f;
  if (v > 1.f) v = 1.f;
  if (v != value) {
    value = v;
    if (listener) listener->valueChanged(this);
    invalid();
  }
  return kMouseEventHandled;
}

CMouseEventResult TestKnob::onMouseUp(const CPoint&, int32_t) {
  endEdit();
  return kMouseEventHandled;
}

// ---------------------------------------------------------------------------------------------

TestEditor::TestEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
  rect.top = 0;
  rect.left = 0;
  rect.bottom = kHeight;
  rect.right = kWidth;
}

TestEditor::~TestEditor() {
  close();
}

bool TestEditor::open(void* parent) {
  if (frame) close();  // a second open replaces the first window
  AEffGUIEditor::open(parent);
  frame = new CFrame(CRect(0, 0, kWidth, kHeight), parent, this);
  frame->setBackgroundColor(CColor{40, 90, 40, 255});
  probe = new ProbeView(CRect(10, 10, 110, 60), CColor{200, 30, 30, 255});
  probe2 = new ProbeView(CRect(10, 100, 110, 150), CColor{30, 30, 200, 255});
  knob = new TestKnob(CRect(150, 10, 200, 110), this, 1);
  knob->setValue(0.5f);
  frame->addView(probe);
  frame->addView(probe2);
  frame->addView(knob);
  if (!frame->getPlatformFrame()) {
    // No window could be made (no display, no or a dead parent): the host hears of failure.
    close();
    return false;
  }
  return true;
}

void TestEditor::close() {
  if (frame) {
    CFrame* f = frame;
    frame = nullptr;
    probe = probe2 = nullptr;
    knob = nullptr;
    f->forget();
  }
  AEffGUIEditor::close();
}

void TestEditor::setParameter(VstInt32 index, float value) {
  if (index == 1 && knob) knob->setValue(value);
}

void TestEditor::valueChanged(CControl* control) {
  if (effect) effect->setParameterAutomated(control->getTag(), control->getValue());
}

NativeWindow TestEditor::frameWindow() const {
  if (!frame) return 0;
  NativeFrame* platform = dynamic_cast<NativeFrame*>(frame->getPlatformFrame());
  return platform ? platform->getWindow() : NativeWindow();
}

}  // namespace x11test
