#include "lv2_ports.h"

namespace zarnith {
namespace lv2 {

namespace {
constexpr ControlKind kC = ControlKind::kContinuous;
constexpr ControlKind kT = ControlKind::kToggle;
constexpr ControlKind k3 = ControlKind::kThreeWay;
}  // namespace

// Symbols are what hosts save sessions by: never rename or reorder them.
const ControlPort kControlInputs[kNumControlInputs] = {
    {kParamFreq, "freq", kC, {}},
    {kParamQ, "q", kC, {}},
    {kParamSens, "sens", kC, {}},
    {kParamBitCrusher, "bit_crusher", kC, {}},
    {kParamModType, "mod_type", k3, {"Manual", "LFO", "Envelope"}},
    {kParamFilterType, "filter_type", k3, {"Low Pass", "Band Pass", "High Pass"}},
    {kParamSyncOn, "sync", kT, {}},
    {kParamLfoRateMult, "lfo_rate_mult", k3, {"x 1", "x 10", "x 100"}},
    {kParamBeat, "beat", kC, {}},
    {kParamEnvReverse, "env_reverse", kT, {}},
    {kParamLfoDepth, "lfo_depth", kC, {}},
    {kParamLfoRate, "lfo_rate", kC, {}},
    {kParamEnvDepth, "env_depth", kC, {}},
    {kParamScramblerDry, "scrambler_dry", kT, {}},
    {kParamScramblerWet, "scrambler_wet", kT, {}},
    {kParamDryWetMix, "dry_wet_mix", kC, {}},
    {kParamVolume, "volume", kC, {}},
    {kParamLfoType, "lfo_type", k3, {"Sine", "Saw", "Square"}},
    {kParamLfoOffset, "lfo_offset", kC, {}},
    {kParamSilenceInstr, "silence_instr", kC, {}},
    {kParamScramblerOffset, "scrambler_offset", kC, {}},
    {kParamScramblerReverse, "scrambler_reverse", kT, {}},
    {kParamRandBeatFType, "rand_beat_f_type", kC, {}},
    {kBypassParameter, "bypass", kT, {}},
};

const OutputPort kControlOutputs[kNumControlOutputs] = {
    {"cutoff", "Cutoff"},
    {"lamp_low_pass", "Low Pass Lamp"},
    {"lamp_band_pass", "Band Pass Lamp"},
    {"lamp_high_pass", "High Pass Lamp"},
};

int controlInputOfParameter(int32_t parameter) {
  for (int i = 0; i < kNumControlInputs; i++)
    if (kControlInputs[i].parameter == parameter) return i;
  return -1;
}

}  // namespace lv2
}  // namespace zarnith
