// An editor that records what the effect sends it, for tests of the editor link.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/myvst.h"
#include "host/aeffeditor.h"
#include "host/audioeffect.h"

// The knob modes a host selects.
enum { kCircularMode = 0, kLinearMode = 2 };

// Attaches itself to the effect as it is made, as the plug-in's editor does.
class RecordingEditor : public AEffEditor {
 public:
  explicit RecordingEditor(AudioEffect* effect, std::vector<std::string>* log = nullptr,
                           bool* destroyed = nullptr)
      : AEffEditor(effect), log(log), destroyed(destroyed) {
    if (effect) effect->setEditor(this);
  }
  ~RecordingEditor() override {
    if (destroyed) *destroyed = true;
  }

  void setParameter(VstInt32 index, float value) override;
  bool onKeyDown(VstKeyCode& keyCode) override;
  bool onKeyUp(VstKeyCode& keyCode) override;
  bool open(void* ptr) override;
  bool getRect(ERect** r) override {
    *r = &rect;
    return true;
  }
  bool setKnobMode(VstInt32 mode) override {
    knobMode = mode;
    return true;
  }
  VstInt32 getKnobMode() const { return knobMode; }
  // A gesture on a control, as a knob reports it.
  void beginEdit(VstInt32 index) { effect->beginEdit(index); }
  void endEdit(VstInt32 index) { effect->endEdit(index); }

  ERect rect{0, 0, 405, 428};
  VstInt32 knobMode = 0;
  std::vector<std::pair<VstInt32, float>> received;
  std::vector<VstKeyCode> keys;
  bool keyAnswer = true;
  bool openAnswer = true;
  std::vector<std::string>* log;
  bool* destroyed;
};
