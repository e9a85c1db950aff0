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

namespace {

// Whether two channel buffers of the given length share no sample.
bool apart(const float* a, const float* b, int32_t frames) {
  const uintptr_t x = reinterpret_cast<uintptr_t>(a);
  const uintptr_t y = reinterpret_cast<uintptr_t>(b);
  const uintptr_t bytes = static_cast<uintptr_t>(std::max<int32_t>(frames, 0)) * sizeof(float);
  return x + bytes <= y || y + bytes <= x;
}

bool sameBits(float a, float b) {
  uint32_t x, y;
  std::memcpy(&x, &a, sizeof(x));
  std::memcpy(&y, &b, sizeof(y));
  return x == y;
}

template <bool kPlainLayout>
void runFramesIn(ProcessingChain& chain, ChainParameters& params, float** inputs, float** outputs,
                 int32_t sampleFrames) {
  float* barLeft = chain.barBuffer[0].get();
  float* barRight = chain.barBuffer[1].get();
  const bool scramblerOn = chain.hostTimeKnown;
  const float attack = chain.attackCoef;
  const float release = chain.releaseCoef;
  const LfoTime lfoTime{chain.hostSampleRate, chain.barPhase, chain.beatsPerSecond, chain.knownNumerator};
  const ScramblerTime time = chain.scramblerTime;
  // Both channels as one pair of vector lanes (the usual layouts with SSE2).
  constexpr bool kPairs = kPlainLayout && ZARNITH_STEREO_LADDER;
  // The first whole position the bar length reaches: "barLength <= pos" for
  // an integer position is "pos >= barEnd".
  const int64_t barEnd = static_cast<int64_t>(std::ceil(time.barLength));

  // Every state of the frame loops lives in a local for the block: a member,
  // or anything whose address is taken, would be reloaded after every store to
  // the host's buffers (a float store may alias it) and put the ladder's
  // latency behind memory round trips. The rare scrambler draws take and
  // return their state by value for the same reason.
#if ZARNITH_STEREO_LADDER
  LadderStereo filter = packLadder(chain.ladder[0], chain.ladder[1]);
#endif
  LadderChannel left = chain.ladder[0];
  LadderChannel right = chain.ladder[1];
  BeatScrambler s = chain.scrambler;
  float cutoff = chain.cutoffState.load(kRelaxed);
  float envelope = chain.envelopeState;
  uint32_t counter = chain.lfoSampleCounter;
  float modulation = chain.modValue;
  // Broken input is rare: its blocks alone check what they record.
  const bool brokenInput = scramblerOn && sampleFrames > 0 &&
                           (anyNonFinite(inputs[0], sampleFrames) || anyNonFinite(inputs[1], sampleFrames));
  // Steps ahead that only count positions on; the rest take the full path.
  int32_t quietSteps = scramblerQuietSteps(s, barEnd, sampleFrames);
  // The crusher's shift for the last "Bit Crusher" value read (read per frame,
  // derived only when it changes).
  float lastBitCrusher = params.bitCrusher.load(kRelaxed);
  int shift = crushShift(lastBitCrusher);
  // The scrambler's routing for the last values read (read per frame, derived
  // only when one changes; compared by their bits, as -0 and 0 route apart).
  float routedDry = params.scramblerDry.load(kRelaxed);
  float routedWet = params.scramblerWet.load(kRelaxed);
  float routedMix = params.dryWetMix.load(kRelaxed);
  ScramblerRouting routing = scramblerRouting(routedDry, routedWet, routedMix);
  auto rnd = [] { return crtRand(); };
  auto indicate = [&chain](int k) {
    if (chain.lightFilterTypeLamp) chain.lightFilterTypeLamp(chain.lampContext, k);
  };

  // The chain runs over short runs of frames in four passes, each computing
  // for every frame of the run exactly what the frame computes:
  //  1. the modulation source's LFO value;
  //  2. the scrambler's bookkeeping for the frame (the filter type it sets,
  //     the silencing, the fades, where it records and plays, its step on);
  //  3. the envelope, the cutoff smoothing, the coefficients, the bit crusher
  //     and the ladder;
  //  4. the silencing, the record, play and routing, and the volume.
  // No pass depends on a later one. The split is for the processor: the
  // ladder's chain of float-rounded stages sets the pace of pass 3, and only
  // work that does not wait for it (the crusher, the coefficients) keeps it
  // company there, so the processor can run ahead into the next frames. Work
  // that waits for the ladder's output would fill the processor's queues
  // behind it; the LFO's calls (the sine) would send the filter states
  // through memory. Outside the usual layouts a run is one frame, so the
  // buffers see every write in the order of the frame.
  const int kRun = kPlainLayout ? 128 : 1;
  // (A held frame leaves its entries unset and no pass reads them; the
  // initial values only keep the compiler from warning about it.)
  bool held[kRun];
  float sources[kRun] = {};
  float modulations[kRun] = {};
  uint8_t responses[kRun] = {};
  bool silenced[kRun] = {};
  ScramblerTap taps[kRun];
  // What pass 3 hands on to pass 4: the received (dry) pair and, in the usual
  // layouts, the filtered one, left then right.
  alignas(16) float dryPairs[2 * kRun];
  alignas(16) float filteredPairs[kPairs ? 2 * kRun : 1];
  LfoSettings lastSettings{};
  float lastLockedValue = 0.0f;
  bool lockedValueKnown = false;
  for (int32_t runStart = 0; runStart < sampleFrames; runStart += kRun) {
    const int frames = static_cast<int>(std::min<int32_t>(kRun, sampleFrames - runStart));
    float* in1 = inputs[0] + runStart;
    float* in2 = inputs[1] + runStart;
    float* out1 = outputs[0] + runStart;
    float* out2 = outputs[1] + runStart;

    // Pass 1: the LFO. The bar-locked LFO only changes with its settings
    // within a block, so its value is reused until they change.
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

    // Pass 2: the scrambler's bookkeeping, which never looks at the sound.
    for (int i = 0; i < frames; i++) {
      if (held[i]) continue;
      float type = params.filterType.load(kRelaxed);
      if (scramblerOn && params.randBeatDivisions.load(kRelaxed) != 1) {
        type = s.randomFilterType;
        params.filterType.store(type, kRelaxed);
      }
      responses[i] = static_cast<uint8_t>(ladderResponse(type));
      if (!scramblerOn) continue;
      silenced[i] = s.silenceSlice;
      scramblerFade(s);
      taps[i] = ScramblerTap{s.recordPos, s.playPos, s.playGain};
      ScramblerSettings p;
      p.randBeatDivisions = params.randBeatDivisions.load(kRelaxed);
      p.scramblerReverse = params.scramblerReverse.load(kRelaxed);
      p.silenceInstr = params.silenceInstr.load(kRelaxed);
      if (ZARNITH_LIKELY(quietSteps > 0 && p.randBeatDivisions == s.periodDivisions)) {
        quietSteps--;
        scramblerCount(s, time, barEnd, p.scramblerReverse);
      } else {
        scramblerStep(s, time, p, rnd, indicate);
        quietSteps = scramblerQuietSteps(s, barEnd, sampleFrames);
      }
    }

    // Pass 3: the filter. Rules for this loop: no call, no store that is read
    // back in the same frame, no division on the ladder's path, no state in
    // memory. In the usual layouts both channels travel as one pair of vector
    // lanes, each lane computing exactly the scalar operations.
    for (int i = 0; i < frames; i++) {
      if (held[i]) continue;
      float mod = modulations[i];
      if (sources[i] > 0.8) {
        mod = followEnvelope(envelope, in1[i], attack, release, params.envDepth.load(kRelaxed),
                             params.envReverse.load(kRelaxed));
      }
      modulation = mod;
      smoothCutoff(cutoff, modulation, params.freq.load(kRelaxed), attack, release);
      chain.cutoffState.store(cutoff, kRelaxed);
      const LadderCoefficients co = ladderCoefficients(cutoff, params.q.load(kRelaxed));
      const float bits = params.bitCrusher.load(kRelaxed);
      if (ZARNITH_UNLIKELY(bits != lastBitCrusher)) {
        lastBitCrusher = bits;
        shift = crushShift(bits);
      }
      const LadderResponse response = static_cast<LadderResponse>(responses[i]);
#if ZARNITH_STEREO_LADDER
      if (kPlainLayout) {
        const __m128 dry = _mm_unpacklo_ps(_mm_load_ss(in1 + i), _mm_load_ss(in2 + i));
        const __m128 crushed = crushPair(dry, shift);
        // The crushed pair replaces the received samples in the host's input
        // buffers, and the filter reads them from there. That is how the sound
        // is defined when buffers are shared: with the left output as the right
        // input, or processing in place, a later read of a buffer sees what an
        // earlier step wrote, and the output only stays bit-exact if this write
        // happens too. The dry pair kept here is what the routing uses.
        _mm_store_ss(in1 + i, crushed);
        _mm_store_ss(in2 + i, _mm_shuffle_ps(crushed, crushed, _MM_SHUFFLE(1, 1, 1, 1)));
        _mm_storel_pi(reinterpret_cast<__m64*>(dryPairs + 2 * i), dry);
        const __m128 out = runLadderPair(filter, co, response, crushed);
        _mm_storel_pi(reinterpret_cast<__m64*>(filteredPairs + 2 * i), out);
      }
#endif
      if (!kPairs) {
        // The filtered pair lives in the output buffers, where each step
        // reads what the one before wrote.
        dryPairs[2 * i] = in1[i];
        dryPairs[2 * i + 1] = in2[i];
        crushBitsShifted(in1 + i, in2 + i, shift);
        runLadderFilter(left, right, co, response, in1 + i, in2 + i, out1 + i, out2 + i);
      }
    }

    // Pass 4: what follows the filter.
    for (int i = 0; i < frames; i++) {
      if (held[i]) continue;
      const double gain = static_cast<double>(params.volume.load(kRelaxed)) * 2.0;
#if ZARNITH_STEREO_LADDER
      if (kPlainLayout) {
        __m128 out = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(filteredPairs + 2 * i)));
        if (scramblerOn) {
          const __m128 dry = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(dryPairs + 2 * i)));
          const float dryAmount = params.scramblerDry.load(kRelaxed);
          const float wetAmount = params.scramblerWet.load(kRelaxed);
          const float mix = params.dryWetMix.load(kRelaxed);
          if (ZARNITH_UNLIKELY(!sameBits(dryAmount, routedDry) || !sameBits(wetAmount, routedWet) ||
                               !sameBits(mix, routedMix))) {
            routedDry = dryAmount;
            routedWet = wetAmount;
            routedMix = mix;
            routing = scramblerRouting(dryAmount, wetAmount, mix);
          }
          if (silenced[i]) out = _mm_setzero_ps();
          out = scramblerRecordPlayRoutePair(taps[i], barLeft, barRight, dry, out, routing);
          if (ZARNITH_UNLIKELY(brokenInput)) {
            keepRecordFinite(barLeft[taps[i].recordPos]);
            keepRecordFinite(barRight[taps[i].recordPos]);
          }
        }
        out = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(out), _mm_set1_pd(gain)));
        _mm_store_ss(out1 + i, out);
        _mm_store_ss(out2 + i, _mm_shuffle_ps(out, out, _MM_SHUFFLE(1, 1, 1, 1)));
      }
