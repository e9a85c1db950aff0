// The parameter map: every index the host sees, by name, and one table that
// says for each what it is called, its unit label, the program slot that keeps
// it, whether the saved state carries it, and where a program change applies it.
// The engine, the editor, the factory bank and the tests read it from here.
#pragma once

#include <cstdint>

#include "engine/dsp/conversions.h"

namespace zarnith {

enum ParameterId : int32_t {
  kParamFreq = 0,
  kParamQ = 1,
  kParamSens = 2,
  kParamFreqAlias = 3,  // sets Freq, unnamed
  kParamBitCrusher = 4,
  kParamModType = 5,
  kParamFilterType = 6,
  kParamSyncOn = 7,
  kParamLfoRateMult = 8,
  kParamBeat = 9,
  kParamEnvReverse = 10,
  kParamEnvTimeA = 11,  // rise time of the envelope, also set by Sens
  kParamEnvTimeB = 12,  // fall time of the envelope, also set by Sens
  kParamOutLevel = 13,
  kParamNoteActivity = 14,  // read-only: lowered on every read after a note-on
  kParamSpareLevel = 15,
  kParamLfoDepth = 16,
  kParamLfoRate = 17,
  kParamCutoffReadout = 18,  // read-only: the smoothed cutoff
  kParamEnvDepth = 19,
  kParamUnused20 = 20,
  kParamUnused21 = 21,
  kParamUnused22 = 22,
  kParamScramblerDry = 23,
  kParamScramblerWet = 24,
  kParamDryWetMix = 25,
  kParamVolume = 26,
  kParamUnused27 = 27,
  kParamLfoType = 28,
  kParamLfoOffset = 29,
  kParamSilenceInstr = 30,
  kParamScramblerOffset = 31,
  kParamScramblerReverse = 32,
  kParamRandBeatFType = 33,
  kParamRandomise = 34,    // an action: randomises the current program
  kParamLampLowPass = 35,  // the three filter-type lamps of the editor
  kParamLampBandPass = 36,
  kParamLampHighPass = 37,
  kParamUnused38 = 38,
  kParamUnused39 = 39,
  kParamUnused40 = 40,
  kParamBypassHold = 41,  // sets the bypass, reads as 0
  kParamBypass = 42,      // the editor's bypass button
  kParamCount = 43,
};

constexpr int kProgramSlotCount = 28;
// Parameters a program change applies.
constexpr int kProgramLoadCount = 24;

struct ParameterInfo {
  const char* name;    // null: the name request leaves the host's text as it is
  const char* label;   // null: likewise for the label request
  int8_t programSlot;  // -1: not part of a program
  bool savedInChunk;   // the saved state carries the program slot
  int8_t loadOrder;    // position in a program change, -1 when not applied
};

// clang-format off
constexpr ParameterInfo kParameterTable[kParamCount] = {
    {"Freq",              "Hz",     6,  true,  0},
    {"Q",                 "factor", 10, true,  1},
    {"Sens",              nullptr,  13, true,  5},
    {nullptr,             nullptr,  6,  true,  -1},  // Freq alias
    {"Bit Crusher",       nullptr,  7,  true,  9},
    {"Mod Type",          nullptr,  15, true,  4},
    {"Filter Type",       "",       12, true,  3},
    {"Sync on/off",       nullptr,  14, true,  11},
    {"LFO Rate Mult.",    nullptr,  8,  true,  10},
    {"BEAT",              nullptr,  16, true,  15},
    {"Env Reverse",       nullptr,  20, true,  16},
    {nullptr,             nullptr,  -1, false, -1},  // envelope rise time
    {nullptr,             nullptr,  -1, false, -1},  // envelope fall time
    {nullptr,             "dB",     11, false, 2},   // output level
    {nullptr,             nullptr,  -1, false, -1},  // note activity
    {nullptr,             nullptr,  -1, false, -1},  // spare level
    {"LFO Depth",         nullptr,  0,  true,  6},
    {"LFO Rate",          nullptr,  1,  true,  7},
    {nullptr,             nullptr,  -1, false, -1},  // cutoff readout
    {"Env Depth",         nullptr,  2,  true,  8},
    {nullptr,             nullptr,  -1, false, -1},
    {nullptr,             nullptr,  -1, false, -1},
    {nullptr,             nullptr,  -1, false, -1},
    {"Scrambler Dry",     nullptr,  17, true,  12},
    {"Scrambler Wet",     nullptr,  18, true,  13},
    {"Dry/Wet Mix",       nullptr,  19, true,  14},
    {"Volume",            nullptr,  21, true,  17},
    {nullptr,             nullptr,  -1, false, -1},
    {"LFO Type",          nullptr,  27, true,  23},
    {"LFO Offset",        nullptr,  22, true,  18},
    {"Silence Instr",     nullptr,  24, true,  21},
    {"Scrambler Offset",  nullptr,  25, true,  20},
    {"Scrambler Reverse", nullptr,  23, true,  19},
    {"Rand Beat F Type",  nullptr,  26, true,  22},
    {nullptr,             nullptr,  -1, false, -1},  // randomise
    {nullptr,             nullptr,  -1, false, -1},  // low-pass lamp
    {nullptr,             nullptr,  -1, false, -1},  // band-pass lamp
    {nullptr,             nullptr,  -1, false, -1},  // high-pass lamp
    {nullptr,             nullptr,  -1, false, -1},
    {nullptr,             nullptr,  -1, false, -1},
    {nullptr,             nullptr,  -1, false, -1},
    {nullptr,             nullptr,  -1, false, -1},  // bypass (hold)
    {nullptr,             nullptr,  -1, false, -1},  // bypass
};
// clang-format on

// The filter-type lamp (0 low-pass, 1 band-pass, 2 high-pass, the offsets from
// kParamLampLowPass) that a Filter Type value lights: trunc(value x 2.9), and
// the nearest lamp for values outside 0..1.
inline int filterTypeLamp(float value) {
  const int32_t k = truncToInt32(static_cast<double>(value) * 2.9);
  return k < 0 ? 0 : k > 2 ? 2 : k;
}

constexpr bool isParameterIndex(int32_t index) {
  return index >= 0 && index < kParamCount;
}

constexpr int programSlotOf(ParameterId id) {
  return kParameterTable[id].programSlot;
}

// Whether the saved state carries a program slot: the slot of a saved parameter.
constexpr bool slotSavedInChunk(int slot) {
  for (const ParameterInfo& info : kParameterTable)
    if (info.programSlot == slot && info.savedInChunk) return true;
  return false;
}

// The parameter a program change applies at this position of its order.
constexpr ParameterId parameterLoadedAt(int position) {
  for (int32_t index = 0; index < kParamCount; index++)
    if (kParameterTable[index].loadOrder == position) return static_cast<ParameterId>(index);
  return kParamCount;
}

// Program slots of the named parameters in ascending order (the factory bank's
// columns): the slot of each named parameter, once.
constexpr bool slotOfNamedParameter(int slot) {
  for (const ParameterInfo& info : kParameterTable)
    if (info.name && info.programSlot == slot) return true;
  return false;
}

}  // namespace zarnith
