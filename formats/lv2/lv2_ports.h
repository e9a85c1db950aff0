// The LV2 face of the effect: its URIs and which port carries which parameter.
// Shared by the plug-in, its UI, the generator of its Turtle files and the tests,
// so that port numbers are written down once.
#pragma once

#include <cstdint>

#include "engine/parameter_ids.h"

namespace zarnith {
namespace lv2 {

constexpr const char* kPluginUri = "https://kovrane-audio.com/plugins/zarnith";
constexpr const char* kUiUri = "https://kovrane-audio.com/plugins/zarnith#ui";
constexpr const char* kPresetUriPrefix = "https://kovrane-audio.com/plugins/zarnith#preset";
// The key of the saved chunk in the host's state store.
constexpr const char* kChunkKeyUri = "https://kovrane-audio.com/plugins/zarnith#chunk";

constexpr const char* kDspBinary = "zarnith_dsp.so";
constexpr const char* kUiBinary = "zarnith_ui.so";

enum FixedPort : uint32_t {
  kAudioInLeft = 0,
  kAudioInRight = 1,
  kAudioOutLeft = 2,
  kAudioOutRight = 3,
  kEventsIn = 4,
  kFirstControlPort = 5,
};

// How a host should present a control: as a slider, an on/off switch (the
// effect reads exactly 0 or 1), or three positions (the effect reads two
// thresholds, and 0, 0.5 and 1 lie in its three ranges).
enum class ControlKind { kContinuous, kToggle, kThreeWay };

struct ControlPort {
  int32_t parameter;  // the effect's parameter index
  const char* symbol;
  ControlKind kind;
  const char* positionNames[3];  // for kThreeWay: the names of 0, 0.5 and 1
};

// The parameters the host controls: every named one, and the editor's bypass
// button, which holds the processing (it has no name of its own).
constexpr int32_t kBypassParameter = kParamBypass;
constexpr int kNumControlInputs = 24;
extern const ControlPort kControlInputs[kNumControlInputs];

// Values the effect reports back: the smoothed cutoff and the three filter-type lamps.
constexpr int32_t kCutoffParameter = kParamCutoffReadout;
constexpr int32_t kFirstFilterLamp = kParamLampLowPass;
constexpr int kNumFilterLamps = 3;
struct OutputPort {
  const char* symbol;
  const char* name;
};
constexpr int kNumControlOutputs = 1 + kNumFilterLamps;
extern const OutputPort kControlOutputs[kNumControlOutputs];  // cutoff, then the lamps

constexpr uint32_t controlInputPort(int i) {
  return kFirstControlPort + static_cast<uint32_t>(i);
}
constexpr uint32_t controlOutputPort(int i) {
  return kFirstControlPort + kNumControlInputs + static_cast<uint32_t>(i);
}
constexpr uint32_t kNumPorts = kFirstControlPort + kNumControlInputs + kNumControlOutputs;

// The control input of a parameter, or -1 when no port carries it.
int controlInputOfParameter(int32_t parameter);

}  // namespace lv2
}  // namespace zarnith