#endif
      if (!kPairs) {
        if (scramblerOn) {
          const float dryAmount = params.scramblerDry.load(kRelaxed);
          const float wetAmount = params.scramblerWet.load(kRelaxed);
          const float mix = params.dryWetMix.load(kRelaxed);
          if (ZARNITH_UNLIKELY(!sameBits(dryAmount, routedDry) || !sameBits(wetAmount, routedWet) ||
                               !sameBits(mix, routedMix))) {
            routedDry = dryAmount;
            routedWet = wetAmount;
            routedMix = mix;
            routing = scramblerRouting(dryAmount, wetAmount, mix);
          }
          if (silenced[i]) {
            out1[i] = 0.0f;
            out2[i] = 0.0f;
          }
          scramblerRecordPlayRoute(taps[i], barLeft, barRight, dryPairs[2 * i], dryPairs[2 * i + 1], out1[i],
                                   out2[i], routing);
          if (ZARNITH_UNLIKELY(brokenInput)) {
            keepRecordFinite(barLeft[taps[i].recordPos]);
            keepRecordFinite(barRight[taps[i].recordPos]);
          }
        }
        out1[i] = static_cast<float>(out1[i] * gain);
        out2[i] = static_cast<float>(out2[i] * gain);
      }
    }
  }

#if ZARNITH_STEREO_LADDER
  if (kPlainLayout) {
    unpackLadder(filter, chain.ladder[0], chain.ladder[1]);
  } else
