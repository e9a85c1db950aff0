// The processing chain: per block, the host's musical time and the values
// derived from it; per frame, the fixed chain of modulation source, bit crusher,
// cutoff smoothing, ladder filter, slice silencing, scrambler and volume.
//
// Rules for this file, as it runs on the host's audio thread: no allocation,
// lock, logging, system call, exception or virtual call per sample; parameters
// are relaxed atomics, each read as often as the sound defines (per block or
// per frame) and no more; per-block values are computed once before the frame
// loop with the same arithmetic; rare work (random draws, host calls) stays
// out of line so the filter states keep to registers. The output is defined to
// the bit, so no rewrite may change an operation's precision or order.
#include "engine/processing_chain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/crt_random.h"
#include "engine/dsp/bit_crusher.h"
#include "engine/dsp/conversions.h"
#include "engine/dsp/envelope_follower.h"

namespace zarnith {

namespace {

constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

// A time record the chain can divide by: positive finite rate, tempo and
// numerator, a finite position whose bar number fits a 64-bit integer.
bool usableTime(const VstTimeInfo* t) {
  if (!t) return false;
  if (!(t->sampleRate >= 1.0 && t->sampleRate < 2147483648.0)) return false;
  if (!(t->tempo > 0.0 && t->tempo <= 1.0e300)) return false;
  if (!(t->tempo / 60.0 > 0.0)) return false;
  if (t->timeSigNumerator <= 0) return false;
  if (!std::isfinite(t->ppqPos)) return false;
  return std::fabs(t->ppqPos / t->timeSigNumerator) < 9.0e18;
}

LfoSettings lfoSettings(const ChainParameters& params) {
  LfoSettings s;
  s.syncOn = params.syncOn.load(kRelaxed);
  s.lfoRateMult = params.lfoRateMult.load(kRelaxed);
  s.lfoDepth = params.lfoDepth.load(kRelaxed);
  s.lfoRate = params.lfoRate.load(kRelaxed);
  s.lfoType = params.lfoType.load(kRelaxed);
  s.lfoOffset = params.lfoOffset.load(kRelaxed);
  return s;
}

ZARNITH_ALWAYS_INLINE void advanceScrambler(ProcessingChain& chain, const ChainParameters& params) {
  ScramblerSettings p;
  p.randBeatDivisions = params.randBeatDivisions.load(kRelaxed);
  p.scramblerReverse = params.scramblerReverse.load(kRelaxed);
  p.silenceInstr = params.silenceInstr.load(kRelaxed);
  zarnith::scramblerAdvance(
      chain.scrambler, chain.scramblerTime, p, [] { return crtRand(); },
      [&chain](int k) {
        if (chain.lightFilterTypeLamp) chain.lightFilterTypeLamp(chain.lampContext, k);
      });
}

}  // namespace

void allocateChain(ProcessingChain& chain) {
  chain.barBuffer[0].reset(new float[ProcessingChain::bufferLength]);
  chain.barBuffer[1].reset(new float[ProcessingChain::bufferLength]);
}

void clearBarBuffers(ProcessingChain& chain) {
  for (auto& buffer : chain.barBuffer) {
    if (buffer) std::fill(buffer.get(), buffer.get() + ProcessingChain::bufferLength, 0.0f);
  }
}

void scramblerAdvance(ProcessingChain& chain, const ChainParameters& params) {
  advanceScrambler(chain, params);
}

void prepareBlock(ProcessingChain& chain, const ChainParameters& params, const VstTimeInfo* time) {
  const int32_t bufferLength = ProcessingChain::bufferLength;
  BeatScrambler& scrambler = chain.scrambler;
  ScramblerTime& scramblerTime = chain.scramblerTime;
  chain.previousBarPhase = chain.barPhase;
  chain.timeInfo = time;
  if (usableTime(time)) {
    chain.hostTimeKnown = true;
    chain.knownSampleRate = time->sampleRate;
    chain.knownPpqPos = time->ppqPos;
    chain.knownTempo = time->tempo;
    chain.knownNumerator = time->timeSigNumerator;
  }
  // Without any usable record yet, the coefficients and the free LFO run at a
  // nominal rate and the bar-locked values stay at their start.
  const double rate = chain.knownSampleRate;
  chain.hostSampleRate = truncToInt32(rate);
  chain.blockBeatDivisions = params.beatDivisions.load(kRelaxed);
  chain.attackCoef = smoothingCoefficient(params.envTimeAMs.load(kRelaxed), rate);
  chain.releaseCoef = smoothingCoefficient(params.envTimeBMs.load(kRelaxed), rate);
  if (!chain.hostTimeKnown) {
    chain.barPhase = 0.0f;
    chain.beatsPerSecond = chain.knownTempo / 60.0;
    return;
  }
  const int32_t numerator = chain.knownNumerator;
  const double ppqPos = chain.knownPpqPos;
  const int64_t bars = truncToInt64(ppqPos / numerator);
  chain.barPhase = static_cast<float>(ppqPos - static_cast<double>(bars) * numerator);
  const double beatsPerSecond = chain.knownTempo / 60.0;
  chain.beatsPerSecond = beatsPerSecond;
  const int32_t offsetSteps = truncToInt32(static_cast<double>(params.scramblerOffset.load(kRelaxed)) * 32.0);
  chain.offsetSamples = truncToInt32(static_cast<double>(static_cast<int64_t>(offsetSteps) - 16) *
                                     (rate / beatsPerSecond) / 32.0);
  if (chain.barPhase != chain.previousBarPhase) {
    // Beyond the buffers the bar wraps at the next frame anyway; the bound
    // only keeps the frame counter away from overflow.
    scrambler.barPos =
        std::min(truncToInt32(static_cast<double>(chain.barPhase) * rate / beatsPerSecond), bufferLength);
  }
  if (scrambler.barPos == 0) scrambler.recordPos = 0;

  scramblerTime.numerator = numerator;
  scramblerTime.sampleRate = rate;
  scramblerTime.beatsPerSecond = beatsPerSecond;
  // A bar longer than the buffers (a very slow tempo) is cut to their length.
  double barLength = numerator * rate / beatsPerSecond;
  if (!(barLength <= bufferLength)) barLength = bufferLength;
  scramblerTime.barLength = barLength;
  scramblerTime.beatDivisions = chain.blockBeatDivisions;
  scramblerTime.sliceLength = scramblerSliceLength(scramblerTime);
  scramblerTime.offsetSamples = chain.offsetSamples;
  scrambler.periodDivisions = 0;  // the period depends on this block's time
  scrambler.filterTypePeriod = 0;
  advanceScrambler(chain, params);
}

void runFrames(ProcessingChain& chain, ChainParameters& params, float** inputs, float** outputs,
               int32_t sampleFrames) {
  if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  BeatScrambler& scrambler = chain.scrambler;
  float* barLeft = chain.barBuffer[0].get();
  float* barRight = chain.barBuffer[1].get();
  const bool scramblerOn = chain.hostTimeKnown;
  const double barLength = chain.scramblerTime.barLength;
  const float attack = chain.attackCoef;
  const float release = chain.releaseCoef;
  const LfoTime lfoTime{chain.hostSampleRate, chain.barPhase, chain.beatsPerSecond, chain.knownNumerator};

  // The recursive states live in locals for the block, so the host's buffers
  // (which could alias anything of type float) never force them back to memory.
#if ZARNITH_STEREO_LADDER
  LadderStereo filter = packLadder(chain.ladder[0], chain.ladder[1]);
  // Both channels run together unless the left output is the right input,
  // where the right channel must read what the left one wrote.
  const bool crossedBuffers = outputs[0] == inputs[1];
#else
  LadderChannel left = chain.ladder[0];
  LadderChannel right = chain.ladder[1];
#endif
  // Broken input is rare: its blocks alone check what they record.
  const bool brokenInput = scramblerOn && sampleFrames > 0 &&
                           (anyNonFinite(inputs[0], sampleFrames) || anyNonFinite(inputs[1], sampleFrames));
  float cutoff = chain.cutoffState.load(kRelaxed);
  float envelope = chain.envelopeState;
  uint32_t counter = chain.lfoSampleCounter;
  float modulation = chain.modValue;

  // The chain runs over short runs of frames in two passes: first the LFO
  // (steps 1 to 4 and 6 of each frame), then everything else. Neither pass
  // depends on the other's later frames, so every frame computes exactly what
  // it would in one pass, while the filter's loop stays free of calls (the
  // LFO's sine). The bar-locked LFO only changes with its settings within a
  // block, so its value is reused until they change.
  const int kRun = 128;
  float modulations[kRun];
  float sources[kRun];
  bool held[kRun];
  LfoSettings lastSettings{};
  float lastLockedValue = 0.0f;
  bool lockedValueKnown = false;
  for (int32_t runStart = 0; runStart < sampleFrames; runStart += kRun) {
    const int frames = static_cast<int>(std::min<int32_t>(kRun, sampleFrames - runStart));
    float* in1 = inputs[0] + runStart;
    float* in2 = inputs[1] + runStart;
    float* out1 = outputs[0] + runStart;
    float* out2 = outputs[1] + runStart;

    for (int i = 0; i < frames; i++) {
      held[i] = params.processingHold.load(kRelaxed) == 1.0f;
      if (held[i]) continue;
      const float source = params.modType.load(kRelaxed);
      sources[i] = source;
      float mod = 0.5f;
      if (source > 0.2 && source <= 0.8) {
        const LfoSettings settings = lfoSettings(params);
        if (settings.syncOn != 1.0f) {
          mod = computeLfo(settings, counter, lfoTime);
        } else {
          if (!lockedValueKnown || std::memcmp(&settings, &lastSettings, sizeof(settings)) != 0) {
            lastLockedValue = computeLfo(settings, counter, lfoTime);
            lastSettings = settings;
            lockedValueKnown = true;
          }
          mod = lastLockedValue;
        }
      }
      modulations[i] = mod;
      counter++;
    }

    for (int i = 0; i < frames; i++) {
      if (held[i]) continue;
      const float dryL = in1[i];
      const float dryR = in2[i];
      float crushedL = dryL;
      float crushedR = dryR;
      crushBits(&crushedL, &crushedR, params.bitCrusher.load(kRelaxed));
      modulation = modulations[i];
      if (sources[i] > 0.8) {
        modulation = followEnvelope(envelope, dryL, attack, release, params.envDepth.load(kRelaxed),
                                    params.envReverse.load(kRelaxed));
      }
      // The crushed pair replaces the received samples in the host's input
      // buffers, and the filter reads them from there. That is how the sound is
      // defined when buffers are shared: with the left output as the right input,
      // or processing in place, a later read of a buffer sees what an earlier step
      // wrote, and the output only stays bit-exact if this write happens too. The
      // dry pair kept above is what the envelope and the routing use.
      in1[i] = crushedL;
      in2[i] = crushedR;
      smoothCutoff(cutoff, modulation, params.freq.load(kRelaxed), attack, release);
      chain.cutoffState.store(cutoff, kRelaxed);
      float type = params.filterType.load(kRelaxed);
      if (scramblerOn && params.randBeatDivisions.load(kRelaxed) != 1) {
        type = scrambler.randomFilterType;
        params.filterType.store(type, kRelaxed);
      }
#if ZARNITH_STEREO_LADDER
      const float resonance = params.q.load(kRelaxed);
      if (ZARNITH_UNLIKELY(crossedBuffers)) {
        LadderChannel left, right;
        unpackLadder(filter, left, right);
        runLadderFilter(left, right, cutoff, resonance, type, in1 + i, in2 + i, out1 + i, out2 + i);
        filter = packLadder(left, right);
      } else {
        runLadderStereo(filter, cutoff, resonance, type, in1[i], in2[i], out1 + i, out2 + i);
      }
#else
      runLadderFilter(left, right, cutoff, params.q.load(kRelaxed), type, in1 + i, in2 + i, out1 + i,
                      out2 + i);
#endif
      if (scramblerOn) {
        if (scrambler.silenceSlice) {
          out1[i] = 0.0f;
          out2[i] = 0.0f;
        }
        scramblerRecordAndRoute(scrambler, barLeft, barRight, dryL, dryR, out1[i], out2[i],
                                params.scramblerDry.load(kRelaxed), params.scramblerWet.load(kRelaxed),
                                params.dryWetMix.load(kRelaxed));
        if (ZARNITH_UNLIKELY(brokenInput)) {
          keepRecordFinite(barLeft[scrambler.recordPos]);
          keepRecordFinite(barRight[scrambler.recordPos]);
        }
        scrambler.recordPos++;
        scrambler.barPos++;
        if (barLength <= scrambler.barPos) {
          scrambler.recordPos = 0;
          scrambler.barPos = 0;
        }
        advanceScrambler(chain, params);
      }
      const double gain = static_cast<double>(params.volume.load(kRelaxed)) * 2.0;
      out1[i] = static_cast<float>(out1[i] * gain);
      out2[i] = static_cast<float>(out2[i] * gain);
    }
  }

#if ZARNITH_STEREO_LADDER
  unpackLadder(filter, chain.ladder[0], chain.ladder[1]);
#else
  chain.ladder[0] = left;
  chain.ladder[1] = right;
#endif
  chain.envelopeState = envelope;
  chain.lfoSampleCounter = counter;
  chain.modValue = modulation;
}

}  // namespace zarnith
