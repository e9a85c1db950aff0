// The LV2 plug-in driven through lilv as a host drives it: run() allocates and
// locks nothing, and without musical time (no event port, or no position on it)
// it sounds as the 2.4 library does when its host gives no time.
#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "formats/lv2/lv2_ports.h"
#include "lv2/atom/forge.h"
#include "lv2/midi/midi.h"
#include "lv2/state/state.h"
#include "lv2/time/time.h"
#include "lv2/urid/urid.h"
#include "plugin_loader.h"

using realtime::allocations;
using realtime::counting;
using realtime::locks;

namespace {

using namespace zarnith::lv2;

constexpr uint32_t kBlock = 256;
constexpr double kRate = 44100.0;

class Lv2Run : public ::testing::Test {
 protected:
  void SetUp() override {
    mapFeature.data = &map;
    map.handle = this;
    map.map = [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
      auto& ids = static_cast<Lv2Run*>(h)->ids;
      auto found = ids.find(uri);
      if (found != ids.end()) return found->second;
      return ids[uri] = static_cast<LV2_URID>(ids.size() + 1);
    };
    world = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, (std::string(ZARNITH_LV2_BUNDLE) + "/").c_str());
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world, kPluginUri);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    ASSERT_NE(plugin, nullptr);
    for (int i = 0; i < kNumControlInputs; i++) {
      LilvNode* def = nullptr;
      lilv_port_get_range(plugin, lilv_plugin_get_port_by_index(plugin, controlInputPort(i)), &def, nullptr,
                          nullptr);
      controls[i] = def ? lilv_node_as_float(def) : 0.0f;
      lilv_node_free(def);
    }
    makeInput();
  }
  void TearDown() override {
    if (instance) {
      lilv_instance_deactivate(instance);
      lilv_instance_free(instance);
    }
    if (world) lilv_world_free(world);
  }
  void makeInput() {
    for (size_t i = 0; i < input[0].size(); i++) {
      input[0][i] = 0.5f * static_cast<float>(std::sin(i * 0.031)) + ((i / 700) % 2 ? 0.3f : -0.2f);
      input[1][i] = 0.4f * static_cast<float>(std::sin(i * 0.017 + 1.0));
    }
  }
  void instantiate(bool connectEvents) {
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    counting = true;
    instance = lilv_plugin_instantiate(plugin, kRate, features);
    counting = false;
    ASSERT_NE(instance, nullptr);
    instantiateAllocations = allocations;
    allocations = locks = 0;
    for (int i = 0; i < kNumControlInputs; i++)
      lilv_instance_connect_port(instance, controlInputPort(i), &controls[i]);
    for (int i = 0; i < kNumControlOutputs; i++)
      lilv_instance_connect_port(instance, controlOutputPort(i), &outputs[i]);
    if (connectEvents) lilv_instance_connect_port(instance, kEventsIn, events);
    lilv_instance_activate(instance);
  }
  // One block of the input at frame `at` into out; events forged by addEvents.
  template <typename AddEvents>
  void run(size_t at, uint32_t frames, std::vector<float>* out, AddEvents addEvents) {
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map);
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(events), sizeof(events));
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    addEvents(forge);
    lv2_atom_forge_pop(&forge, &sequence);
    float* in[2] = {&input[0][at], &input[1][at]};
    lilv_instance_connect_port(instance, kAudioInLeft, in[0]);
    lilv_instance_connect_port(instance, kAudioInRight, in[1]);
    lilv_instance_connect_port(instance, kAudioOutLeft, &out[0][at]);
    lilv_instance_connect_port(instance, kAudioOutRight, &out[1][at]);
    counting = true;
    lilv_instance_run(instance, frames);
    counting = false;
  }
  void position(LV2_Atom_Forge& forge, int64_t frame, double beat) {
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge, frame);
    lv2_atom_forge_object(&forge, &object, 0, map.map(this, LV2_TIME__Position));
    lv2_atom_forge_key(&forge, map.map(this, LV2_TIME__beat));
    lv2_atom_forge_double(&forge, beat);
    lv2_atom_forge_key(&forge, map.map(this, LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, 140.0f);
    lv2_atom_forge_key(&forge, map.map(this, LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge, 4.0f);
    lv2_atom_forge_pop(&forge, &object);
  }
  void note(LV2_Atom_Forge& forge, int64_t frame) {
    const uint8_t on[3] = {0x90, 60, 100};
    lv2_atom_forge_frame_time(&forge, frame);
    lv2_atom_forge_atom(&forge, 3, map.map(this, LV2_MIDI__MidiEvent));
    lv2_atom_forge_write(&forge, on, 3);
  }
  void setControl(int32_t parameter, float value) { controls[controlInputOfParameter(parameter)] = value; }

  LV2_URID_Map map{};
  LV2_Feature mapFeature{LV2_URID__map, nullptr};
  std::map<std::string, LV2_URID> ids;
  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  LilvInstance* instance = nullptr;
  long instantiateAllocations = 0;
  float controls[kNumControlInputs] = {};
  float outputs[kNumControlOutputs] = {};
  alignas(8) uint64_t events[4096] = {};
  std::vector<float> input[2] = {std::vector<float>(kBlock * 40), std::vector<float>(kBlock * 40)};
};

