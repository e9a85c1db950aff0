// Stands in for the editor inside the LV2 plug-in: the effect tells its editor
// which filter-type lamp is lit (from the audio thread too), and this keeps that
// for the lamp output ports. The real editor runs in the UI, which may live in
// another process.
#pragma once

#include <atomic>

#include "lv2_ports.h"
#include "toolkit/aeffguieditor.h"

namespace zarnith {
namespace lv2 {

class LampRecorder : public AEffGUIEditor {
 public:
  // Becomes the effect's editor (the base constructor attaches it).
  explicit LampRecorder(AudioEffect* effect) : AEffGUIEditor(effect) {}

  bool getRect(ERect** rect) override {
    *rect = nullptr;
    return false;
  }
  bool open(void*) override { return false; }
  void setParameter(VstInt32 index, float value) override {
    const int lamp = index - kFirstFilterLamp;
    if (lamp >= 0 && lamp < kNumFilterLamps) lamps[lamp].store(value, std::memory_order_relaxed);
  }
  float lamp(int i) const { return lamps[i].load(std::memory_order_relaxed); }

 private:
  std::atomic<float> lamps[kNumFilterLamps] = {};
};

}  // namespace lv2
}  // namespace zarnith
