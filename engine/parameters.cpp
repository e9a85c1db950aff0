// The parameter set: what each of the 43 indices stores, derives, reports and shows.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "crt_random.h"
#include "myvst.h"

namespace {

const std::memory_order kRelaxed = std::memory_order_relaxed;

// trunc(value x scale) in double precision, kept inside [low, high]; a NaN gives low.
// Out-of-range host values must not reach an undefined float-to-integer conversion.
int32_t truncScaled(float value, double scale, int32_t low, int32_t high) {
  const double product = static_cast<double>(value) * scale;
  if (!(product >= low)) return low;
  return std::min(zarnith::truncToInt32(product), high);
}

// 1, 2, 4 ... 64: two to the power trunc(value x 6), the exponent kept within 0..6.
uint32_t divisionsFor(float value) {
  int32_t exponent = truncScaled(value, 6.0, 0, 6);
  if (exponent == 0) return 1;
  return static_cast<uint32_t>(std::pow(2.0f, static_cast<float>(exponent)));
}

// Longest envelope time accepted, in milliseconds: beyond the 0..1 range of the
// parameter a host value may be large, but a negative time would make the follower diverge.
const int32_t kMaxEnvTimeMs = 1000000;

}  // namespace

void MyVst::storeInProgram(int slot, float value) {
  const VstInt32 program = curProgram.load(kRelaxed);
  if (programs && program >= 0 && program < kNumPrograms) programs[program].values[slot] = value;
}

void MyVst::applyFilterTypeIndicators(float value) {
  setParameter(zarnith::kParamLampLowPass, 0.0f);
  setParameter(zarnith::kParamLampBandPass, 0.0f);
  setParameter(zarnith::kParamLampHighPass, 0.0f);
  setParameter(zarnith::kParamLampLowPass + zarnith::filterTypeLamp(value), 1.0f);
}

void MyVst::setParameter(VstInt32 index, float value) {
  // Scrambler Offset stores its own slot below.
  if (zarnith::isParameterIndex(index) && zarnith::kParameterTable[index].programSlot >= 0 &&
      index != zarnith::kParamScramblerOffset)
    storeInProgram(zarnith::kParameterTable[index].programSlot, value);

  switch (index) {
    case zarnith::kParamFreq:
    case zarnith::kParamFreqAlias:
      params.freq.store(value, kRelaxed);
      break;
    case zarnith::kParamQ:
      params.q.store(value, kRelaxed);
      break;
    case zarnith::kParamSens: {
      sens.store(value, kRelaxed);
      const int32_t ms = truncScaled(value, 1000.0, 0, kMaxEnvTimeMs);
      params.envTimeAMs.store(ms, kRelaxed);
      params.envTimeBMs.store(ms, kRelaxed);
      envTimeAValue.store(value, kRelaxed);
      envTimeBValue.store(value, kRelaxed);
      break;
    }
    case zarnith::kParamBitCrusher:
      params.bitCrusher.store(value, kRelaxed);
      break;
    case zarnith::kParamModType:
      params.modType.store(value, kRelaxed);
      break;
    case zarnith::kParamFilterType:
      params.filterType.store(value, kRelaxed);
      applyFilterTypeIndicators(value);
      break;
    case zarnith::kParamSyncOn:
      params.syncOn.store(value, kRelaxed);
      // The editor's rate readout depends on sync: re-send the unchanged rate.
      setParameter(zarnith::kParamLfoRate, params.lfoRate.load(kRelaxed));
      break;
    case zarnith::kParamLfoRateMult: {
      params.lfoRateMult.store(value, kRelaxed);
      const VstInt32 program = curProgram.load(kRelaxed);
      if (programs && programs[program].values[zarnith::programSlotOf(zarnith::kParamSyncOn)] == 0.0f)
        setParameter(zarnith::kParamLfoRate, params.lfoRate.load(kRelaxed));
      break;
    }
    case zarnith::kParamBeat:
      beat.store(value, kRelaxed);
      params.beatDivisions.store(divisionsFor(value), kRelaxed);
      break;
    case zarnith::kParamEnvReverse:
      params.envReverse.store(value, kRelaxed);
      break;
    case zarnith::kParamEnvTimeA:
      envTimeAValue.store(value, kRelaxed);
      params.envTimeAMs.store(truncScaled(value, 1000.0, 0, kMaxEnvTimeMs), kRelaxed);
      break;
    case zarnith::kParamEnvTimeB:
      envTimeBValue.store(value, kRelaxed);
      params.envTimeBMs.store(truncScaled(value, 1000.0, 0, kMaxEnvTimeMs), kRelaxed);
      break;
    case zarnith::kParamOutLevel:
      outLevel.store(value, kRelaxed);
      break;
    case zarnith::kParamSpareLevel:
      spareLevel.store(value, kRelaxed);
      break;
    case zarnith::kParamLfoDepth:
      params.lfoDepth.store(value, kRelaxed);
      break;
    case zarnith::kParamLfoRate:
      params.lfoRate.store(value, kRelaxed);
      break;
    case zarnith::kParamEnvDepth:
      params.envDepth.store(value, kRelaxed);
      break;
    case zarnith::kParamScramblerDry:
      params.scramblerDry.store(value, kRelaxed);
      break;
    case zarnith::kParamScramblerWet:
      params.scramblerWet.store(value, kRelaxed);
      break;
    case zarnith::kParamDryWetMix:
      params.dryWetMix.store(value, kRelaxed);
      break;
    case zarnith::kParamVolume:
      params.volume.store(value, kRelaxed);
      break;
    case zarnith::kParamLfoType:
      params.lfoType.store(value, kRelaxed);
      break;
    case zarnith::kParamLfoOffset:
      params.lfoOffset.store(value, kRelaxed);
      break;
    case zarnith::kParamSilenceInstr:
      params.silenceInstr.store(value, kRelaxed);
      break;
    case zarnith::kParamScramblerOffset: {
      // The program keeps the value as set; the working value is held in 32nds
      // (a host value outside 0..1 is held at the nearest end).
      storeInProgram(zarnith::programSlotOf(zarnith::kParamScramblerOffset), value);
      const int32_t steps = truncScaled(value, 32.0, 0, 32);
      params.scramblerOffset.store(static_cast<float>(steps / 32.0), kRelaxed);
      break;
    }
    case zarnith::kParamScramblerReverse:
      params.scramblerReverse.store(value, kRelaxed);
      break;
    case zarnith::kParamRandBeatFType:
      randBeatFType.store(value, kRelaxed);
      params.randBeatDivisions.store(divisionsFor(value), kRelaxed);
      break;
    case zarnith::kParamRandomise:
      randomiseProgram();
      break;
    case zarnith::kParamBypassHold:
    case zarnith::kParamBypass:
      params.processingHold.store(value, kRelaxed);
      break;
    default:
      break;
  }

  if (editor) editor->setParameter(index, value);
}

