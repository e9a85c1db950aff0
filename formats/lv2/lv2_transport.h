// The host's musical time from time:Position objects, as the 2.4 time record the
// effect asks for once per block. Hosts send a position only when it changes, so
// between updates the position is carried forward by the frames processed.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"
#include "lv2/atom/atom.h"
#include "lv2/urid/urid.h"

namespace zarnith {
namespace lv2 {

struct TimeUrids {
  LV2_URID atomFloat, atomDouble, atomInt, atomLong;
  LV2_URID position, bar, barBeat, beat, beatUnit, beatsPerBar, beatsPerMinute, frame, speed;
  void map(LV2_URID_Map* map);
};

class Transport {
 public:
  explicit Transport(double sampleRate) : sampleRate(sampleRate) {}

  // Takes what a time:Position object says; fields it leaves out keep their values.
  void update(const LV2_Atom_Object* position, const TimeUrids& urids);
  // The time record for the current frame, or false while the host has not yet
  // told a tempo, a meter and a position (the effect then gets no time at all).
  bool timeInfo(VstTimeInfo* info) const;
  void advance(uint32_t frames) { framesSinceAnchor += frames; }

 private:
  double currentQuarters() const;
  double quartersPerFrame() const;

  double sampleRate;
  bool havePosition = false;
  double anchorQuarters = 0.0;  // position at the last update, in quarter notes
  int64_t anchorFrame = 0;
  int64_t framesSinceAnchor = 0;
  double beatsPerMinute = 0.0;  // in the host's beat unit
  double beatsPerBar = 0.0;
  double beatUnit = 4.0;
  double speed = 1.0;
};

}  // namespace lv2
}  // namespace zarnith
