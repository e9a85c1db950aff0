// The editor object the host's editor requests reach; the plug-in's own editor derives from it.
#pragma once

#include <cstdint>

#include "host/aeffeditor.h"
#include "vstguieditorinterface.h"

struct CRect;

enum { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
 public:
  explicit AEffGUIEditor(AudioEffect* effect);
  ~AEffGUIEditor() override;

  bool getRect(ERect** rect) override;
  bool open(void* ptr) override;
  void close() override;
  void idle() override;
  bool onKeyDown(VstKeyCode& keyCode) override;
  bool onKeyUp(VstKeyCode& keyCode) override;
  bool onWheel(float distance) override;
  bool setKnobMode(VstInt32 val) override;

  // Called by the effect on every parameter change, from any thread: store only, never draw.
  void setParameter(VstInt32 /*index*/, float /*value*/) override {}
  virtual void draw(ERect* rect);

  void doIdleStuff() override;
  int32_t getKnobMode() const override { return knobMode; }
  void beginEdit(int32_t index) override;
  void endEdit(int32_t index) override;

  static void wait(uint32_t milliseconds);
  static uint32_t getTicks();

 protected:
  ERect rect;
  uint32_t lLastTicks;
  bool inIdleStuff;
  void* dragDropToken;  // the platform's drag-and-drop support, held for the editor's lifetime

  static int32_t knobMode;  // one knob mode for the whole process
};
