// The parameter set: what each of the 43 indices stores, derives, reports and shows.
#include <cmath>
#include <cstdint>

#include "crt_random.h"
#include "myvst.h"
#include "toolkit/aeffguieditor.h"

namespace {

const std::memory_order kRelaxed = std::memory_order_relaxed;

// Program slot of each parameter index, or -1 when the value is not part of a program.
const int kProgramSlot[MyVst::kNumParams] = {
    6,  10, 13, 6,  7,  15, 12, 14, 8,  16, 20, -1, -1, 11, -1, -1, 0,  1,  -1, 2,  -1, -1,
    -1, 17, 18, 19, 21, -1, 27, 22, 24, 25, 23, 26, -1, -1, -1, -1, -1, -1, -1, -1, -1,
};

const char* const kParameterName[MyVst::kNumParams] = {
    "Freq",
    "Q",
    "Sens",
    nullptr,
    "Bit Crusher",
    "Mod Type",
    "Filter Type",
    "Sync on/off",
    "LFO Rate Mult.",
    "BEAT",
    "Env Reverse",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "LFO Depth",
    "LFO Rate",
    nullptr,
    "Env Depth",
    nullptr,
    nullptr,
    nullptr,
    "Scrambler Dry",
    "Scrambler Wet",
    "Dry/Wet Mix",
    "Volume",
    nullptr,
    "LFO Type",
    "LFO Offset",
    "Silence Instr",
    "Scrambler Offset",
    "Scrambler Reverse",
    "Rand Beat F Type",
};

// trunc(value x scale) in double precision, kept inside [low, high]; a NaN gives low.
// Out-of-range host values must not reach an undefined float-to-integer conversion.
int32_t truncScaled(float value, double scale, double low, double high) {
  double product = static_cast<double>(value) * scale;
  if (!(product >= low)) return static_cast<int32_t>(low);
  if (product > high) return static_cast<int32_t>(high);
  return static_cast<int32_t>(product);
}

// 1, 2, 4 ... 64: two to the power trunc(value x 6), the exponent kept within 0..6.
uint32_t divisionsFor(float value) {
  int32_t exponent = truncScaled(value, 6.0, 0.0, 6.0);
  if (exponent == 0) return 1;
  return static_cast<uint32_t>(std::pow(2.0f, static_cast<float>(exponent)));
}

// Longest envelope time accepted, in milliseconds: beyond the 0..1 range of the
// parameter a host value may be large, but a negative time would make the follower diverge.
const double kMaxEnvTimeMs = 1000000.0;

}  // namespace

void MyVst::storeInProgram(int slot, float value) {
  const VstInt32 program = curProgram.load(kRelaxed);
  if (programs && program >= 0 && program < kNumPrograms) programs[program].values[slot] = value;
}

void MyVst::applyFilterTypeIndicators(float value) {
  setParameter(35, 0.0f);
  setParameter(36, 0.0f);
  setParameter(37, 0.0f);
  // Exactly one of the three lamps lights; out-of-range values light the nearest one.
  const int32_t k = truncScaled(value, 2.9, 0.0, 2.0);
  setParameter(35 + k, 1.0f);
}

