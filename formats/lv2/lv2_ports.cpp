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
    {0, "freq", kC, {}},
    {1, "q", kC, {}},
    {2, "sens", kC, {}},
    {4, "bit_crusher", kC, {}},
    {5, "mod_type", k3, {"Manual", "LFO", "Envelope"}},
    {6, "filter_type", k3, {"Low Pass", "Band Pass", "High Pass"}},
    {7, "sync", kT, {}},
    {8, "lfo_rate_mult", k3, {"x 1", "x 10", "x 100"}},
    {9, "beat", kC, {}},
    {10, "env_reverse", kT, {}},
    {16, "lfo_depth", kC, {}},
    {17, "lfo_rate", kC, {}},
    {19, "env_depth", kC, {}},
    {23, "scrambler_dry", kT, {}},
    {24, "scrambler_wet", kT, {}},
    {25, "dry_wet_mix", kC, {}},
    {26, "volume", kC, {}},
    {28, "lfo_type", k3, {"Sine", "Saw", "Square"}},
    {29, "lfo_offset", kC, {}},
    {30, "silence_instr", kC, {}},
    {31, "scrambler_offset", kC, {}},
    {32, "scrambler_reverse", kT, {}},
    {33, "rand_beat_f_type", kC, {}},
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
