#include "myvst.h"

#include <atomic>
#include <cstring>

namespace {

// Installed once by the plug-in's entry glue; an effect made without one (the
// engine's own tests and tools) has no editor.
std::atomic<MyVst::EditorFactory> editorFactory{nullptr};

}  // namespace

void MyVst::setEditorFactory(EditorFactory factory) {
  editorFactory.store(factory, std::memory_order_relaxed);
}

MyVst::MyVst(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
  // Processing memory first: the scrambler's two bar buffers (cleared by resume below).
  zarnith::allocateChain(chain);
  chain.lightFilterTypeLamp = &MyVst::lightFilterTypeLamp;
  chain.lampContext = this;

  programs.reset(new ProgramRecord[kNumPrograms]);
  for (VstInt32 i = 0; i < kNumPrograms; i++) setRecordDefaults(programs[i]);

  setNumInputs(2);
  setNumOutputs(2);
  canProcessReplacing(true);
  setUniqueID(ZARNITH_FOURCC('A', 'D', 'l', 'y'));

  setParameter(zarnith::kParamEnvTimeA, 0.02f);
  setParameter(zarnith::kParamEnvTimeB, 0.002f);
  noteActivity.store(0.0f, std::memory_order_relaxed);
  spareLevel.store(1.0f, std::memory_order_relaxed);
  params.processingHold.store(0.0f, std::memory_order_relaxed);

  buildFactoryBank();

  // The editor comes after the bank and before program 0 is loaded, so it sees
  // every value of the first program arrive.
  if (const EditorFactory factory = editorFactory.load(std::memory_order_relaxed)) setEditor(factory(this));

  programsAreChunks(true);
  if (programs) setProgram(0);
  resume();
}

MyVst::~MyVst() {}

VstInt32 MyVst::processEvents(VstEvents* events) {
  if (!events) return 1;
  for (VstInt32 i = 0; i < events->numEvents; i++) {
    const VstEvent* event = events->events[i];
    if (!event || event->type != kVstMidiType) continue;
    const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
    const unsigned char status = static_cast<unsigned char>(midi->midiData[0]);
    const unsigned char velocity = static_cast<unsigned char>(midi->midiData[2]) & 0x7F;
    if ((status & 0xF0) == 0x90 && velocity > 0) noteActivity.store(1.0f, std::memory_order_relaxed);
  }
  return 1;
}

bool MyVst::getEffectName(char* name) {
  copyWholeText(name, "filter");
  return true;
}

bool MyVst::getVendorString(char* text) {
  copyWholeText(text, "Kovrane Audio Production");
  return true;
}

bool MyVst::getProductString(char* text) {
  copyWholeText(text, "Filter");
  return true;
}

VstInt32 MyVst::getVendorVersion() {
  return 1000;
}

VstInt32 MyVst::canDo(char* text) {
  if (!text) return -1;
  static const char* const kCanDo[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"};
  for (const char* known : kCanDo) {
    if (std::strcmp(text, known) == 0) return 1;
  }
  return -1;
}

VstInt32 MyVst::getPlugCategory() {
  return kPlugCategEffect;
}
