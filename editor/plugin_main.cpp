// The plug-in's entry glue: the one place that knows both the effect and its
// editor. It installs the editor factory before the first effect is made, so
// the engine itself never links the GUI.
#include "editor/myvstgui.h"
#include "engine/myvst.h"

namespace {

AEffEditor* createEditor(AudioEffect* effect) {
  // The editor attaches itself to the effect as it is constructed.
  return new MyVstGUI(effect);
}

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  MyVst::setEditorFactory(&createEditor);
  return new MyVst(audioMaster);
}