void MyVst::setParameter(VstInt32 index, float value) {
  if (index >= 0 && index < kNumParams && kProgramSlot[index] >= 0 && index != 31)
    storeInProgram(kProgramSlot[index], value);

  switch (index) {
    case 0:
    case 3:
      params.freq.store(value, kRelaxed);
      break;
    case 1:
      params.q.store(value, kRelaxed);
      break;
    case 2: {
      sens.store(value, kRelaxed);
      const int32_t ms = truncScaled(value, 1000.0, 0.0, kMaxEnvTimeMs);
      params.envTimeAMs.store(ms, kRelaxed);
      params.envTimeBMs.store(ms, kRelaxed);
      envTimeAValue.store(value, kRelaxed);
      envTimeBValue.store(value, kRelaxed);
      break;
    }
    case 4:
      params.bitCrusher.store(value, kRelaxed);
      break;
    case 5:
      params.modType.store(value, kRelaxed);
      break;
    case 6:
      params.filterType.store(value, kRelaxed);
      applyFilterTypeIndicators(value);
      break;
    case 7:
      params.syncOn.store(value, kRelaxed);
      // The editor's rate readout depends on sync: re-send the unchanged rate.
      setParameter(17, params.lfoRate.load(kRelaxed));
      break;
    case 8: {
      params.lfoRateMult.store(value, kRelaxed);
      const VstInt32 program = curProgram.load(kRelaxed);
      if (programs && programs[program].values[14] == 0.0f) setParameter(17, params.lfoRate.load(kRelaxed));
      break;
    }
    case 9:
      beat.store(value, kRelaxed);
      params.beatDivisions.store(divisionsFor(value), kRelaxed);
      break;
    case 10:
      params.envReverse.store(value, kRelaxed);
      break;
    case 11:
      envTimeAValue.store(value, kRelaxed);
      params.envTimeAMs.store(truncScaled(value, 1000.0, 0.0, kMaxEnvTimeMs), kRelaxed);
      break;
    case 12:
      envTimeBValue.store(value, kRelaxed);
      params.envTimeBMs.store(truncScaled(value, 1000.0, 0.0, kMaxEnvTimeMs), kRelaxed);
      break;
    case 13:
      outLevel.store(value, kRelaxed);
      break;
    case 15:
      spareLevel.store(value, kRelaxed);
      break;
    case 16:
      params.lfoDepth.store(value, kRelaxed);
      break;
    case 17:
      params.lfoRate.store(value, kRelaxed);
      break;
    case 19:
      params.envDepth.store(value, kRelaxed);
      break;
    case 23:
      params.scramblerDry.store(value, kRelaxed);
      break;
    case 24:
      params.scramblerWet.store(value, kRelaxed);
      break;
    case 25:
      params.dryWetMix.store(value, kRelaxed);
      break;
    case 26:
      params.volume.store(value, kRelaxed);
      break;
    case 28:
      params.lfoType.store(value, kRelaxed);
      break;
    case 29:
      params.lfoOffset.store(value, kRelaxed);
      break;
    case 30:
      params.silenceInstr.store(value, kRelaxed);
      break;
    case 31: {
      // The program keeps the value as set; the working value is held in 32nds
      // (a host value outside 0..1 is held at the nearest end).
      storeInProgram(25, value);
      const int32_t steps = truncScaled(value, 32.0, 0.0, 32.0);
      params.scramblerOffset.store(static_cast<float>(steps / 32.0), kRelaxed);
      break;
    }
    case 32:
      params.scramblerReverse.store(value, kRelaxed);
      break;
    case 33:
      randBeatFType.store(value, kRelaxed);
      params.randBeatDivisions.store(divisionsFor(value), kRelaxed);
      break;
    case 34:
      randomiseProgram();
      break;
    case 41:
    case 42:
      params.processingHold.store(value, kRelaxed);
      break;
    default:
      break;
  }

  if (editor) static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}

