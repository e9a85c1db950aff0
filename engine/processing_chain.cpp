// The processing chain: per block, the host's musical time and the values
// derived from it; per frame, the fixed chain of modulation source, bit crusher,
// cutoff smoothing, ladder filter, slice silencing, scrambler and volume.
//
// Rules for this file, as it runs on the host's audio thread: no allocation,
// lock, logging, system call, exception or virtual call per sample; parameters
// are relaxed atomics, read once per block or per run of frames, and what is
// derived from them is derived there, never per frame; rare work (random
// draws, host calls) stays out of line so the filter states keep to registers.
// The output is defined to the bit, so no rewrite may change an operation's
// precision or order.
#include "engine/processing_chain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

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

// The parameter values one run of frames works with, read at its start.
struct RunSettings {
  bool held;  // the bypass holds the run's per-sample work
  float modType;
  LfoSettings lfo;
  float envDepth;
  float envReverse;
  float freq;
  float q;
  float bitCrusher;
  float filterType;
  ScramblerSettings scrambler;
  float scramblerDry;
  float scramblerWet;
  float dryWetMix;
  float volume;
};

RunSettings readRunSettings(const ChainParameters& params) {
  RunSettings v;
  v.held = params.processingHold.load(kRelaxed) == 1.0f;
  v.modType = params.modType.load(kRelaxed);
  v.lfo = lfoSettings(params);
  v.envDepth = params.envDepth.load(kRelaxed);
  v.envReverse = params.envReverse.load(kRelaxed);
  v.freq = params.freq.load(kRelaxed);
  v.q = params.q.load(kRelaxed);
  v.bitCrusher = params.bitCrusher.load(kRelaxed);
  v.filterType = params.filterType.load(kRelaxed);
  v.scrambler.randBeatDivisions = params.randBeatDivisions.load(kRelaxed);
  v.scrambler.scramblerReverse = params.scramblerReverse.load(kRelaxed);
  v.scrambler.silenceInstr = params.silenceInstr.load(kRelaxed);
  v.scramblerDry = params.scramblerDry.load(kRelaxed);
  v.scramblerWet = params.scramblerWet.load(kRelaxed);
  v.dryWetMix = params.dryWetMix.load(kRelaxed);
  v.volume = params.volume.load(kRelaxed);
  return v;
}

// Where the cutoff's modulation comes from in a run.
enum class ModSource { kFixed, kPerFrame, kEnvelope };

// The filter's states and what leads to its coefficients, carried in locals
// from run to run.
struct FilterLoopState {
#if ZARNITH_STEREO_LADDER
  LadderStereo pair;
#endif
  LadderChannel left;
  LadderChannel right;
  float cutoff;
  float envelope;
  float modulation;
};

// The per-frame values a run's first passes hand on to the later ones.
template <int kRun>
struct RunFrames {
  float modulations[kRun];
  uint8_t responses[kRun];
  bool silenced[kRun];
  ScramblerTap taps[kRun];
  // The received (dry) pair and, with paired channels, the filtered one; left then right.
  alignas(16) float dryPairs[2 * kRun];
  alignas(16) float filteredPairs[2 * kRun];
};

#if ZARNITH_STEREO_LADDER
ZARNITH_ALWAYS_INLINE __m128 loadPair(const float* pair) {
  return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(pair)));
}

ZARNITH_ALWAYS_INLINE void storePair(float* pair, __m128 value) {
  _mm_storel_pi(reinterpret_cast<__m64*>(pair), value);
}

// The volume, each lane as the scalar code has it (widened, multiplied by the
// double gain, rounded to float), and the stores to the host's buffers.
ZARNITH_ALWAYS_INLINE void storeGained(__m128 pair, __m128d gain, float* outL, float* outR) {
  const __m128 out = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(pair), gain));
  _mm_store_ss(outL, out);
  _mm_store_ss(outR, _mm_shuffle_ps(out, out, _MM_SHUFFLE(1, 1, 1, 1)));
}
#endif

