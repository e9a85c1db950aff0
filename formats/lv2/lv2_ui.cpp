// The LV2 UI: the effect's own editor, embedded in the host's window. The UI may
// run in another process than the plug-in, so it drives an effect of its own that
// never processes audio: the host's port values are set on it as a 2.4 host
// would, and what the editor tells that host (automate, begin and end edit)
// becomes port writes and touch gestures.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "editor/myvstgui.h"
#include "engine/myvst.h"
#include "lv2/ui/ui.h"
#include "lv2_ports.h"
// Xlib last: its macros (None, Bool) would break the headers above.
// clang-format off
#include <X11/Xlib.h>
// clang-format on

namespace zarnith {
namespace lv2 {
namespace {

struct Ui {
  AEffect* effect = nullptr;
  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  const LV2UI_Touch* touch = nullptr;
  bool editorOpen = false;
  // What the effect reports for each port's parameter, as last told to the host.
  float known[kNumControlInputs] = {};

  ~Ui() {
    if (!effect) return;
    if (editorOpen) dispatch(effEditClose);
    dispatch(effClose);
  }
  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
  }
  float parameter(int port) { return effect->getParameter(effect, kControlInputs[port].parameter); }
  void grab(int port, bool grabbed) {
    if (touch) touch->touch(touch->handle, controlInputPort(port), grabbed);
  }
  void send(int port, float value) {
    known[port] = parameter(port);
    write(controller, controlInputPort(port), sizeof(float), 0, &value);
  }
  // An edit can move other parameters too (the randomise button sets them all, and
  // every program change switches the bypass off): those go out as gestures of their own.
  void sendOthersChanged(int except) {
    for (int i = 0; i < kNumControlInputs; i++) {
      if (i == except) continue;
      const float v = parameter(i);
      if (std::memcmp(&v, &known[i], sizeof(float)) == 0) continue;
      grab(i, true);
      send(i, v);
      grab(i, false);
    }
  }
};

VstIntPtr editorHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
  Ui* ui = effect ? static_cast<Ui*>(effect->user) : nullptr;
  if (opcode == audioMasterVersion) return kVstVersion;
  if (!ui) return 0;
  const int port = controlInputOfParameter(index);
  switch (opcode) {
    case audioMasterAutomate:
      if (port >= 0) ui->send(port, opt);
      ui->sendOthersChanged(port);
      return 0;
    case audioMasterBeginEdit:
      if (port >= 0) ui->grab(port, true);
      return 1;
    case audioMasterEndEdit:
      if (port >= 0) ui->grab(port, false);
      return 1;
    default:
      return 0;  // no time: this effect never processes
  }
}

const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; i++)
    if (std::strcmp(features[i]->URI, uri) == 0) return features[i];
  return nullptr;
}

std::vector<Window> childWindows(Display* display, Window parent) {
  std::vector<Window> list;
  Window root = 0, up = 0, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, parent, &root, &up, &children, &count) && children) {
    list.assign(children, children + count);
    XFree(children);
  }
  return list;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
  if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0 || !write || !widget) return nullptr;
  const LV2_Feature* parentFeature = findFeature(features, LV2_UI__parent);
  const Window parent = parentFeature ? reinterpret_cast<Window>(parentFeature->data) : 0;
  if (!parent) return nullptr;  // the editor lives inside the host's window only

  std::unique_ptr<Ui> ui(new (std::nothrow) Ui());
  if (!ui) return nullptr;
  ui->write = write;
  ui->controller = controller;
  if (const LV2_Feature* f = findFeature(features, LV2_UI__touch))
    ui->touch = static_cast<const LV2UI_Touch*>(f->data);
  MyVst* effect = nullptr;
  try {
    effect = new MyVst(&editorHost);
    // The effect makes its editor only when the plug-in's entry glue has said how.
    if (!effect->getEditor()) new MyVstGUI(effect);  // attaches itself to the effect
  } catch (const std::bad_alloc&) {
    delete effect;
    return nullptr;
  }
  ui->effect = effect->getAeffect();
  ui->effect->user = ui.get();
  for (int i = 0; i < kNumControlInputs; i++) ui->known[i] = ui->parameter(i);

  // The editor makes one child window in the parent: that is the widget.
  Display* display = XOpenDisplay(nullptr);
  std::vector<Window> before;
  if (display) before = childWindows(display, parent);
  ui->editorOpen = ui->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)) != 0;
  if (!ui->editorOpen) {
    if (display) XCloseDisplay(display);
    return nullptr;
  }
  Window child = 0;
  if (display) {
    for (Window w : childWindows(display, parent))
      if (std::find(before.begin(), before.end(), w) == before.end()) child = w;
    XCloseDisplay(display);
  }
  *widget = reinterpret_cast<LV2UI_Widget>(child ? child : parent);

  ERect* rect = nullptr;
  if (const LV2_Feature* f = findFeature(features, LV2_UI__resize)) {
    const auto* resize = static_cast<const LV2UI_Resize*>(f->data);
    if (ui->dispatch(effEditGetRect, 0, 0, &rect) && rect)
      resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
  }
  return ui.release();
}

void cleanup(LV2UI_Handle handle) {
  delete static_cast<Ui*>(handle);
}

// The host's news of a port: controls are set on the editor's effect as a host
// sets parameters; the lamps light the editor's lamps.
void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  Ui* ui = static_cast<Ui*>(handle);
  if (format != 0 || size != sizeof(float) || !buffer) return;
  float value;
  std::memcpy(&value, buffer, sizeof(float));
  if (port >= controlInputPort(0) && port < controlOutputPort(0)) {
    const int i = static_cast<int>(port - controlInputPort(0));
    ui->effect->setParameter(ui->effect, kControlInputs[i].parameter, value);
    ui->known[i] = ui->parameter(i);
  } else if (port > controlOutputPort(0) && port < kNumPorts) {
    const int lamp = static_cast<int>(port - controlOutputPort(1));
    ui->effect->setParameter(ui->effect, kFirstFilterLamp + lamp, value);
  }
}

int idle(LV2UI_Handle handle) {
  static_cast<Ui*>(handle)->dispatch(effEditIdle);
  return 0;
}

const void* extensionData(const char* uri) {
  static const LV2UI_Idle_Interface idleInterface = {idle};
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
  return nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace
}  // namespace lv2
}  // namespace zarnith

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &zarnith::lv2::kDescriptor : nullptr;
}