#endif
  {
    chain.ladder[0] = left;
    chain.ladder[1] = right;
  }
  chain.scrambler = s;
  chain.envelopeState = envelope;
  chain.lfoSampleCounter = counter;
  chain.modValue = modulation;
}

}  // namespace

void runFrames(ProcessingChain& chain, ChainParameters& params, float** inputs, float** outputs,
               int32_t sampleFrames) {
  if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
  // Usually each output is its own buffer or its channel's input, and the
  // buffers share no sample otherwise. Then a run of frames may read its
  // inputs ahead and keep each frame's values in registers. In any other
  // layout (both outputs one buffer, the left output the right input, buffers
  // overlapping with an offset) every step must read what the steps before
  // wrote there, so the frames go one by one through the buffers.
  const int32_t n = sampleFrames;
  const bool plainLayout = (inputs[0] == outputs[0] || apart(inputs[0], outputs[0], n)) &&
                           (inputs[1] == outputs[1] || apart(inputs[1], outputs[1], n)) &&
                           (inputs[0] == inputs[1] || apart(inputs[0], inputs[1], n)) &&
                           apart(outputs[0], outputs[1], n) && apart(outputs[0], inputs[1], n) &&
                           apart(outputs[1], inputs[0], n);
  if (plainLayout) {
    runFramesIn<true>(chain, params, inputs, outputs, sampleFrames);
  } else {
    runFramesIn<false>(chain, params, inputs, outputs, sampleFrames);
  }
}

}  // namespace zarnith
