// Audio processing: per block, the host's musical time and the values derived
// from it; per frame, the fixed chain of modulation source, bit crusher, cutoff
// smoothing, ladder filter, slice silencing, scrambler and volume.
//
// Rules for this file, as it runs on the host's audio thread: no allocation,
// lock, logging, system call, exception or virtual call per sample; parameters
// are relaxed atomics, each read as often as the sound defines (per block or
// per frame) and no more; per-block values are computed once before the frame
// loop with the same arithmetic; rare work (random draws, host calls) stays
// out of line so the filter states keep to registers. The output is defined to
// the bit, so no rewrite may change an operation's precision or order.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/crt_random.h"
#include "engine/dsp/bit_crusher.h"
#include "engine/dsp/conversions.h"
#include "engine/dsp/envelope_follower.h"
#include "myvst.h"

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

}  // namespace

void MyVst::resume() {
  std::fill(barBuffer[0].get(), barBuffer[0].get() + bufferLength, 0.0f);
  std::fill(barBuffer[1].get(), barBuffer[1].get() + bufferLength, 0.0f);
  AudioEffectX::resume();
}

zarnith::LfoSettings MyVst::lfoSettings() const {
  zarnith::LfoSettings s;
  s.syncOn = syncOn.load(kRelaxed);
  s.lfoRateMult = lfoRateMult.load(kRelaxed);
  s.lfoDepth = lfoDepth.load(kRelaxed);
  s.lfoRate = lfoRate.load(kRelaxed);
  s.lfoType = lfoType.load(kRelaxed);
  s.lfoOffset = lfoOffset.load(kRelaxed);
  return s;
}

ZARNITH_ALWAYS_INLINE void MyVst::scramblerAdvance() {
  zarnith::ScramblerSettings p;
  p.randBeatDivisions = randBeatDivisions.load(kRelaxed);
  p.scramblerReverse = scramblerReverse.load(kRelaxed);
  p.silenceInstr = silenceInstr.load(kRelaxed);
  zarnith::scramblerAdvance(
      scrambler, scramblerTime, p, [] { return crtRand(); },
      [this](int k) {
        setParameter(35, 0.0f);
        setParameter(36, 0.0f);
        setParameter(37, 0.0f);
        setParameter(35 + k, 1.0f);
      });
}

void MyVst::prepareBlock() {
  previousBarPhase = barPhase;
  timeInfo = getTimeInfo(0xffff);
  if (usableTime(timeInfo)) {
    hostTimeKnown = true;
    knownSampleRate = timeInfo->sampleRate;
    knownPpqPos = timeInfo->ppqPos;
    knownTempo = timeInfo->tempo;
    knownNumerator = timeInfo->timeSigNumerator;
  }
  // Without any usable record yet, the coefficients and the free LFO run at a
  // nominal rate and the bar-locked values stay at their start.
  const double rate = knownSampleRate;
  hostSampleRate = zarnith::truncToInt32(rate);
  blockBeatDivisions = beatDivisions.load(kRelaxed);
  attackCoef = zarnith::smoothingCoefficient(envTimeAMs.load(kRelaxed), rate);
  releaseCoef = zarnith::smoothingCoefficient(envTimeBMs.load(kRelaxed), rate);
  if (!hostTimeKnown) {
    barPhase = 0.0f;
    beatsPerSecond = knownTempo / 60.0;
    return;
  }
  const int32_t numerator = knownNumerator;
  const int64_t bars = zarnith::truncToInt64(knownPpqPos / numerator);
  barPhase = static_cast<float>(knownPpqPos - static_cast<double>(bars) * numerator);
  beatsPerSecond = knownTempo / 60.0;
  const int32_t offsetSteps =
      zarnith::truncToInt32(static_cast<double>(scramblerOffset.load(kRelaxed)) * 32.0);
  offsetSamples = zarnith::truncToInt32(static_cast<double>(static_cast<int64_t>(offsetSteps) - 16) *
                                        (rate / beatsPerSecond) / 32.0);
  if (barPhase != previousBarPhase) {
    // Beyond the buffers the bar wraps at the next frame anyway; the bound
    // only keeps the frame counter away from overflow.
    scrambler.barPos = std::min(zarnith::truncToInt32(static_cast<double>(barPhase) * rate / beatsPerSecond),
                                static_cast<int32_t>(bufferLength));
  }
  if (scrambler.barPos == 0) scrambler.recordPos = 0;

  scramblerTime.numerator = numerator;
  scramblerTime.sampleRate = rate;
  scramblerTime.beatsPerSecond = beatsPerSecond;
  // A bar longer than the buffers (a very slow tempo) is cut to their length.
  double barLength = numerator * rate / beatsPerSecond;
  if (!(barLength <= bufferLength)) barLength = bufferLength;
  scramblerTime.barLength = barLength;
  scramblerTime.beatDivisions = blockBeatDivisions;
  scramblerTime.sliceLength = zarnith::scramblerSliceLength(scramblerTime);
  scramblerTime.offsetSamples = offsetSamples;
  scrambler.periodDivisions = 0;  // the period depends on this block's time
  scrambler.filterTypePeriod = 0;
  scramblerAdvance();
}

