// The effect: 43 parameters, 32 programs, the saved state and the audio processing.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>

#include "engine/parameter_ids.h"
#include "engine/processing_chain.h"
#include "host/audioeffectx.h"

// A program slot: host automation writes the current program's slots while the
// user-interface thread loads, randomises, saves and restores programs, so each
// slot is read and written whole (relaxed, as the working values are), without a lock.
class ProgramSlot {
 public:
  ProgramSlot& operator=(float value) {
    bits.store(value, std::memory_order_relaxed);
    return *this;
  }
  operator float() const { return bits.load(std::memory_order_relaxed); }

 private:
  std::atomic<float> bits{0.0f};
};

// One program: the values of the named parameters in their slots, and a name.
struct ProgramRecord {
  static const int kNumSlots = zarnith::kProgramSlotCount;
  static const int kNameSize = 24;  // 23 characters and the terminator
  ProgramSlot values[kNumSlots];
  char name[kNameSize];
};

class MyVst : public AudioEffectX {
 public:
  static const VstInt32 kNumPrograms = 32;
  static const VstInt32 kNumParams = zarnith::kParamCount;
  static const VstInt32 kChunkSize = 140;
  static const VstInt32 kChunkProgramByte = 136;
  static const VstInt32 bufferLength =
      zarnith::ProcessingChain::bufferLength;  // scrambler samples per channel

  // Makes the effect's editor; the effect owns what it returns.
  using EditorFactory = AEffEditor* (*)(AudioEffect* effect);
  // Process-wide: every effect created afterwards gets an editor from it.
  static void setEditorFactory(EditorFactory factory);

  explicit MyVst(audioMasterCallback audioMaster);
  ~MyVst() override;

  void resume() override;
  void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override;
  void setProgram(VstInt32 program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  void getParameterLabel(VstInt32 index, char* label) override;
  void getParameterDisplay(VstInt32 index, char* text) override;
  void getParameterName(VstInt32 index, char* text) override;
  VstInt32 getChunk(void** data, bool isPreset = false) override;
  VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) override;
  bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
  VstInt32 processEvents(VstEvents* events) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  VstInt32 getVendorVersion() override;
  VstInt32 canDo(char* text) override;
  VstInt32 getPlugCategory() override;

  // The processing state, for tests and tools that look inside the sound.
  const zarnith::ProcessingChain& processingChain() const { return chain; }
  const zarnith::ChainParameters& chainParameters() const { return params; }

 protected:
  void setRecordDefaults(ProgramRecord& record);
  void buildFactoryBank();
  void randomiseProgram();
  void storeInProgram(int slot, float value);
  void applyFilterTypeIndicators(float value);

  // ---- parameter working values (written whole, relaxed) ----
  // The values the processing chain reads.
  zarnith::ChainParameters params;
  // The values only the parameter set and the programs read.
  std::atomic<float> sens{0.0f};
  std::atomic<float> beat{0.0f};
  std::atomic<float> outLevel{0.0f};
  std::atomic<float> randBeatFType{0.0f};
  std::atomic<float> envTimeAValue{0.0f};  // stored value of parameter 11
  std::atomic<float> envTimeBValue{0.0f};  // stored value of parameter 12
  std::atomic<float> spareLevel{1.0f};     // stored value of parameter 15
  std::atomic<float> noteActivity{0.0f};   // 1.0 on every note-on, lowered by reading parameter 14

  // ---- programs and saved state (user-interface thread) ----
  std::unique_ptr<ProgramRecord[]> programs;
  alignas(4) unsigned char chunkBuffer[kChunkSize] = {};

  // ---- processing state (audio thread) ----
  zarnith::ProcessingChain chain;
  // Shows the scrambler's random filter type through parameters 35 to 37.
  static void lightFilterTypeLamp(void* context, int k);
};
