// The effect base class: owns the record the host holds, routes the host's
// requests below 25 and sends the effect's own requests back to the host.
#pragma once

#include <atomic>

#include "aeffeditor.h"
#include "plugin_interface.h"

class AudioEffect {
 public:
  AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
  virtual ~AudioEffect();

  virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  // State.
  virtual void open() {}
  virtual void close() {}
  virtual void suspend() {}
  virtual void resume() {}

  // Processing.
  virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
  virtual void setBlockSize(VstInt32 newBlockSize) { blockSize = newBlockSize; }
  virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
  virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
  virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*sampleFrames*/) {}

  // Parameters.
  virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
  virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
  virtual void setParameterAutomated(VstInt32 index, float value);

  // Programs and state.
  virtual VstInt32 getProgram() { return curProgram; }
  virtual void setProgram(VstInt32 program) { curProgram = program; }
  virtual void setProgramName(char* /*name*/) {}
  virtual void getProgramName(char* name) {
    if (name) *name = 0;
  }
  virtual void getParameterLabel(VstInt32 /*index*/, char* /*label*/) {}
  virtual void getParameterDisplay(VstInt32 /*index*/, char* /*text*/) {}
  virtual void getParameterName(VstInt32 /*index*/, char* /*text*/) {}
  virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/ = false) { return 0; }
  virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/ = false) { return 0; }

  // Record set-up.
  virtual void setUniqueID(VstInt32 iD) { cEffect.uniqueID = iD; }
  virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
  virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
  virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
  virtual void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
  virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
  virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

  // Editor.
  virtual void setEditor(AEffEditor* newEditor);
  virtual AEffEditor* getEditor() { return editor; }

  AEffect* getAeffect() { return &cEffect; }
  float getSampleRate() const { return sampleRate; }
  VstInt32 getBlockSize() const { return blockSize; }

  // Requests to the host; each does nothing and answers 0 without a host callback.
  virtual VstInt32 getMasterVersion();
  virtual VstInt32 getCurrentUniqueId();
  virtual void masterIdle();
  virtual bool beginEdit(VstInt32 index);
  virtual bool endEdit(VstInt32 index);

  // Text helpers for parameter displays: each writes at most maxLen characters and a terminator.
  static void float2string(float value, char* text, VstInt32 maxLen);
  static void dB2string(float value, char* text, VstInt32 maxLen);
  static void int2string(VstInt32 value, char* text, VstInt32 maxLen);

 protected:
  // Calls the host with this effect's record, or answers 0 when there is no host callback.
  VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  void setFlag(VstInt32 flag, bool state);

  audioMasterCallback audioMaster;
  AEffEditor* editor;
  float sampleRate;
  VstInt32 blockSize;
  VstInt32 numPrograms;
  VstInt32 numParams;
  // Read by requests from several host threads; the program change itself happens on one thread.
  std::atomic<VstInt32> curProgram;
  AEffect cEffect;
};

// Copies text whole (names, vendor and product strings); a null target is ignored.
void copyWholeText(char* target, const char* text);
// Copies at most maxLen characters of text and terminates; a null target is ignored.
void copyCutText(char* target, const char* text, VstInt32 maxLen);