void MyVst::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  prepareBlock();
  if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  float* barLeft = barBuffer[0].get();
  float* barRight = barBuffer[1].get();
  const bool scramblerOn = hostTimeKnown;
  const double barLength = scramblerTime.barLength;
  const float attack = attackCoef;
  const float release = releaseCoef;
  const zarnith::LfoTime lfoTime{hostSampleRate, barPhase, beatsPerSecond, knownNumerator};

  // The recursive states live in locals for the block, so the host's buffers
  // (which could alias anything of type float) never force them back to memory.
#if ZARNITH_STEREO_LADDER
  zarnith::LadderStereo filter = zarnith::packLadder(ladder[0], ladder[1]);
  // Both channels run together unless the left output is the right input,
  // where the right channel must read what the left one wrote.
  const bool crossedBuffers = outputs[0] == inputs[1];
#else
  zarnith::LadderChannel left = ladder[0];
  zarnith::LadderChannel right = ladder[1];
#endif
  float cutoff = cutoffState.load(kRelaxed);
  float envelope = envelopeState;
  uint32_t counter = lfoSampleCounter;
  float modulation = modValue;

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
  zarnith::LfoSettings lastSettings{};
  float lastLockedValue = 0.0f;
  bool lockedValueKnown = false;
  for (VstInt32 runStart = 0; runStart < sampleFrames; runStart += kRun) {
    const int frames = static_cast<int>(std::min<VstInt32>(kRun, sampleFrames - runStart));
    float* in1 = inputs[0] + runStart;
    float* in2 = inputs[1] + runStart;
    float* out1 = outputs[0] + runStart;
    float* out2 = outputs[1] + runStart;

    for (int i = 0; i < frames; i++) {
      held[i] = processingHold.load(kRelaxed) == 1.0f;
      if (held[i]) continue;
      const float source = modType.load(kRelaxed);
      sources[i] = source;
      float mod = 0.5f;
      if (source > 0.2 && source <= 0.8) {
        const zarnith::LfoSettings settings = lfoSettings();
        if (settings.syncOn != 1.0f) {
          mod = zarnith::computeLfo(settings, counter, lfoTime);
        } else {
          if (!lockedValueKnown || std::memcmp(&settings, &lastSettings, sizeof(settings)) != 0) {
            lastLockedValue = zarnith::computeLfo(settings, counter, lfoTime);
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
      zarnith::crushBits(&crushedL, &crushedR, bitCrusher.load(kRelaxed));
      modulation = modulations[i];
      if (sources[i] > 0.8) {
        modulation = zarnith::followEnvelope(envelope, dryL, attack, release, envDepth.load(kRelaxed),
                                             envReverse.load(kRelaxed));
      }
      in1[i] = crushedL;
      in2[i] = crushedR;
      zarnith::smoothCutoff(cutoff, modulation, freq.load(kRelaxed), attack, release);
      cutoffState.store(cutoff, kRelaxed);
      float type = filterType.load(kRelaxed);
      if (scramblerOn && randBeatDivisions.load(kRelaxed) != 1) {
        type = scrambler.randomFilterType;
        filterType.store(type, kRelaxed);
      }
#if ZARNITH_STEREO_LADDER
      const float resonance = q.load(kRelaxed);
      if (ZARNITH_UNLIKELY(crossedBuffers)) {
        zarnith::LadderChannel left, right;
        zarnith::unpackLadder(filter, left, right);
        zarnith::runLadderFilter(left, right, cutoff, resonance, type, in1 + i, in2 + i, out1 + i, out2 + i);
        filter = zarnith::packLadder(left, right);
      } else {
        zarnith::runLadderStereo(filter, cutoff, resonance, type, in1[i], in2[i], out1 + i, out2 + i);
      }
#else
      zarnith::runLadderFilter(left, right, cutoff, q.load(kRelaxed), type, in1 + i, in2 + i, out1 + i,
                               out2 + i);
#endif
      if (scramblerOn) {
        if (scrambler.silenceSlice) {
          out1[i] = 0.0f;
          out2[i] = 0.0f;
        }
        zarnith::scramblerRecordAndRoute(scrambler, barLeft, barRight, dryL, dryR, out1[i], out2[i],
                                         scramblerDry.load(kRelaxed), scramblerWet.load(kRelaxed),
                                         dryWetMix.load(kRelaxed));
        scrambler.recordPos++;
        scrambler.barPos++;
        if (barLength <= scrambler.barPos) {
          scrambler.recordPos = 0;
          scrambler.barPos = 0;
        }
        scramblerAdvance();
      }
      const double gain = static_cast<double>(volume.load(kRelaxed)) * 2.0;
      out1[i] = static_cast<float>(out1[i] * gain);
      out2[i] = static_cast<float>(out2[i] * gain);
    }
  }

#if ZARNITH_STEREO_LADDER
  zarnith::unpackLadder(filter, ladder[0], ladder[1]);
#else
  ladder[0] = left;
  ladder[1] = right;
#endif
  envelopeState = envelope;
  lfoSampleCounter = counter;
  modValue = modulation;
}