TEST_F(Lv2Run, RunAllocatesAndLocksNothing) {
  instantiate(true);
  EXPECT_GT(instantiateAllocations, 0) << "the counting hook does not see the plug-in's allocations";
  std::vector<float> out[2] = {std::vector<float>(input[0].size()), std::vector<float>(input[0].size())};
  setControl(zarnith::kParamRandBeatFType, 1.0f);  // random filter types light the lamps
  long totalAllocations = 0, totalLocks = 0;
  for (uint32_t b = 0; b < 40; b++) {
    if (b == 10) setControl(zarnith::kParamModType, 0.5f);
    if (b == 20) setControl(zarnith::kParamFilterType, 0.0f);
    if (b == 30) setControl(zarnith::kParamBypass, 1.0f);
    run(b * kBlock, kBlock, out, [&](LV2_Atom_Forge& forge) {
      if (b % 8 == 0) position(forge, 0, b * kBlock * (140.0 / 60.0) / kRate);
      if (b % 5 == 0) note(forge, 7);
      if (b == 3) position(forge, 100, 9.0);  // a jump inside the block splits it there
    });
    totalAllocations += allocations;
    totalLocks += locks;
    allocations = locks = 0;
  }
  EXPECT_EQ(totalAllocations, 0);
  EXPECT_EQ(totalLocks, 0);
  EXPECT_GE(outputs[0], 0.0f);
  EXPECT_EQ(outputs[1] + outputs[2] + outputs[3], 1.0f) << "exactly one filter-type lamp is lit";
}

// What the 2.4 library makes of the input when its host answers no time.
std::vector<float> libraryWithoutTime(const std::vector<float>* input, uint32_t blocks, float modType) {
  std::string error;
  std::unique_ptr<LoadedPlugin> vst = LoadedPlugin::load(ZARNITH_PLUGIN, &error);
  EXPECT_NE(vst, nullptr) << error;
  if (!vst) return {};
  vst->setProvidesTime(false);
  vst->setParameter(zarnith::kParamModType, modType);
  std::vector<float> out(2 * kBlock * blocks);
  for (uint32_t b = 0; b < blocks; b++) {
    std::vector<float> l(&input[0][b * kBlock], &input[0][b * kBlock] + kBlock);
    std::vector<float> r(&input[1][b * kBlock], &input[1][b * kBlock] + kBlock);
    float* in[2] = {l.data(), r.data()};
    float* o[2] = {&out[b * kBlock], &out[(blocks + b) * kBlock]};
    vst->processReplacing(in, o, kBlock);
  }
  return out;
}