// Pass 3 over one run: the envelope, the cutoff smoothing, the coefficients,
// the bit crusher and the ladder. The ladder's chain of float-rounded stages
// sets the pace; everything else per frame is independent of it. With paired
// channels (both in one pair of vector lanes, each lane computing exactly the
// scalar operations) the frames are pipelined: the loop prepares a frame's
// coefficients and crushed pair kLead frames before its ladder step, so that
// their own chains (from the input through the envelope and the smoothing to
// the coefficients, and through the crusher's division) have run long before
// the ladder needs them, and it finishes each frame (pass 4: the routing, the
// volume, the stores to the host's buffers) kLag frames after its ladder step,
// when the filtered pair is ready: that work then fills the time the ladder's
// chain leaves free instead of running after it. Rules for the ladder's loop:
// no call, no store that is read back in the same frame, no state in memory.
// Without paired channels, finish is not called: the caller finishes the run.
template <ModSource kSource, bool kPairs, int kRun, class Bookkeeping, class Finish>
ZARNITH_ALWAYS_INLINE void filterRun(FilterLoopState& st, RunFrames<kRun>& f, const RunSettings& v,
                                     float fixedModulation, float attack, float release, int shift,
                                     float* in1, float* in2, float* out1, float* out2, int frames,
                                     Bookkeeping& bookkeeping, Finish& finish) {
  float cutoff = st.cutoff;
  float envelope = st.envelope;
  float mod = st.modulation;
  // Frame j's modulation, smoothed cutoff and coefficients, in frame order.
  auto coefficientsFor = [&](int j) ZARNITH_LAMBDA_INLINE {
    if (kSource == ModSource::kFixed) mod = fixedModulation;
    if (kSource == ModSource::kPerFrame) mod = f.modulations[j];
    if (kSource == ModSource::kEnvelope)
      mod = followEnvelope(envelope, in1[j], attack, release, v.envDepth, v.envReverse);
    smoothCutoff(cutoff, mod, v.freq, attack, release);
    return ladderCoefficients(cutoff, v.q);
  };
#if ZARNITH_STEREO_LADDER
  if (kPairs) {
    constexpr int kLead = 4;
    constexpr int kLag = 2;
    LadderCoefficients co[kRun];
    alignas(16) float crushedPairs[2 * kRun];
    auto prepare = [&](int j) ZARNITH_LAMBDA_INLINE {
      bookkeeping(j);
      co[j] = coefficientsFor(j);
      const __m128 dry = _mm_unpacklo_ps(_mm_load_ss(in1 + j), _mm_load_ss(in2 + j));
      const __m128 crushed = crushPair(dry, shift);
      // The crushed pair replaces the received samples in the host's input
      // buffers. That is how the sound is defined when buffers are shared
      // (with the left output as the right input, or processing in place, a
      // later read of a buffer sees what an earlier step wrote), and a host
      // may look at its input buffers afterwards. The dry pair kept here is
      // what the routing uses.
      _mm_store_ss(in1 + j, crushed);
      _mm_store_ss(in2 + j, _mm_shuffle_ps(crushed, crushed, _MM_SHUFFLE(1, 1, 1, 1)));
      storePair(f.dryPairs + 2 * j, dry);
      storePair(crushedPairs + 2 * j, crushed);
    };
    LadderStereo pair = st.pair;
    for (int j = 0; j < std::min(kLead, frames); j++) prepare(j);
    for (int i = 0; i < frames; i++) {
      if (i + kLead < frames) prepare(i + kLead);
      const __m128 out = runLadderPair(pair, co[i], static_cast<LadderResponse>(f.responses[i]),
                                       loadPair(crushedPairs + 2 * i));
      storePair(f.filteredPairs + 2 * i, out);
      if (i >= kLag) finish(i - kLag);
    }
    for (int j = std::max(0, frames - kLag); j < frames; j++) finish(j);
    st.pair = pair;
  }
#endif
  if (!kPairs) {
    // The filtered pair lives in the output buffers, where each step reads
    // what the one before wrote, so the frames go strictly one by one.
    for (int i = 0; i < frames; i++) {
      bookkeeping(i);
      const LadderCoefficients co = coefficientsFor(i);
      f.dryPairs[2 * i] = in1[i];
      f.dryPairs[2 * i + 1] = in2[i];
      crushBitsShifted(in1 + i, in2 + i, shift);
      runLadderFilter(st.left, st.right, co, static_cast<LadderResponse>(f.responses[i]), in1 + i, in2 + i,
                      out1 + i, out2 + i);
    }
  }
  st.cutoff = cutoff;
  st.envelope = envelope;
  st.modulation = mod;
}