float MyVst::getParameter(VstInt32 index) {
  switch (index) {
    case zarnith::kParamFreq:
    case zarnith::kParamFreqAlias:
      return params.freq.load(kRelaxed);
    case zarnith::kParamQ:
      return params.q.load(kRelaxed);
    case zarnith::kParamSens:
      return sens.load(kRelaxed);
    case zarnith::kParamBitCrusher:
      return params.bitCrusher.load(kRelaxed);
    case zarnith::kParamModType:
      return params.modType.load(kRelaxed);
    case zarnith::kParamFilterType:
      return params.filterType.load(kRelaxed);
    case zarnith::kParamSyncOn:
      return params.syncOn.load(kRelaxed);
    case zarnith::kParamLfoRateMult:
      return params.lfoRateMult.load(kRelaxed);
    case zarnith::kParamBeat:
      return beat.load(kRelaxed);
    case zarnith::kParamEnvReverse:
      return params.envReverse.load(kRelaxed);
    case zarnith::kParamEnvTimeA:
      return envTimeAValue.load(kRelaxed);
    case zarnith::kParamEnvTimeB:
      return envTimeBValue.load(kRelaxed);
    case zarnith::kParamOutLevel:
      return outLevel.load(kRelaxed);
    case zarnith::kParamNoteActivity: {
      // Read and lower: each read after a note returns a value 0.1 below the previous one.
      const float activity = noteActivity.load(kRelaxed);
      if (activity >= 0.0f) {
        noteActivity.store(static_cast<float>(static_cast<double>(activity) - 0.1), kRelaxed);
        return activity;
      }
      noteActivity.store(0.0f, kRelaxed);
      return 0.0f;
    }
    case zarnith::kParamSpareLevel:
      return spareLevel.load(kRelaxed);
    case zarnith::kParamLfoDepth:
      return params.lfoDepth.load(kRelaxed);
    case zarnith::kParamLfoRate:
      return params.lfoRate.load(kRelaxed);
    case zarnith::kParamCutoffReadout:
      return chain.cutoffState.load(kRelaxed);
    case zarnith::kParamEnvDepth:
      return params.envDepth.load(kRelaxed);
    case zarnith::kParamScramblerDry:
      return params.scramblerDry.load(kRelaxed);
    case zarnith::kParamScramblerWet:
      return params.scramblerWet.load(kRelaxed);
    case zarnith::kParamDryWetMix:
      return params.dryWetMix.load(kRelaxed);
    case zarnith::kParamVolume:
      return params.volume.load(kRelaxed);
    case zarnith::kParamLfoType:
      return params.lfoType.load(kRelaxed);
    case zarnith::kParamLfoOffset:
      return params.lfoOffset.load(kRelaxed);
    case zarnith::kParamSilenceInstr:
      return params.silenceInstr.load(kRelaxed);
    case zarnith::kParamScramblerOffset:
      return params.scramblerOffset.load(kRelaxed);
    case zarnith::kParamScramblerReverse:
      return params.scramblerReverse.load(kRelaxed);
    case zarnith::kParamRandBeatFType:
      return randBeatFType.load(kRelaxed);
    case zarnith::kParamBypass:
      return params.processingHold.load(kRelaxed);
    default:
      return 0.0f;
  }
}

