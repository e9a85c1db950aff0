// The editor's panel: every control, readout and lamp with its place, picture and
// parameter, in the order the window builds (and draws) them. Plain data, so the
// artwork generator can lay the lettering out around the same rectangles.
#pragma once

#include <cstdint>

namespace zarnith {

enum class ControlKind : uint8_t { kKnob, kSwitch, kOnOff, kKick, kDisplay, kLamp };

// What a readout or lamp stands for; operable controls are reached by their tag.
enum class ControlRole : uint8_t {
  kNone,
  kFreqDisplay,
  kLfoRateDisplay,
  kScrambleOffsetDisplay,
  kFilterLampLp,
  kFilterLampBp,
  kFilterLampHp,
  kSilenceLamp,
  kRandBeatLamp,
  kBypassLamp,
};

// Image resource numbers.
enum : int32_t {
  kImageBackground = 128,
  kImageKnob = 129,
  kImageSwitch = 130,
  kImageOnOff = 131,
  kImageButton = 10016,
  kImageBypassLamp = 10018,
  kImageLamp = 10019,
};

constexpr int32_t kPanelWidth = 428;
constexpr int32_t kPanelHeight = 405;
constexpr int32_t kLampTag = 111;  // indicators carry no parameter
constexpr int32_t kKnobFrames = 63;
constexpr int32_t kKnobFrameHeight = 48;
constexpr int32_t kSwitchPositions = 3;
constexpr int32_t kLampFrames = 31;

struct ControlPlace {
  ControlKind kind;
  int32_t left, top, right, bottom;  // window pixels, right and bottom exclusive
  int32_t image;                     // resource number, 0 for readouts
  int32_t tag;                       // parameter index, kLampTag for lamps, -1 for readouts
  ControlRole role;
};

constexpr int kControlCount = 34;
constexpr int kVolumeKnobPosition = 16;  // the knob mode is set once this one exists

extern const ControlPlace kLayout[kControlCount];

// Position in kLayout of the operable control with this tag, or -1.
int layoutIndexOfTag(int32_t tag);
// Position in kLayout of the readout or lamp with this role, or -1.
int layoutIndexOfRole(ControlRole role);

}  // namespace zarnith