TEST_F(Lv2Run, WithoutEventPortOrPositionItSoundsAsTheLibraryWithoutTime) {
  const uint32_t blocks = 30;
  const std::vector<float> reference = libraryWithoutTime(input, blocks, 0.5f);
  ASSERT_FALSE(reference.empty());
  double energy = 0.0;
  for (float s : reference) energy += static_cast<double>(s) * s;
  ASSERT_GT(energy, 1.0);
  for (bool connectEvents : {false, true}) {
    SCOPED_TRACE(connectEvents ? "notes but no position" : "no event port");
    instantiate(connectEvents);
    setControl(zarnith::kParamModType, 0.5f);
    std::vector<float> out[2] = {std::vector<float>(input[0].size()), std::vector<float>(input[0].size())};
    for (uint32_t b = 0; b < blocks; b++)
      run(b * kBlock, kBlock, out, [&](LV2_Atom_Forge& forge) { note(forge, 3); });
    size_t differing = 0;
    for (uint32_t i = 0; i < blocks * kBlock; i++) {
      differing += std::memcmp(&out[0][i], &reference[i], sizeof(float)) != 0;
      differing += std::memcmp(&out[1][i], &reference[blocks * kBlock + i], sizeof(float)) != 0;
    }
    EXPECT_EQ(differing, 0u);
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    instance = nullptr;
  }
}

// The state carries no bypass (restoring it switches the effect's bypass off), so
// after a restore the bypass port still rules.
TEST_F(Lv2Run, BypassPortHoldsAcrossAStateRestore) {
  instantiate(false);
  auto* state = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  ASSERT_NE(state, nullptr);
  std::vector<float> out[2] = {std::vector<float>(input[0].size()), std::vector<float>(input[0].size())};
  auto noEvents = [](LV2_Atom_Forge&) {};
  run(0, kBlock, out, noEvents);
  std::vector<uint8_t> saved;
  uint32_t savedType = 0;
  auto store = [](LV2_State_Handle h, uint32_t, const void* value, size_t size, uint32_t type, uint32_t) {
    auto* self = static_cast<std::pair<std::vector<uint8_t>*, uint32_t*>*>(h);
    self->first->assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
    *self->second = type;
    return LV2_STATE_SUCCESS;
  };
  std::pair<std::vector<uint8_t>*, uint32_t*> sink{&saved, &savedType};
  ASSERT_EQ(state->save(lilv_instance_get_handle(instance), store, &sink, LV2_STATE_IS_POD, nullptr),
            LV2_STATE_SUCCESS);
  ASSERT_EQ(saved.size(), 140u);

  setControl(zarnith::kParamBypass, 1.0f);
  run(kBlock, kBlock, out, noEvents);
  auto retrieve = [](LV2_State_Handle h, uint32_t, size_t* size, uint32_t* type,
                     uint32_t* flags) -> const void* {
    auto* self = static_cast<std::pair<std::vector<uint8_t>*, uint32_t*>*>(h);
    *size = self->first->size();
    *type = *self->second;
    *flags = LV2_STATE_IS_POD;
    return self->first->data();
  };
  ASSERT_EQ(state->restore(lilv_instance_get_handle(instance), retrieve, &sink, 0, nullptr),
            LV2_STATE_SUCCESS);
  run(2 * kBlock, kBlock, out, noEvents);
  for (uint32_t i = kBlock; i < 3 * kBlock; i++) {
    ASSERT_EQ(out[0][i], input[0][i]) << "frame " << i << ": the bypass let the effect run";
    ASSERT_EQ(out[1][i], input[1][i]) << "frame " << i;
  }
  // A chunk of the wrong type is refused.
  savedType = 12345;
  EXPECT_NE(state->restore(lilv_instance_get_handle(instance), retrieve, &sink, 0, nullptr),
            LV2_STATE_SUCCESS);
}

}  // namespace
