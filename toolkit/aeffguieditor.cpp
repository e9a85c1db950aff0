#include "aeffguieditor.h"

#include "cframe.h"
#include "host/audioeffect.h"
#include "platform/platform_frame.h"

int32_t AEffGUIEditor::knobMode = kCircularMode;

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect), rect{0, 0, 0, 0}, inIdleStuff(false) {
  if (effect) effect->setEditor(this);
  lLastTicks = getTicks();
  dragDropToken = platformDragDropStartup();
}

AEffGUIEditor::~AEffGUIEditor() {
  // A derived editor closes its frame in close(); one still open here would be lost.
  if (frame) frame->forget();
  frame = nullptr;
  platformDragDropShutdown(dragDropToken);
}

bool AEffGUIEditor::getRect(ERect** r) {
  *r = &rect;
  return true;
}

bool AEffGUIEditor::open(void* ptr) {
  return AEffEditor::open(ptr);
}

void AEffGUIEditor::close() {
  AEffEditor::close();
}

bool AEffGUIEditor::setKnobMode(VstInt32 val) {
  knobMode = val;
  return true;
}

void AEffGUIEditor::beginEdit(int32_t index) {
  if (effect) effect->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index) {
  if (effect) effect->endEdit(index);
}

// Frame-dependent operations (idle, keys, wheel, draw, the idle pump, ticks and
// waiting) live in aeffguieditor_frame.cpp, next to the frame they drive.
