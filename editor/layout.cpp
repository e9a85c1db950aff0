#include "layout.h"

#include "engine/parameter_ids.h"

namespace zarnith {

namespace {
constexpr ControlKind K = ControlKind::kKnob;
constexpr ControlKind S = ControlKind::kSwitch;
constexpr ControlKind B = ControlKind::kOnOff;
constexpr ControlKind P = ControlKind::kKick;
constexpr ControlKind D = ControlKind::kDisplay;
constexpr ControlKind L = ControlKind::kLamp;
constexpr ControlRole none = ControlRole::kNone;
}  // namespace

const ControlPlace kLayout[kControlCount] = {
    {K, 35, 54, 84, 102, kImageKnob, kParamFreq, none},
    {K, 100, 54, 149, 102, kImageKnob, kParamQ, none},
    {B, 288, 135, 308, 155, kImageOnOff, kParamSyncOn, none},
    {S, 170, 47, 195, 124, kImageSwitch, kParamFilterType, none},    // Filter Type: LP, BP, HP
    {S, 45, 144, 70, 221, kImageSwitch, kParamModType, none},        // Mod Type: Man., LFO, Env
    {S, 250, 144, 275, 221, kImageSwitch, kParamLfoRateMult, none},  // LFO Rate Mult.: x 1, x 10, x 100
    {K, 295, 155, 344, 203, kImageKnob, kParamLfoRate, none},
    {K, 192, 155, 241, 203, kImageKnob, kParamLfoDepth, none},
    {K, 45, 260, 94, 308, kImageKnob, kParamEnvDepth, none},
    {K, 295, 54, 344, 102, kImageKnob, kParamSens, none},
    {K, 355, 54, 404, 102, kImageKnob, kParamBitCrusher, none},
    {K, 145, 240, 194, 288, kImageKnob, kParamBeat, none},
    {B, 35, 240, 55, 260, kImageOnOff, kParamEnvReverse, none},
    {B, 287, 267, 307, 284, kImageOnOff, kParamScramblerDry, none},  // Scrambler Dry: 17 rows, not 20
    {B, 287, 237, 307, 257, kImageOnOff, kParamScramblerWet, none},
    {K, 353, 240, 402, 288, kImageKnob, kParamDryWetMix, none},
    {K, 325, 315, 374, 363, kImageKnob, kParamVolume, none},
    {D, 35, 115, 84, 125, 0, -1, ControlRole::kFreqDisplay},  // cutoff in hertz
    {D, 295, 212, 344, 222, 0, -1, ControlRole::kLfoRateDisplay},
    {S, 360, 144, 385, 221, kImageSwitch, kParamLfoType, none},
    {K, 130, 155, 179, 203, kImageKnob, kParamLfoOffset, none},
    {K, 145, 315, 194, 363, kImageKnob, kParamScramblerOffset, none},
    {K, 230, 315, 279, 363, kImageKnob, kParamSilenceInstr, none},
    {B, 200, 295, 220, 315, kImageOnOff, kParamScramblerReverse, none},
    {D, 144, 370, 193, 380, 0, -1, ControlRole::kScrambleOffsetDisplay},
    {K, 228, 57, 277, 105, kImageKnob, kParamRandBeatFType, none},
    {L, 190, 60, 200, 70, kImageLamp, kLampTag, ControlRole::kFilterLampLp},
    {L, 190, 87, 200, 97, kImageLamp, kLampTag, ControlRole::kFilterLampBp},
    {L, 190, 114, 200, 124, kImageLamp, kLampTag, ControlRole::kFilterLampHp},
    {P, 60, 320, 87, 377, kImageButton, kParamRandomise, none},
    {L, 280, 350, 290, 360, kImageLamp, kLampTag, ControlRole::kSilenceLamp},
    {L, 270, 115, 280, 125, kImageLamp, kLampTag, ControlRole::kRandBeatLamp},
    {B, 380, 320, 407, 377, kImageButton, kParamBypass, none},
    {L, 381, 310, 404, 333, kImageBypassLamp, kLampTag, ControlRole::kBypassLamp},
};

int layoutIndexOfTag(int32_t tag) {
  if (tag == kLampTag || tag < 0) return -1;
  for (int i = 0; i < kControlCount; ++i)
    if (kLayout[i].tag == tag) return i;
  return -1;
}

int layoutIndexOfRole(ControlRole role) {
  if (role == ControlRole::kNone) return -1;
  for (int i = 0; i < kControlCount; ++i)
    if (kLayout[i].role == role) return i;
  return -1;
}

}  // namespace zarnith
