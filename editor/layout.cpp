#include "layout.h"

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
    {K, 35, 54, 84, 102, kImageKnob, 0, none},                // Freq
    {K, 100, 54, 149, 102, kImageKnob, 1, none},              // Q
    {B, 288, 135, 308, 155, kImageOnOff, 7, none},            // Sync on/off
    {S, 170, 47, 195, 124, kImageSwitch, 6, none},            // Filter Type: LP, BP, HP
    {S, 45, 144, 70, 221, kImageSwitch, 5, none},             // Mod Type: Man., LFO, Env
    {S, 250, 144, 275, 221, kImageSwitch, 8, none},           // LFO Rate Mult.: x 1, x 10, x 100
    {K, 295, 155, 344, 203, kImageKnob, 17, none},            // LFO Rate
    {K, 192, 155, 241, 203, kImageKnob, 16, none},            // LFO Depth
    {K, 45, 260, 94, 308, kImageKnob, 19, none},              // Env Depth
    {K, 295, 54, 344, 102, kImageKnob, 2, none},              // Sens
    {K, 355, 54, 404, 102, kImageKnob, 4, none},              // Bit Crusher
    {K, 145, 240, 194, 288, kImageKnob, 9, none},             // BEAT
    {B, 35, 240, 55, 260, kImageOnOff, 10, none},             // Env Reverse
    {B, 287, 267, 307, 284, kImageOnOff, 23, none},           // Scrambler Dry: 17 rows, not 20
    {B, 287, 237, 307, 257, kImageOnOff, 24, none},           // Scrambler Wet
    {K, 353, 240, 402, 288, kImageKnob, 25, none},            // Dry/Wet Mix
    {K, 325, 315, 374, 363, kImageKnob, 26, none},            // Volume
    {D, 35, 115, 84, 125, 0, -1, ControlRole::kFreqDisplay},  // cutoff in hertz
    {D, 295, 212, 344, 222, 0, -1, ControlRole::kLfoRateDisplay},
    {S, 360, 144, 385, 221, kImageSwitch, 28, none},  // LFO Type
    {K, 130, 155, 179, 203, kImageKnob, 29, none},    // LFO Offset
    {K, 145, 315, 194, 363, kImageKnob, 31, none},    // Scrambler Offset
    {K, 230, 315, 279, 363, kImageKnob, 30, none},    // Silence Instr
    {B, 200, 295, 220, 315, kImageOnOff, 32, none},   // Scrambler Reverse
    {D, 144, 370, 193, 380, 0, -1, ControlRole::kScrambleOffsetDisplay},
    {K, 228, 57, 277, 105, kImageKnob, 33, none},  // Rand Beat F Type
    {L, 190, 60, 200, 70, kImageLamp, kLampTag, ControlRole::kFilterLampLp},
    {L, 190, 87, 200, 97, kImageLamp, kLampTag, ControlRole::kFilterLampBp},
    {L, 190, 114, 200, 124, kImageLamp, kLampTag, ControlRole::kFilterLampHp},
    {P, 60, 320, 87, 377, kImageButton, 34, none},  // randomise every parameter
    {L, 280, 350, 290, 360, kImageLamp, kLampTag, ControlRole::kSilenceLamp},
    {L, 270, 115, 280, 125, kImageLamp, kLampTag, ControlRole::kRandBeatLamp},
    {B, 380, 320, 407, 377, kImageButton, 42, none},  // bypass
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