void MyVst::getParameterName(VstInt32 index, char* text) {
  if (!zarnith::isParameterIndex(index) || !zarnith::kParameterTable[index].name) return;
  copyWholeText(text, zarnith::kParameterTable[index].name);
}

void MyVst::getParameterLabel(VstInt32 index, char* label) {
  if (!zarnith::isParameterIndex(index) || !zarnith::kParameterTable[index].label) return;
  copyWholeText(label, zarnith::kParameterTable[index].label);
}

void MyVst::getParameterDisplay(VstInt32 index, char* text) {
  switch (index) {
    case zarnith::kParamFreq: {
      // Whole hertz, as the editor's readout shows them: 20000 x freq held as a float.
      const float hertz = static_cast<float>(static_cast<double>(params.freq.load(kRelaxed)) * 20000.0);
      if (std::isnan(hertz)) {
        copyCutText(text, "NaN", kVstMaxParamStrLen);
        return;
      }
      int2string(truncScaled(hertz, 1.0, -2000000000, 2000000000), text, kVstMaxParamStrLen);
      break;
    }
    case zarnith::kParamQ:
      float2string(params.q.load(kRelaxed), text, kVstMaxParamStrLen);
      break;
    case zarnith::kParamFilterType: {
      // The filter's own reading of the value, so the text names the response
      // that sounds (the top range is the high-pass one, not a second band-pass).
      const zarnith::LadderResponse response = zarnith::ladderResponse(params.filterType.load(kRelaxed));
      const char* name = response == zarnith::LadderResponse::kLowPass    ? "Low Pass"
                         : response == zarnith::LadderResponse::kBandPass ? "Band Pass"
                                                                          : "High Pass";
      copyCutText(text, name, kVstMaxParamStrLen);
      break;
    }
    case zarnith::kParamOutLevel:
      dB2string(outLevel.load(kRelaxed), text, kVstMaxParamStrLen);
      break;
    default:
      break;
  }
}

void MyVst::randomiseProgram() {
  const VstInt32 program = curProgram.load(kRelaxed);
  if (!programs || program < 0 || program >= kNumPrograms) return;
  // The draw order is fixed: one number per slot, fine values in 256ths, switches 0 or 1.
  enum Kind { kFine, kSwitch };
  using namespace zarnith;
  static const struct {
    ParameterId parameter;
    Kind kind;
  } kDraws[] = {
      {kParamLfoOffset, kFine},
      {kParamLfoType, kFine},
      {kParamSyncOn, kSwitch},
      {kParamLfoDepth, kFine},
      {kParamLfoRate, kFine},
      {kParamEnvDepth, kFine},
      {kParamModType, kFine},
      {kParamBitCrusher, kFine},
      {kParamLfoRateMult, kFine},
      {kParamFreq, kFine},
      {kParamQ, kFine},
      {kParamFilterType, kFine},
      {kParamSens, kFine},
      {kParamBeat, kFine},
      {kParamScramblerDry, kSwitch},
      {kParamScramblerWet, kSwitch},
      {kParamDryWetMix, kFine},
      {kParamEnvReverse, kSwitch},
      {kParamScramblerOffset, kFine},
      {kParamScramblerReverse, kSwitch},
      {kParamRandBeatFType, kFine},
  };
  ProgramRecord& record = programs[program];
  for (const auto& draw : kDraws) {
    const int r = crtRand();
    record.values[programSlotOf(draw.parameter)] =
        draw.kind == kFine ? static_cast<float>(r % 256) / 256.0f : static_cast<float>(r % 2);
  }
  setProgram(program);
}
