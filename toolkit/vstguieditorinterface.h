// The small face of the editor that views see: idle pumping, knob mode and edit gestures.
#pragma once

#include <cstdint>

class CFrame;

class VSTGUIEditorInterface {
 public:
  VSTGUIEditorInterface() : frame(nullptr) {}
  virtual void doIdleStuff() {}
  virtual int32_t getKnobMode() const { return 0; }
  virtual void beginEdit(int32_t /*index*/) {}
  virtual void endEdit(int32_t /*index*/) {}
  virtual ~VSTGUIEditorInterface() {}

  CFrame* getFrame() const { return frame; }

 protected:
  CFrame* frame;
};
