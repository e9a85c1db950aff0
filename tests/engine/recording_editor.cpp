#include "recording_editor.h"

void RecordingEditor::setParameter(VstInt32 index, float value) {
  received.emplace_back(index, value);
  if (log) log->push_back("editor " + std::to_string(index));
}

bool RecordingEditor::onKeyDown(VstKeyCode& keyCode) {
  keys.push_back(keyCode);
  return keyAnswer;
}

bool RecordingEditor::onKeyUp(VstKeyCode& keyCode) {
  keys.push_back(keyCode);
  return keyAnswer;
}

bool RecordingEditor::open(void* ptr) {
  AEffGUIEditor::open(ptr);
  return openAnswer;
}

// The frame-dependent half of the editor base is not needed here: no window is opened.
void AEffGUIEditor::idle() {}
bool AEffGUIEditor::onKeyDown(VstKeyCode&) {
  return false;
}
bool AEffGUIEditor::onKeyUp(VstKeyCode&) {
  return false;
}
bool AEffGUIEditor::onWheel(float) {
  return false;
}
void AEffGUIEditor::draw(ERect*) {}
void AEffGUIEditor::doIdleStuff() {}
void AEffGUIEditor::wait(uint32_t) {}
uint32_t AEffGUIEditor::getTicks() {
  return 0;
}
