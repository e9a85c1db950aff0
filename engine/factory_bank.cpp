// The factory bank: the 32 programs the effect starts with.
#include <cstring>
#include <initializer_list>

#include "myvst.h"

namespace {

// Marks a slot the factory row leaves at its record default.
const float kUnset = -1.0f;

// The bank's columns: the program slots of the named parameters, ascending.
constexpr int countFactorySlots() {
  int count = 0;
  for (int slot = 0; slot < zarnith::kProgramSlotCount; slot++)
    if (zarnith::slotOfNamedParameter(slot)) count++;
  return count;
}
constexpr int kNumFactorySlots = countFactorySlots();

struct FactorySlots {
  int slot[kNumFactorySlots];
};
constexpr FactorySlots factorySlots() {
  FactorySlots slots{};
  int column = 0;
  for (int slot = 0; slot < zarnith::kProgramSlotCount; slot++)
    if (zarnith::slotOfNamedParameter(slot)) slots.slot[column++] = slot;
  return slots;
}
constexpr FactorySlots kFactorySlots = factorySlots();
static_assert(kNumFactorySlots == 23, "one column per named parameter");

struct FactoryProgram {
  const char* name;
  float values[kNumFactorySlots];  // in the order of kFactorySlots
};

// clang-format off
const FactoryProgram kFactoryBank[MyVst::kNumPrograms] = {
    {"Scr1(V1.02)",
     {1.0f, 0.125f, 1.0f, 0.48f, 0.24f, 0.0f, 0.285f, 0.5f, 0.055f, 0.0f, 1.0f, 0.61f, 0.0f, 1.0f, 0.375f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Funky(V1.02)",
     {1.0f, 0.125f, 1.0f, 0.095f, 0.68f, 0.0f, 0.635f, 1.0f, 0.055f, 0.0f, 0.5f, 0.7f, 0.0f, 1.0f, 0.35f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Scram(V1.02)",
     {1.0f, 0.125f, 1.0f, 0.08f, 0.71f, 0.0f, 0.765f, 0.5f, 0.055f, 0.0f, 0.5f, 0.7f, 1.0f, 0.0f, 0.66f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Onyx(V1.02)",
     {0.405f, 0.125f, 1.0f, 0.48f, 0.24f, 0.0f, 0.285f, 0.5f, 0.055f, 1.0f, 0.5f, 0.61f, 0.0f, 0.0f, 0.375f, kUnset, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"LFOla(V1.02)",
     {1.0f, 0.695f, 1.0f, 0.14f, 0.215f, 0.0f, 0.525f, 0.0f, 0.055f, 0.0f, 0.0f, 0.67f, 1.0f, 0.0f, 0.405f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Woaww(V1.02)",
     {0.5f, 0.515f, 0.94f, 0.515f, 1.0f, 0.0f, 0.515f, 0.0f, 0.045f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Pelto(V1.02)",
     {0.5f, 0.515f, 0.94f, 0.52f, 0.925f, 0.0f, 0.545f, 0.5f, 0.14f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"viril(V1.02)",
     {1.0f, 1.0f, 1.0f, 0.4f, 1.0f, 0.5f, 0.3f, 1.0f, 0.03f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Bloody(V1.02)",
     {1.0f, 1.0f, 1.0f, 0.7f, 1.0f, 0.5f, 0.3f, 1.0f, 0.0f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Crush(V1.02)",
     {1.0f, 1.0f, 1.0f, 0.54f, 0.11f, 0.5f, 0.325f, 0.0f, 0.23f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Drastic(V1.02)",
     {1.0f, 1.0f, 1.0f, 0.4f, 0.08f, 0.5f, 0.395f, 0.5f, 0.22f, 0.0f, 0.5f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.1f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Stnth(V1.02)",
     {1.0f, 1.0f, 1.0f, 0.55f, 0.97f, 0.5f, 0.63f, 0.5f, 0.625f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Junglize(V1.02)",
     {0.135f, 1.0f, 0.0f, 0.4f, 0.16f, 0.0f, 0.87f, 0.0f, 0.15f, 0.0f, 0.5f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Distorted(V1.02)",
     {1.0f, 1.0f, 1.0f, 0.065f, 0.1f, 0.5f, 0.25f, 0.5f, 0.28f, 0.0f, 0.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"LFOCrush(V1.02)",
     {0.17f, 0.775f, 0.705f, 0.17f, 0.1f, 0.0f, 0.295f, 0.0f, 0.045f, 0.0f, 0.5f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"ChaosReverse(V1.02)",
     {0.886719f, 0.558594f, 0.832031f, 0.433594f, 0.398438f, 0.230469f, 0.425781f, 0.333333f, 0.00390625f, 0.0f, 0.816406f, 0.574219f, 1.0f, 0.0f, 0.65625f, 0.0f, 0.5f, 0.234375f, 1.0f, 0.0f, 0.28125f, 0.308594f, 0.230469f}},
    {"Repeater(V2.0)",
     {1.0f, 0.62f, 1.0f, 0.72f, 0.755f, 0.0f, 0.105f, 1.0f, 0.055f, 0.0f, 1.0f, 0.566667f, 0.0f, 1.0f, 0.36f, kUnset, 1.0f, 0.0f, 0.0f, 0.0f, 0.53125f, 0.0f, 0.0f}},
    {"Jazzy(V2.0)",
     {0.199219f, 0.488281f, 0.105469f, 0.988281f, 0.503906f, 0.59375f, 0.75f, 0.0f, 0.0351563f, 1.0f, 0.753906f, 0.613333f, 1.0f, 0.0f, 0.17f, kUnset, 1.0f, 0.554688f, 0.0f, 0.0f, 0.9375f, 0.5f, 0.0976563f}},
    {"RAve(V2.0)",
     {0.494219f, 0.3025f, 0.590469f, 0.433281f, 1.0f, 0.59375f, 0.75f, 0.0f, 0.0351563f, 1.0f, 0.0f, 0.755f, 0.0f, 1.0f, 0.29f, kUnset, 1.0f, 0.554688f, 1.0f, 0.0f, 0.46875f, 0.5f, 0.5f}},
    {"Redrum(V2.0)",
     {0.566406f, 0.386719f, 0.246094f, 0.65625f, 1.0f, 0.882813f, 0.722656f, 0.666667f, 0.449219f, 1.0f, 0.402344f, 0.828125f, 1.0f, 0.0f, 0.346719f, kUnset, 1.0f, 0.953125f, 1.0f, 0.0f, 0.8125f, 0.375f, 0.796875f}},
    {"MiniMaximize(V2.0)",
     {0.351563f, 0.421875f, 0.386719f, 0.441406f, 0.304688f, 0.691406f, 0.410156f, 0.0f, 0.0742188f, 1.0f, 0.902344f, 0.921875f, 1.0f, 0.0f, 0.423281f, kUnset, 1.0f, 0.257813f, 0.0f, 0.0f, 0.5f, 0.0116667f, 0.226563f}},
    {"Orient(V2.0)",
     {1.0f, 0.757813f, 0.703125f, 0.196563f, 0.742188f, 0.0f, 0.162812f, 0.0f, 0.757813f, 1.0f, 0.5f, 0.8f, 0.0f, 1.0f, 0.326875f, kUnset, 0.5f, 0.976563f, 1.0f, 0.0f, 0.53125f, 0.451667f, 0.0f}},
    {"Drops(V2.0)",
     {1.0f, 0.757813f, 0.528125f, 0.535f, 0.742188f, 0.0f, 0.162812f, 0.333333f, 0.757813f, 1.0f, 1.0f, 0.301667f, 0.0f, 1.0f, 0.326875f, kUnset, 1.0f, 0.976563f, 0.0f, 0.0f, 0.59375f, 0.451667f, 0.0f}},
    {"Reso(V2.0)",
     {0.640625f, 0.535156f, 0.5f, 0.195313f, 0.496094f, 0.679688f, 0.871094f, 0.333333f, 0.800781f, 0.0f, 0.0976563f, 0.453125f, 0.0f, 1.0f, 0.498125f, kUnset, 1.0f, 0.203125f, 0.0f, 0.0f, 0.21875f, 0.980469f, 0.789063f}},
    {"Session(V2.0)",
     {0.640625f, 0.350156f, 0.5f, 0.185313f, 1.0f, 0.0f, 0.0f, 0.5f, 0.800781f, 0.0f, 0.0976563f, 0.648333f, 0.0f, 1.0f, 0.0f, kUnset, 1.0f, 0.203125f, 0.0f, 0.0f, 0.21875f, 0.0f, 0.5f}},
    {"A la Chorus(V2.0)",
     {1.0f, 0.0671875f, 0.167969f, 0.465f, 0.894531f, 0.0f, 0.0f, 0.0f, 0.117188f, 0.0f, 0.5f, 0.195f, 0.0f, 1.0f, 0.455f, kUnset, 0.94f, 0.882813f, 0.0f, 0.0f, 0.46875f, 0.0f, 0.0f}},
    {"A la Echo(V2.0)",
     {1.0f, 0.0671875f, 0.167969f, 0.355f, 0.894531f, 0.0f, 0.645f, 0.0f, 0.117188f, 0.0f, 0.5f, 0.195f, 0.0f, 1.0f, 0.375f, kUnset, 0.94f, 0.882813f, 0.0f, 0.0f, 0.21875f, 0.0f, 0.0f}},
    {"N-oying(V2.0)",
     {0.324219f, 0.78125f, 0.792969f, 0.661563f, 0.0195313f, 0.292969f, 0.339844f, 0.666667f, 0.199219f, 0.0f, 0.3125f, 0.390625f, 0.0f, 0.0f, 0.65625f, kUnset, 0.36f, 0.660156f, 1.0f, 0.0f, 0.15625f, 0.550781f, 0.773438f}},
    {"Whistle(V2.0)",
     {0.425781f, 0.683594f, 0.15625f, 0.602656f, 0.210938f, 0.976563f, 0.917969f, 0.578125f, 0.175781f, 1.0f, 0.933594f, 0.320313f, 0.0f, 0.0f, 0.226563f, kUnset, 0.36f, 0.0898438f, 0.0f, 0.0f, 0.1875f, 0.0390625f, 0.0859375f}},
    {"Wind Rhytmic(V2.0)",
     {0.425781f, 0.683594f, 0.15625f, 0.517656f, 0.210938f, 0.976563f, 0.917969f, 0.578125f, 0.175781f, 1.0f, 0.933594f, 0.320313f, 0.0f, 0.0f, 0.226563f, kUnset, 0.36f, 0.0898438f, 0.0f, 0.0f, 0.1875f, 0.0390625f, 0.0859375f}},
    {"LFO Rhytmes Sync(V2.0)",
     {0.726563f, 1.0f, 0.351563f, 0.144531f, 0.0f, 0.5f, 0.679688f, 0.0f, 0.0585938f, 1.0f, 0.5f, 0.433594f, 0.0f, 0.0f, 0.25f, kUnset, 0.36f, 0.644531f, 0.0f, 0.0f, 0.875f, 0.00666668f, 0.394531f}},
    {"LFO Rhytmes(V2.0)",
     {0.726563f, 1.0f, 0.351563f, 0.144531f, 0.0f, 0.5f, 0.679688f, 0.0f, 0.0585938f, 0.0f, 0.5f, 0.433594f, 0.0f, 0.0f, 0.0f, kUnset, 0.36f, 0.644531f, 0.0f, 0.0f, 0.875f, 0.00666668f, 0.394531f}},
};
// clang-format on

}  // namespace

void MyVst::setRecordDefaults(ProgramRecord& record) {
  using namespace zarnith;
  // Slots without a default of their own start at 0.0.
  for (ProgramSlot& value : record.values) value = 0.0f;
  for (ParameterId p : {kParamLfoDepth, kParamLfoRate, kParamEnvDepth, kParamBitCrusher, kParamFilterType,
                        kParamSens, kParamModType})
    record.values[programSlotOf(p)] = 1.0f;
  // The two spare slots between Env Depth and Freq, kept by no parameter.
  record.values[3] = 0.02f;
  record.values[4] = 0.02f;
  record.values[programSlotOf(kParamFreq)] = 0.4f;
  record.values[programSlotOf(kParamLfoRateMult)] = 0.5f;
  record.values[programSlotOf(kParamQ)] = 0.4f;
  record.values[programSlotOf(kParamBeat)] = 0.6f;
  record.values[programSlotOf(kParamVolume)] = 0.5f;
  record.values[programSlotOf(kParamScramblerOffset)] = 0.5f;
  std::memset(record.name, 0, sizeof(record.name));
  std::strcpy(record.name, "KovPres");
}

void MyVst::buildFactoryBank() {
  if (!programs) return;
  for (VstInt32 p = 0; p < kNumPrograms; p++) {
    ProgramRecord& record = programs[p];
    const FactoryProgram& factory = kFactoryBank[p];
    for (int i = 0; i < kNumFactorySlots; i++) {
      if (factory.values[i] != kUnset) record.values[kFactorySlots.slot[i]] = factory.values[i];
    }
    std::memset(record.name, 0, sizeof(record.name));
    std::strncpy(record.name, factory.name, sizeof(record.name) - 1);
  }
}