float MyVst::getParameter(VstInt32 index) {
  switch (index) {
    case 0:
    case 3:
      return params.freq.load(kRelaxed);
    case 1:
      return params.q.load(kRelaxed);
    case 2:
      return sens.load(kRelaxed);
    case 4:
      return params.bitCrusher.load(kRelaxed);
    case 5:
      return params.modType.load(kRelaxed);
    case 6:
      return params.filterType.load(kRelaxed);
    case 7:
      return params.syncOn.load(kRelaxed);
    case 8:
      return params.lfoRateMult.load(kRelaxed);
    case 9:
      return beat.load(kRelaxed);
    case 10:
      return params.envReverse.load(kRelaxed);
    case 11:
      return envTimeAValue.load(kRelaxed);
    case 12:
      return envTimeBValue.load(kRelaxed);
    case 13:
      return outLevel.load(kRelaxed);
    case 14: {
      // Read and lower: each read after a note returns a value 0.1 below the previous one.
      const float activity = noteActivity.load(kRelaxed);
      if (activity >= 0.0f) {
        noteActivity.store(static_cast<float>(static_cast<double>(activity) - 0.1), kRelaxed);
        return activity;
      }
      noteActivity.store(0.0f, kRelaxed);
      return 0.0f;
    }
    case 15:
      return spareLevel.load(kRelaxed);
    case 16:
      return params.lfoDepth.load(kRelaxed);
    case 17:
      return params.lfoRate.load(kRelaxed);
    case 18:
      return chain.cutoffState.load(kRelaxed);
    case 19:
      return params.envDepth.load(kRelaxed);
    case 23:
      return params.scramblerDry.load(kRelaxed);
    case 24:
      return params.scramblerWet.load(kRelaxed);
    case 25:
      return params.dryWetMix.load(kRelaxed);
    case 26:
      return params.volume.load(kRelaxed);
    case 28:
      return params.lfoType.load(kRelaxed);
    case 29:
      return params.lfoOffset.load(kRelaxed);
    case 30:
      return params.silenceInstr.load(kRelaxed);
    case 31:
      return params.scramblerOffset.load(kRelaxed);
    case 32:
      return params.scramblerReverse.load(kRelaxed);
    case 33:
      return randBeatFType.load(kRelaxed);
    case 42:
      return params.processingHold.load(kRelaxed);
    default:
      return 0.0f;
  }
}

void MyVst::getParameterName(VstInt32 index, char* text) {
  if (index < 0 || index >= kNumParams || !kParameterName[index]) return;
  copyWholeText(text, kParameterName[index]);
}

void MyVst::getParameterLabel(VstInt32 index, char* label) {
  switch (index) {
    case 0:
      copyWholeText(label, "Hz");
      break;
    case 1:
      copyWholeText(label, "factor");
      break;
    case 6:
      copyWholeText(label, "");
      break;
    case 13:
      copyWholeText(label, "dB");
      break;
    default:
      break;
  }
}

void MyVst::getParameterDisplay(VstInt32 index, char* text) {
  switch (index) {
    case 0: {
      // Whole hertz, as the editor's readout shows them: 20000 x freq held as a float.
      const float hertz = static_cast<float>(static_cast<double>(params.freq.load(kRelaxed)) * 20000.0);
      if (std::isnan(hertz)) {
        copyCutText(text, "NaN", kVstMaxParamStrLen);
        return;
      }
      int2string(truncScaled(hertz, 1.0, -2000000000.0, 2000000000.0), text, kVstMaxParamStrLen);
      break;
    }
    case 1:
      float2string(params.q.load(kRelaxed), text, kVstMaxParamStrLen);
      break;
    case 6: {
      // The same thresholds as the filter itself, so the text names the response
      // that sounds (the top range is the high-pass one, not a second band-pass).
      const double type = params.filterType.load(kRelaxed);
      const char* name = type <= 0.33 ? "Low Pass" : type <= 0.66 ? "Band Pass" : "High Pass";
      copyCutText(text, name, kVstMaxParamStrLen);
      break;
    }
    case 13:
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
  static const struct {
    int slot;
    Kind kind;
  } kDraws[] = {
      {22, kFine},   {27, kFine},   {14, kSwitch}, {0, kFine},    {1, kFine},  {2, kFine},    {15, kFine},
      {7, kFine},    {8, kFine},    {6, kFine},    {10, kFine},   {12, kFine}, {13, kFine},   {16, kFine},
      {17, kSwitch}, {18, kSwitch}, {19, kFine},   {20, kSwitch}, {25, kFine}, {23, kSwitch}, {26, kFine},
  };
  ProgramRecord& record = programs[program];
  for (const auto& draw : kDraws) {
    const int r = crtRand();
    record.values[draw.slot] =
        draw.kind == kFine ? static_cast<float>(r % 256) / 256.0f : static_cast<float>(r % 2);
  }
  setProgram(program);
}
