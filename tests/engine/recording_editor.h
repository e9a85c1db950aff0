// An editor that records what the effect sends it, for tests of the editor link.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/myvst.h"
#include "toolkit/aeffguieditor.h"

// A probe starts without the effect's own
// editor, so that tests can attach a recording one.
class MyVstProbe : public MyVst {
 public:
  explicit MyVstProbe(audioMasterCallback audioMaster) : MyVst(audioMaster) {
    delete editor;
    setEditor(nullptr);
  }
  using MyVst::editor;
};

class RecordingEditor : public AEffGUIEditor {
 public:
  explicit RecordingEditor(AudioEffect* effect, std::vector<std::string>* log = nullptr,
                           bool* destroyed = nullptr)
      : AEffGUIEditor(effect), log(log), destroyed(destroyed) {}
  ~RecordingEditor() override {
    if (destroyed) *destroyed = true;
  }

  void setParameter(VstInt32 index, float value) override;
  bool onKeyDown(VstKeyCode& keyCode) override;
  bool onKeyUp(VstKeyCode& keyCode) override;
  bool open(void* ptr) override;

  std::vector<std::pair<VstInt32, float>> received;
  std::vector<VstKeyCode> keys;
  bool keyAnswer = true;
  bool openAnswer = true;
  std::vector<std::string>* log;
  bool* destroyed;
};
