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
  AEffEditor::open(ptr);
  return openAnswer;
}
