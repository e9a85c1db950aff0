#include "lv2_transport.h"

#include <cmath>

#include "lv2/atom/util.h"
#include "lv2/time/time.h"

namespace zarnith {
namespace lv2 {

namespace {

// A number of any of the atom types hosts use for time fields.
bool readNumber(const LV2_Atom* atom, const TimeUrids& u, double* value) {
  if (!atom) return false;
  double v;
  if (atom->type == u.atomFloat && atom->size >= sizeof(float))
    v = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
  else if (atom->type == u.atomDouble && atom->size >= sizeof(double))
    v = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
  else if (atom->type == u.atomInt && atom->size >= sizeof(int32_t))
    v = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
  else if (atom->type == u.atomLong && atom->size >= sizeof(int64_t))
    v = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
  else
    return false;
  if (!std::isfinite(v)) return false;
  *value = v;
  return true;
}

}  // namespace

void TimeUrids::map(LV2_URID_Map* m) {
  atomFloat = m->map(m->handle, LV2_ATOM__Float);
  atomDouble = m->map(m->handle, LV2_ATOM__Double);
  atomInt = m->map(m->handle, LV2_ATOM__Int);
  atomLong = m->map(m->handle, LV2_ATOM__Long);
  position = m->map(m->handle, LV2_TIME__Position);
  bar = m->map(m->handle, LV2_TIME__bar);
  barBeat = m->map(m->handle, LV2_TIME__barBeat);
  beat = m->map(m->handle, LV2_TIME__beat);
  beatUnit = m->map(m->handle, LV2_TIME__beatUnit);
  beatsPerBar = m->map(m->handle, LV2_TIME__beatsPerBar);
  beatsPerMinute = m->map(m->handle, LV2_TIME__beatsPerMinute);
  frame = m->map(m->handle, LV2_TIME__frame);
  speed = m->map(m->handle, LV2_TIME__speed);
}

double Transport::quartersPerFrame() const {
  return speed * (beatsPerMinute / 60.0) * (4.0 / beatUnit) / sampleRate;
}

double Transport::currentQuarters() const {
  if (framesSinceAnchor == 0) return anchorQuarters;
  return anchorQuarters + static_cast<double>(framesSinceAnchor) * quartersPerFrame();
}

void Transport::update(const LV2_Atom_Object* object, const TimeUrids& u) {
  const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beat = nullptr, *unit = nullptr, *perBar = nullptr,
                 *bpm = nullptr, *frame = nullptr, *newSpeed = nullptr;
  lv2_atom_object_get(object, u.bar, &bar, u.barBeat, &barBeat, u.beat, &beat, u.beatUnit, &unit,
                      u.beatsPerBar, &perBar, u.beatsPerMinute, &bpm, u.frame, &frame, u.speed, &newSpeed, 0);
  // The position so far, in case this update moves only the tempo or the speed.
  const double carried = currentQuarters();
  const int64_t carriedFrame =
      anchorFrame + static_cast<int64_t>(static_cast<double>(framesSinceAnchor) * speed);
  double v;
  if (readNumber(unit, u, &v) && v >= 1.0 && v <= 256.0) beatUnit = v;
  if (readNumber(perBar, u, &v) && v > 0.0 && v < 65536.0) beatsPerBar = v;
  if (readNumber(bpm, u, &v) && v > 0.0 && v < 1.0e6) beatsPerMinute = v;
  if (readNumber(newSpeed, u, &v) && std::fabs(v) < 1.0e3) speed = v;
  anchorFrame = readNumber(frame, u, &v) && std::fabs(v) < 9.0e18 ? static_cast<int64_t>(v) : carriedFrame;

  // The song position in beats is exact (a double) where the bar and beat within
  // it come as a float; either gives quarter notes through the beat unit.
  double beats, barNumber, inBar;
  if (readNumber(beat, u, &beats)) {
    anchorQuarters = beats * (4.0 / beatUnit);
    havePosition = true;
  } else if (readNumber(bar, u, &barNumber) && readNumber(barBeat, u, &inBar) && beatsPerBar > 0.0) {
    anchorQuarters = (barNumber * beatsPerBar + inBar) * (4.0 / beatUnit);
    havePosition = true;
  } else {
    anchorQuarters = carried;
  }
  framesSinceAnchor = 0;
}

bool Transport::timeInfo(VstTimeInfo* info) const {
  if (!havePosition || !(beatsPerMinute > 0.0) || !(beatsPerBar >= 1.0)) return false;
  *info = VstTimeInfo{};
  info->sampleRate = sampleRate;
  info->samplePos = static_cast<double>(anchorFrame) + static_cast<double>(framesSinceAnchor) * speed;
  info->ppqPos = currentQuarters();
  info->tempo = beatsPerMinute * (4.0 / beatUnit);
  info->timeSigNumerator = static_cast<VstInt32>(beatsPerBar);
  info->timeSigDenominator = static_cast<VstInt32>(beatUnit);
  info->flags =
      kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid | (speed != 0.0 ? kVstTransportPlaying : 0);
  return true;
}

}  // namespace lv2
}  // namespace zarnith
