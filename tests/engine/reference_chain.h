// A second, deliberately plain transcription of the whole processing chain,
// written from the description of the sound and sharing no code with the
// engine: one flat struct, literal formulas, its own copy of the C runtime's
// random sequence. Tests compare the effect's output with it bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "host/plugin_interface.h"

struct ReferenceChain {
  // Working values, as the parameters set them.
  float freq = 0, q = 0, bitCrusher = 0, modType = 0, filterType = 0, syncOn = 0, lfoRateMult = 0;
  float envReverse = 0, lfoDepth = 0, lfoRate = 0, envDepth = 0, scramblerDry = 0, scramblerWet = 0;
  float dryWetMix = 0, volume = 0, lfoType = 0, lfoOffset = 0, silenceInstr = 0, scramblerOffset = 0;
  float scramblerReverse = 0, processingHold = 0;
  int envTimeAMs = 0, envTimeBMs = 0;
  unsigned beatDivisions = 1, randBeatDivisions = 1;

  // Takes every working value from parameter values 0..42 read from an effect.
  void setFromParameters(const float* parameter);

  void process(const VstTimeInfo& time, float** inputs, float** outputs, int frames);

  // State.
  std::vector<float> bufferL = std::vector<float>(440000, 0.0f);
  std::vector<float> bufferR = std::vector<float>(440000, 0.0f);
  uint32_t randState = 1;
  float barPhase = -1.0e30f, previousBarPhase = 0;
  int hostSampleRate = 0;
  double beatsPerSecond = 0;
  float attackCoef = 0, releaseCoef = 0;
  int offsetSamples = 0;
  unsigned blockBeatDivisions = 1;
  float modValue = 0, cutoffState = 0, envelopeState = 0;
  unsigned lfoSampleCounter = 0;
  float ladderIn[2] = {}, ladder1[2] = {}, ladder2[2] = {}, ladder3[2] = {}, ladder4[2] = {};
  int recordPos = 0, barPos = 0, sliceLength = 0, slicePos = 0, playPos = 0;
  unsigned sliceIndex = 0;
  float playGain = 1.0f;
  bool fadeInActive = false, fadeOutActive = false, silenceSlice = false;
  float randomFilterType = 0;
  const VstTimeInfo* t = nullptr;

 private:
  int rand15();
  float lfo();
  float envelope(float x);
  void crush(float* x);
  void ladder(int ch, float in, float* out);
  void advance();
};
