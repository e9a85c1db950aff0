// Audio processing: per block, the host's musical time and the values derived
// from it; per frame, the fixed chain of modulation source, bit crusher, cutoff
// smoothing, ladder filter, slice silencing, scrambler and volume. Nothing here
// allocates, locks, logs or throws; parameters are read as relaxed atomics.
#include <algorithm>
#include <cmath>

#include "engine/crt_random.h"
#include "engine/dsp/bit_crusher.h"
#include "engine/dsp/conversions.h"
#include "engine/dsp/envelope_follower.h"
#include "engine/dsp/lfo.h"
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

float MyVst::computeLfo() {
  zarnith::LfoSettings s;
  s.syncOn = syncOn.load(kRelaxed);
  s.lfoRateMult = lfoRateMult.load(kRelaxed);
  s.lfoDepth = lfoDepth.load(kRelaxed);
  s.lfoRate = lfoRate.load(kRelaxed);
  s.lfoType = lfoType.load(kRelaxed);
  s.lfoOffset = lfoOffset.load(kRelaxed);
  const zarnith::LfoTime time{hostSampleRate, barPhase, beatsPerSecond, knownNumerator};
  return zarnith::computeLfo(s, lfoSampleCounter, time);
}

void MyVst::crushBits(float* left, float* right) {
  const int shift = zarnith::crushShift(bitCrusher.load(kRelaxed));
  *left = zarnith::crushSample(*left, shift);
  *right = zarnith::crushSample(*right, shift);
}

float MyVst::followEnvelope(float x) {
  return zarnith::followEnvelope(envelopeState, x, attackCoef, releaseCoef, envDepth.load(kRelaxed),
                                 envReverse.load(kRelaxed));
}

float MyVst::smoothCutoff(float modulation, float target) {
  float state = cutoffState.load(kRelaxed);
  zarnith::smoothCutoff(state, modulation, target, attackCoef, releaseCoef);
  cutoffState.store(state, kRelaxed);
  return state;
}

void MyVst::runLadderFilter(const float* inL, const float* inR, float cutoff, float* outL, float* outR) {
  zarnith::guardDenormals(ladder[0]);
  zarnith::guardDenormals(ladder[1]);
  const zarnith::LadderCoefficients co = zarnith::ladderCoefficients(cutoff, q.load(kRelaxed));
  const zarnith::LadderResponse response = zarnith::ladderResponse(filterType.load(kRelaxed));
  *outL = zarnith::runLadderChannel(ladder[0], co, *inL, response);
  *outR = zarnith::runLadderChannel(ladder[1], co, *inR, response);
}

void MyVst::scramblerAdvance() {
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
  float* in1 = inputs[0];
  float* in2 = inputs[1];
  float* out1 = outputs[0];
  float* out2 = outputs[1];
  float* barLeft = barBuffer[0].get();
  float* barRight = barBuffer[1].get();
  const bool scramblerOn = hostTimeKnown;
  const double barLength = scramblerTime.barLength;

  for (VstInt32 i = 0; i < sampleFrames; i++) {
    if (processingHold.load(kRelaxed) == 1.0f) continue;
    const float dryL = in1[i];
    const float dryR = in2[i];
    modValue = 0.5f;
    const float mod = modType.load(kRelaxed);
    if (mod > 0.2 && mod <= 0.8) modValue = computeLfo();
    float crushedL = dryL;
    float crushedR = dryR;
    crushBits(&crushedL, &crushedR);
    lfoSampleCounter++;
    if (mod > 0.8) modValue = followEnvelope(dryL);
    in1[i] = crushedL;
    in2[i] = crushedR;
    const float cutoff = smoothCutoff(modValue, freq.load(kRelaxed));
    if (scramblerOn && randBeatDivisions.load(kRelaxed) != 1) {
      filterType.store(scrambler.randomFilterType, kRelaxed);
    }
    runLadderFilter(in1 + i, in2 + i, cutoff, out1 + i, out2 + i);
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
