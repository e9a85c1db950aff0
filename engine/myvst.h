// The effect: 43 parameters, 32 programs, the saved state and the audio processing.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>

#include "engine/dsp/beat_scrambler.h"
#include "engine/dsp/ladder_filter.h"
#include "engine/dsp/lfo.h"
#include "host/audioeffectx.h"

// One program: the values of the named parameters in their slots, and a name.
struct ProgramRecord {
  static const int kNumSlots = 28;
  static const int kNameSize = 24;  // 23 characters and the terminator
  float values[kNumSlots];
  char name[kNameSize];
};

class MyVst : public AudioEffectX {
 public:
  static const VstInt32 kNumPrograms = 32;
  static const VstInt32 kNumParams = 43;
  static const VstInt32 kChunkSize = 140;
  static const VstInt32 kChunkProgramByte = 136;
  static const VstInt32 bufferLength = 440000;  // scrambler samples per channel

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

 protected:
  void setRecordDefaults(ProgramRecord& record);
  void buildFactoryBank();
  void randomiseProgram();
  void storeInProgram(int slot, float value);
  void applyFilterTypeIndicators(float value);

  // ---- parameter working values (read by the audio thread; written whole, relaxed) ----
  std::atomic<float> freq{0.0f};
  std::atomic<float> q{0.0f};
  std::atomic<float> sens{0.0f};
  std::atomic<float> bitCrusher{0.0f};
  std::atomic<float> modType{0.0f};
  std::atomic<float> filterType{0.0f};
  std::atomic<float> syncOn{0.0f};
  std::atomic<float> lfoRateMult{0.0f};
  std::atomic<float> beat{0.0f};
  std::atomic<float> envReverse{0.0f};
  std::atomic<float> outLevel{0.0f};
  std::atomic<float> lfoDepth{0.0f};
  std::atomic<float> lfoRate{0.0f};
  std::atomic<float> envDepth{0.0f};
  std::atomic<float> scramblerDry{0.0f};
  std::atomic<float> scramblerWet{0.0f};
  std::atomic<float> dryWetMix{0.0f};
  std::atomic<float> volume{0.0f};
  std::atomic<float> lfoType{0.0f};
  std::atomic<float> lfoOffset{0.0f};
  std::atomic<float> silenceInstr{0.0f};
  std::atomic<float> scramblerOffset{0.0f};  // quantised to multiples of 1/32
  std::atomic<float> scramblerReverse{0.0f};
  std::atomic<float> randBeatFType{0.0f};
  std::atomic<float> processingHold{0.0f};  // the bypass: exactly 1.0 holds the per-sample work
  std::atomic<float> envTimeAValue{0.0f};   // stored value of parameter 11
  std::atomic<float> envTimeBValue{0.0f};   // stored value of parameter 12
  std::atomic<float> spareLevel{1.0f};      // stored value of parameter 15
  std::atomic<float> noteActivity{0.0f};    // 1.0 on every note-on, lowered by reading parameter 14

  // Values derived when their parameter is set.
  std::atomic<int32_t> envTimeAMs{0};
  std::atomic<int32_t> envTimeBMs{0};
  std::atomic<uint32_t> beatDivisions{1};
  std::atomic<uint32_t> randBeatDivisions{1};

  // ---- programs and saved state (user-interface thread) ----
  std::unique_ptr<ProgramRecord[]> programs;
  alignas(4) unsigned char chunkBuffer[kChunkSize] = {};

  // ---- processing state (owned by the processing code) ----
  // The two scrambler buffers, left and right, allocated at construction.
  std::unique_ptr<float[]> barBuffer[2];
  // The smoothed cutoff, reported by parameter 18 on the user-interface thread.
  std::atomic<float> cutoffState{0.0f};

  // The per-block preparation and the scrambler's advance (process.cpp); the
  // other stages are the inline functions of engine/dsp, run on local copies
  // of their state within a block.
  void prepareBlock();
  void scramblerAdvance();
  zarnith::LfoSettings lfoSettings() const;

  // Host time of the current block; only valid during processReplacing.
  VstTimeInfo* timeInfo = nullptr;
  // The last usable time values the host gave; until one arrives the
  // tempo-dependent stages (scrambler, random filter types) stay off.
  bool hostTimeKnown = false;
  double knownSampleRate = 44100.0;
  double knownPpqPos = 0.0;
  double knownTempo = 120.0;
  int32_t knownNumerator = 4;

  int32_t hostSampleRate = 44100;
  double beatsPerSecond = 2.0;
  float barPhase = std::numeric_limits<float>::quiet_NaN();  // no real phase equals it
  float previousBarPhase = std::numeric_limits<float>::quiet_NaN();
  float attackCoef = 0.0f;
  float releaseCoef = 0.0f;
  int32_t offsetSamples = 0;
  uint32_t blockBeatDivisions = 1;
  float modValue = 0.0f;
  uint32_t lfoSampleCounter = 0;
  float envelopeState = 0.0f;
  zarnith::LadderChannel ladder[2];  // left, right
  zarnith::BeatScrambler scrambler;
  zarnith::ScramblerTime scramblerTime;
  // ---- end of processing state ----
};
