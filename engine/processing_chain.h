// The processing chain: every value the sound is made from, as one flat record,
// and the free functions that run it: the per-block preparation, the frame runs
// and the scrambler's advance with its random draws.
//
// The effect owns one chain and one set of working values. The working values
// are written whole from any thread (host automation, the editor, program
// loading) and read here as relaxed atomics, latched per block or read at the
// start of each run of frames. Everything else in the chain belongs to
// the audio thread, apart from cutoffState, which the user-interface thread
// reads as the cutoff readout.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>

#include "engine/dsp/beat_scrambler.h"
#include "engine/dsp/ladder_filter.h"
#include "engine/dsp/lfo.h"
#include "host/plugin_interface.h"

namespace zarnith {

// The parameter working values the chain reads (and, for the random filter
// type, writes), stored whole by setParameter.
struct ChainParameters {
  std::atomic<float> freq{0.0f};
  std::atomic<float> q{0.0f};
  std::atomic<float> bitCrusher{0.0f};
  std::atomic<float> modType{0.0f};
  std::atomic<float> filterType{0.0f};
  std::atomic<float> syncOn{0.0f};
  std::atomic<float> lfoRateMult{0.0f};
  std::atomic<float> envReverse{0.0f};
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
  std::atomic<float> processingHold{0.0f};  // the bypass: exactly 1.0 holds the per-sample work

  // Values derived when their parameter is set.
  std::atomic<int32_t> envTimeAMs{0};
  std::atomic<int32_t> envTimeBMs{0};
  std::atomic<uint32_t> beatDivisions{1};
  std::atomic<uint32_t> randBeatDivisions{1};
};

// Lights filter-type lamp k (0 low-pass, 1 band-pass, 2 high-pass) when the
// scrambler draws a random type; called from the audio thread.
using FilterTypeLampFunction = void (*)(void* context, int k);

struct ProcessingChain {
  static const int32_t bufferLength = 440000;  // scrambler samples per channel

  // The two scrambler buffers, left and right, allocated by allocateChain.
  std::unique_ptr<float[]> barBuffer[2];
  // The smoothed cutoff, also read as the cutoff readout by the user-interface thread.
  std::atomic<float> cutoffState{0.0f};

  // Host time of the current block; only valid while a block is processed.
  const VstTimeInfo* timeInfo = nullptr;
  // The last usable time values the host gave; until one arrives the
  // tempo-dependent stages (scrambler, random filter types) stay off.
  bool hostTimeKnown = false;
  double knownSampleRate = 44100.0;
  double knownPpqPos = 0.0;
  double knownTempo = 120.0;
  int32_t knownNumerator = 4;

  // Per-block values.
  int32_t hostSampleRate = 44100;
  double beatsPerSecond = 2.0;
  float barPhase = std::numeric_limits<float>::quiet_NaN();  // no real phase equals it
  float previousBarPhase = std::numeric_limits<float>::quiet_NaN();
  float attackCoef = 0.0f;
  float releaseCoef = 0.0f;
  int32_t offsetSamples = 0;
  uint32_t blockBeatDivisions = 1;

  // State carried from frame to frame.
  float modValue = 0.0f;
  uint32_t lfoSampleCounter = 0;
  float envelopeState = 0.0f;
  LadderChannel ladder[2];  // left, right
  BeatScrambler scrambler;
  ScramblerTime scramblerTime;

  // Where the scrambler's random filter type is shown.
  FilterTypeLampFunction lightFilterTypeLamp = nullptr;
  void* lampContext = nullptr;
};

// Allocates the scrambler buffers (at construction, never while processing).
void allocateChain(ProcessingChain& chain);
// Fills both scrambler buffers with silence; nothing else is reset.
void clearBarBuffers(ProcessingChain& chain);

// The per-block values from the host's time record (null or unusable records
// keep the last usable values), ending with one scramblerAdvance.
void prepareBlock(ProcessingChain& chain, const ChainParameters& params, const VstTimeInfo* time);
// Recomputes the scrambler's positions for the current recordPos and makes the
// random choices of a slice or filter-type period start.
void scramblerAdvance(ProcessingChain& chain, const ChainParameters& params);
// Runs the frames of one block after prepareBlock; a missing channel pointer runs nothing.
void runFrames(ProcessingChain& chain, ChainParameters& params, float** inputs, float** outputs,
               int32_t sampleFrames);

}  // namespace zarnith