// The paired filter loop as a function of its own, called once per run. Inlined
// into the block's function beside its other variants, the loop lost the
// registers for the ladder's states to the rest of that function, and the
// states went through memory on every frame; alone, the loop gets them.
template <ModSource kSource, bool kPairs, int kRun, class Bookkeeping, class Finish>
ZARNITH_NOINLINE void filterRunApart(FilterLoopState& st, RunFrames<kRun>& f, const RunSettings& v,
                                     float fixedModulation, float attack, float release, int shift,
                                     float* in1, float* in2, float* out1, float* out2, int frames,
                                     Bookkeeping& bookkeeping, Finish& finish) {
  filterRun<kSource, kPairs>(st, f, v, fixedModulation, attack, release, shift, in1, in2, out1, out2, frames,
                             bookkeeping, finish);
}

// Calls route with the run's mix and what it records as compile-time
// constants (mix, record dry, record filtered), so that no frame asks which
// ones the run has. Each mix but the plain filtered one implies what is
// recorded (see scramblerRouting).
template <class Route>
ZARNITH_ALWAYS_INLINE void withRouting(const ScramblerRouting& r, Route&& route) {
  using R = ScramblerRouting;
  using On = std::true_type;
  using Off = std::false_type;
  switch (r.mix) {
    case R::kFilteredAndDry:
      return route(std::integral_constant<R::Mix, R::kFilteredAndDry>(), Off(), Off());
    case R::kFilteredAndPlayed:
      return route(std::integral_constant<R::Mix, R::kFilteredAndPlayed>(), On(), Off());
    case R::kPlayedAndDry:
      return route(std::integral_constant<R::Mix, R::kPlayedAndDry>(), Off(), On());
    case R::kPlayed:
      return route(std::integral_constant<R::Mix, R::kPlayed>(), On(), On());
    default:
      break;
  }
  using Filtered = std::integral_constant<R::Mix, R::kFiltered>;
  if (r.recordDry && r.recordFiltered) return route(Filtered(), On(), On());
  if (r.recordDry) return route(Filtered(), On(), Off());
  if (r.recordFiltered) return route(Filtered(), Off(), On());
  route(Filtered(), Off(), Off());
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
  FilterLoopState st;
#if ZARNITH_STEREO_LADDER
  st.pair = packLadder(chain.ladder[0], chain.ladder[1]);
#endif
  st.left = chain.ladder[0];
  st.right = chain.ladder[1];
  st.cutoff = chain.cutoffState.load(kRelaxed);
  st.envelope = chain.envelopeState;
  st.modulation = chain.modValue;
  BeatScrambler s = chain.scrambler;
  uint32_t counter = chain.lfoSampleCounter;
  // Broken input is rare: its blocks alone check what they record.
  const bool brokenInput = scramblerOn && sampleFrames > 0 &&
                           (anyNonFinite(inputs[0], sampleFrames) || anyNonFinite(inputs[1], sampleFrames));
  // Steps ahead that only count positions on; the rest take the full path.
  int32_t quietSteps = scramblerQuietSteps(s, barEnd, sampleFrames);
  auto rnd = [] { return crtRand(); };
  auto indicate = [&chain](int k) {
    if (chain.lightFilterTypeLamp) chain.lightFilterTypeLamp(chain.lampContext, k);
  };

  // The frames go in runs. Each run reads the parameters once at its start:
  // a value set between blocks reaches the block's first frame, and one set
  // by another thread while a block is processed reaches the next run, as if
  // it had been set a moment later. Each run then takes four passes, each
  // computing for every frame of the run exactly what the frame computes:
  //  1. the LFO's value, where it changes from frame to frame;
  //  2. the scrambler's bookkeeping (the filter type it sets, the silencing,
  //     the fades, where it records and plays, its step on), which filterRun's
  //     loop runs a few frames ahead of the ladder;
  //  3. the filter (filterRun);
  //  4. the silencing, the record, play and routing, and the volume, which
  //     filterRun's loop runs a few frames behind the ladder when the
  //     channels are paired, and a loop of its own takes otherwise.
  // No pass depends on a later one. The split is for the processor: work that
  // waited for the ladder's output would fill its queues behind the ladder,
  // and the LFO's calls (the sine) would send the filter states through
  // memory. Outside the usual layouts a run is one frame, so the buffers see
  // every write in the order of the frame.
  constexpr int kRun = kPlainLayout ? 128 : 1;
  RunFrames<kRun> f;
  for (int32_t runStart = 0; runStart < sampleFrames; runStart += kRun) {
    const int frames = static_cast<int>(std::min<int32_t>(kRun, sampleFrames - runStart));
    float* in1 = inputs[0] + runStart;
    float* in2 = inputs[1] + runStart;
    float* out1 = outputs[0] + runStart;
    float* out2 = outputs[1] + runStart;
    const RunSettings v = readRunSettings(params);
    if (v.held) continue;

    // Pass 1: the modulation source. The bar-locked LFO only changes with its
    // settings within a block, and the free one with every frame.
    ModSource source = ModSource::kFixed;
    float fixedModulation = 0.5f;
    if (v.modType > 0.8) {
      source = ModSource::kEnvelope;
    } else if (v.modType > 0.2) {
      if (v.lfo.syncOn == 1.0f) {
        fixedModulation = computeLfo(v.lfo, counter, lfoTime);
      } else {
        source = ModSource::kPerFrame;
        const FreeLfo lfo = freeLfo(v.lfo, lfoTime);
        auto values = [&](auto shape) ZARNITH_LAMBDA_INLINE {
          for (int i = 0; i < frames; i++)
            f.modulations[i] = freeLfoValue<decltype(shape)::value>(lfo, counter + static_cast<uint32_t>(i));
        };
        if (lfo.shape == LfoShape::kSine) values(std::integral_constant<LfoShape, LfoShape::kSine>());
        if (lfo.shape == LfoShape::kSaw) values(std::integral_constant<LfoShape, LfoShape::kSaw>());
        if (lfo.shape == LfoShape::kSquare) values(std::integral_constant<LfoShape, LfoShape::kSquare>());
      }
    }
    counter += static_cast<uint32_t>(frames);

    // Pass 2, frame i: the scrambler's bookkeeping, which never looks at the
    // sound; run by the filter's loop ahead of the frame's ladder step (its
    // integer work overlaps the ladder's chain there).
    const bool randomTypes = scramblerOn && v.scrambler.randBeatDivisions != 1;
    const uint8_t fixedResponse = static_cast<uint8_t>(ladderResponse(v.filterType));
    if (!scramblerOn) std::memset(f.responses, fixedResponse, static_cast<size_t>(frames));
    auto bookkeeping = [&](int i) ZARNITH_LAMBDA_INLINE {
      if (!scramblerOn) return;
      f.responses[i] = fixedResponse;
      if (randomTypes) {
        f.responses[i] = static_cast<uint8_t>(ladderResponse(s.randomFilterType));
        params.filterType.store(s.randomFilterType, kRelaxed);
      }
      f.silenced[i] = s.silenceSlice;
      scramblerFade(s);
      f.taps[i] = ScramblerTap{s.recordPos, s.playPos, s.playGain};
      if (ZARNITH_LIKELY(quietSteps > 0 && v.scrambler.randBeatDivisions == s.periodDivisions)) {
        quietSteps--;
        scramblerCount(s, time, barEnd, v.scrambler.scramblerReverse);
      } else {
        scramblerStep(s, time, v.scrambler, rnd, indicate);
        quietSteps = scramblerQuietSteps(s, barEnd, sampleFrames);
      }
    };

    // Passes 3 and 4: the filter, and what follows it.
    const int shift = crushShift(v.bitCrusher);
    const ScramblerRouting routing = scramblerRouting(v.scramblerDry, v.scramblerWet, v.dryWetMix);
    const double gain = static_cast<double>(v.volume) * 2.0;
    auto filterFrom = [&](auto source, auto& finish) ZARNITH_LAMBDA_INLINE {
      constexpr ModSource kSource = decltype(source)::value;
      if (kPairs) {
        filterRunApart<kSource, kPairs>(st, f, v, fixedModulation, attack, release, shift, in1, in2, out1,
                                        out2, frames, bookkeeping, finish);
      } else {
        filterRun<kSource, kPairs>(st, f, v, fixedModulation, attack, release, shift, in1, in2, out1, out2,
                                   frames, bookkeeping, finish);
      }
    };
    auto filter = [&](auto& finish) ZARNITH_LAMBDA_INLINE {
      switch (source) {
        case ModSource::kFixed:
          filterFrom(std::integral_constant<ModSource, ModSource::kFixed>(), finish);
          break;
        case ModSource::kPerFrame:
          filterFrom(std::integral_constant<ModSource, ModSource::kPerFrame>(), finish);
          break;
        case ModSource::kEnvelope:
          filterFrom(std::integral_constant<ModSource, ModSource::kEnvelope>(), finish);
          break;
      }
    };
    auto nothing = [](int) {};
#if ZARNITH_STEREO_LADDER
    if (kPairs) {
      const __m128d g = _mm_set1_pd(gain);
      if (!scramblerOn) {
        auto finish = [&](int j) ZARNITH_LAMBDA_INLINE {
          storeGained(loadPair(f.filteredPairs + 2 * j), g, out1 + j, out2 + j);
        };
        filter(finish);
      } else if (ZARNITH_UNLIKELY(brokenInput)) {
        // Rare: the filter first, then the scalar steps, each record sample kept finite.
        filter(nothing);
        for (int i = 0; i < frames; i++) {
          float& outL = f.filteredPairs[2 * i];
          float& outR = f.filteredPairs[2 * i + 1];
          if (f.silenced[i]) {
            outL = 0.0f;
            outR = 0.0f;
          }
          scramblerRecordPlayRoute(f.taps[i], barLeft, barRight, f.dryPairs[2 * i], f.dryPairs[2 * i + 1],
                                   outL, outR, routing);
          keepRecordFinite(barLeft[f.taps[i].recordPos]);
          keepRecordFinite(barRight[f.taps[i].recordPos]);
          storeGained(loadPair(f.filteredPairs + 2 * i), g, out1 + i, out2 + i);
        }
      } else {
        const RoutingWeights w = routingWeights(routing);
        withRouting(routing, [&](auto mix, auto recordDry, auto recordFiltered) ZARNITH_LAMBDA_INLINE {
          auto finish = [&](int j) ZARNITH_LAMBDA_INLINE {
            __m128 out = loadPair(f.filteredPairs + 2 * j);
            if (f.silenced[j]) out = _mm_setzero_ps();
            out = scramblerRecordPlayRoutePair<decltype(mix)::value, decltype(recordDry)::value,
                                               decltype(recordFiltered)::value>(
                f.taps[j], barLeft, barRight, loadPair(f.dryPairs + 2 * j), out, w);
            storeGained(out, g, out1 + j, out2 + j);
          };
          filter(finish);
        });
      }
    }
#endif
    if (!kPairs) filter(nothing);
    chain.cutoffState.store(st.cutoff, kRelaxed);

    if (!kPairs) {
      for (int i = 0; i < frames; i++) {
        if (scramblerOn) {
          if (f.silenced[i]) {
            out1[i] = 0.0f;
            out2[i] = 0.0f;
          }
          scramblerRecordPlayRoute(f.taps[i], barLeft, barRight, f.dryPairs[2 * i], f.dryPairs[2 * i + 1],
                                   out1[i], out2[i], routing);
          if (ZARNITH_UNLIKELY(brokenInput)) {
            keepRecordFinite(barLeft[f.taps[i].recordPos]);
            keepRecordFinite(barRight[f.taps[i].recordPos]);
          }
        }
        out1[i] = static_cast<float>(out1[i] * gain);
        out2[i] = static_cast<float>(out2[i] * gain);
      }
    }
  }

#if ZARNITH_STEREO_LADDER
  if (kPlainLayout) {
    unpackLadder(st.pair, chain.ladder[0], chain.ladder[1]);
  } else
#endif
  {
    chain.ladder[0] = st.left;
    chain.ladder[1] = st.right;
  }
  chain.scrambler = s;
  chain.envelopeState = st.envelope;
  chain.lfoSampleCounter = counter;
  chain.modValue = st.modulation;
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
