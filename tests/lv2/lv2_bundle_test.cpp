// The LV2 bundle as hosts see it, against the 2.4 library it wraps: every named
// parameter behind one port with the factory defaults, the 32 programs as presets
// with the same values, the state as the same chunk, and the musical time the
// plug-in builds from time:Position.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "formats/lv2/lv2_ports.h"
#include "formats/lv2/lv2_transport.h"
#include "lv2/atom/forge.h"
#include "lv2/time/time.h"
#include "plugin_loader.h"

namespace {

std::unique_ptr<LoadedPlugin> load(const std::string& path) {
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(path, &error);
  EXPECT_NE(plugin, nullptr) << error;
  return plugin;
}

// Parameter name to index.
std::map<std::string, VstInt32> namesOf(LoadedPlugin& plugin) {
  std::map<std::string, VstInt32> names;
  for (VstInt32 i = 0; i < plugin.effect()->numParams; i++) {
    const std::string name = plugin.text(effGetParamName, i);
    if (!name.empty()) names[name] = i;
  }
  return names;
}

class Lv2Bundle : public ::testing::Test {
 protected:
  void SetUp() override {
    vst = load(ZARNITH_PLUGIN);
    lv2 = load(ZARNITH_LV2_BUNDLE);
    ASSERT_TRUE(vst && lv2);
    vstNames = namesOf(*vst);
    lv2Names = namesOf(*lv2);
  }
  // The 2.4 index behind an LV2 parameter: by name, and the bypass button's 42.
  VstInt32 vstIndex(const std::string& lv2Name) {
    if (lv2Name == "Bypass") return zarnith::lv2::kBypassParameter;
    auto found = vstNames.find(lv2Name);
    return found == vstNames.end() ? -1 : found->second;
  }
  void expectSameValues(const std::string& where) {
    for (const auto& named : lv2Names) {
      SCOPED_TRACE(where + ": " + named.first);
      EXPECT_EQ(lv2->getParameter(named.second), vst->getParameter(vstIndex(named.first)));
    }
  }

  std::unique_ptr<LoadedPlugin> vst, lv2;
  std::map<std::string, VstInt32> vstNames, lv2Names;
};

TEST_F(Lv2Bundle, EveryNamedParameterHasOnePortWithProgramZeroAsDefault) {
  EXPECT_EQ(lv2->effect()->numInputs, 2);
  EXPECT_EQ(lv2->effect()->numOutputs, 2);
  // 23 named parameters and the bypass, each exactly once.
  EXPECT_EQ(vstNames.size(), 23u);
  EXPECT_EQ(lv2->effect()->numParams, 24);
  EXPECT_EQ(lv2Names.size(), 24u);
  for (const auto& named : vstNames) EXPECT_EQ(lv2Names.count(named.first), 1u) << named.first;
  EXPECT_EQ(lv2Names.count("Bypass"), 1u);
  // The shared port table names the same parameters as the effect does.
  for (const auto& c : zarnith::lv2::kControlInputs) {
    const std::string name = vst->text(effGetParamName, c.parameter);
    EXPECT_TRUE(c.parameter == zarnith::lv2::kBypassParameter || !name.empty()) << c.symbol;
  }
  expectSameValues("after loading");
  // Freq 0.48, Q 0.285 and Scrambler Offset 0.5 of "Scr1(V1.02)".
  EXPECT_EQ(lv2->getParameter(lv2Names["Freq"]), 0.48f);
  EXPECT_EQ(lv2->getParameter(lv2Names["Q"]), 0.285f);
  EXPECT_EQ(lv2->getParameter(lv2Names["Scrambler Offset"]), 0.5f);
}

TEST_F(Lv2Bundle, PresetsAreTheFactoryProgramsWithTheirNamesAndValues) {
  ASSERT_EQ(lv2->effect()->numPrograms, 32);
  for (VstInt32 p = 0; p < 32; p++) {
    vst->dispatch(effSetProgram, 0, p);
    lv2->dispatch(effSetProgram, 0, p);
    EXPECT_EQ(lv2->text(effGetProgramNameIndexed, p), vst->text(effGetProgramNameIndexed, p));
    expectSameValues("program " + std::to_string(p));
  }
  // A few entries of the factory table, as written there.
  lv2->dispatch(effSetProgram, 0, 6);
  EXPECT_EQ(lv2->text(effGetProgramNameIndexed, 6), "Pelto(V1.02)");
  EXPECT_EQ(lv2->getParameter(lv2Names["LFO Rate"]), 0.515f);
  EXPECT_EQ(lv2->getParameter(lv2Names["Freq"]), 0.52f);
  lv2->dispatch(effSetProgram, 0, 15);
  EXPECT_EQ(lv2->getParameter(lv2Names["Sens"]), 0.00390625f);
  EXPECT_EQ(lv2->getParameter(lv2Names["Scrambler Offset"]), 0.28125f);
  EXPECT_EQ(lv2->getParameter(lv2Names["Rand Beat F Type"]), 0.308594f);
}

// The state is the effect's own chunk, so it moves between the formats; a wrong
// one is refused and changes nothing.
bool sameDefinedBytes(const unsigned char* a, const unsigned char* b) {
  for (int slot = 0; slot < 28; slot++) {
    if (slot == 3 || slot == 4 || slot == 11) continue;  // never written
    if (std::memcmp(a + 4 * slot, b + 4 * slot, 4) != 0) return false;
  }
  return a[136] == b[136];
}

TEST_F(Lv2Bundle, StateIsTheChunkOfTheLibraryAndAWrongOneIsRefused) {
  std::vector<float> buffer(64 * 4, 0.0f);
  float* in[2] = {&buffer[0], &buffer[64]};
  float* out[2] = {&buffer[128], &buffer[192]};
  vst->dispatch(effSetProgram, 0, 7);
  vst->setParameter(vstNames["Freq"], 0.3f);
  void* data = nullptr;
  ASSERT_EQ(vst->dispatch(effGetChunk, 0, 0, &data), 140);
  std::vector<unsigned char> fromLibrary(static_cast<unsigned char*>(data),
                                         static_cast<unsigned char*>(data) + 140);

  std::vector<unsigned char> copy = fromLibrary;
  EXPECT_EQ(lv2->dispatch(effSetChunk, 0, 140, copy.data()), 1);
  lv2->processReplacing(in, out, 64);
  ASSERT_EQ(lv2->dispatch(effGetChunk, 0, 0, &data), 140);
  std::vector<unsigned char> fromBundle(static_cast<unsigned char*>(data),
                                        static_cast<unsigned char*>(data) + 140);
  EXPECT_TRUE(sameDefinedBytes(fromBundle.data(), fromLibrary.data()));
  EXPECT_EQ(fromBundle[136], 7);

  std::vector<unsigned char> shorter(fromLibrary.begin(), fromLibrary.end() - 1);
  EXPECT_EQ(lv2->dispatch(effSetChunk, 0, 139, shorter.data()), 0);
  std::vector<unsigned char> noProgram = fromLibrary;
  noProgram[136] = 200;
  for (int i = 24; i < 28; i++) noProgram[i] = 0x7F;  // a Freq that must not arrive
  EXPECT_EQ(lv2->dispatch(effSetChunk, 0, 140, noProgram.data()), 0);
  lv2->processReplacing(in, out, 64);
  ASSERT_EQ(lv2->dispatch(effGetChunk, 0, 0, &data), 140);
  EXPECT_TRUE(sameDefinedBytes(static_cast<unsigned char*>(data), fromLibrary.data()));

  // A preset then an edit, through the ports, saves the same values as in the library
  // (the program number stays the plug-in's own: LV2 presets are port values).
  std::unique_ptr<LoadedPlugin> fresh = load(ZARNITH_LV2_BUNDLE);
  fresh->dispatch(effSetProgram, 0, 7);
  fresh->setParameter(lv2Names["Freq"], 0.3f);
  fresh->processReplacing(in, out, 64);
  ASSERT_EQ(fresh->dispatch(effGetChunk, 0, 0, &data), 140);
  std::vector<unsigned char> viaPorts(static_cast<unsigned char*>(data),
                                      static_cast<unsigned char*>(data) + 140);
  viaPorts[136] = 7;
  EXPECT_TRUE(sameDefinedBytes(viaPorts.data(), fromLibrary.data()));
}

// ---- musical time from time:Position ----

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    map.handle = &ids;
    map.map = [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
      auto& table = *static_cast<std::map<std::string, LV2_URID>*>(h);
      auto found = table.find(uri);
      return found != table.end() ? found->second : (table[uri] = static_cast<LV2_URID>(table.size() + 1));
    };
    u.map(&map);
  }
  // A position with the given fields, each in the atom type hosts use for it.
  const LV2_Atom_Object* position(std::initializer_list<std::pair<LV2_URID, double>> fields) {
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map);
    lv2_atom_forge_set_buffer(&forge, buffer, sizeof(buffer));
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_object(&forge, &frame, 0, u.position);
    for (const auto& f : fields) {
      lv2_atom_forge_key(&forge, f.first);
      if (f.first == u.beat)
        lv2_atom_forge_double(&forge, f.second);
      else if (f.first == u.bar)
        lv2_atom_forge_long(&forge, static_cast<int64_t>(f.second));
      else if (f.first == u.beatUnit)
        lv2_atom_forge_int(&forge, static_cast<int32_t>(f.second));
      else
        lv2_atom_forge_float(&forge, static_cast<float>(f.second));
    }
    lv2_atom_forge_pop(&forge, &frame);
    return reinterpret_cast<const LV2_Atom_Object*>(buffer);
  }

  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map map{};
  zarnith::lv2::TimeUrids u{};
  alignas(8) uint8_t buffer[1024];
};

TEST_F(TransportTest, NoTimeUntilTempoMeterAndPositionAreKnownThenCarriedForward) {
  zarnith::lv2::Transport transport(44100.0);
  VstTimeInfo info{};
  EXPECT_FALSE(transport.timeInfo(&info));
  transport.update(position({{u.beatsPerMinute, 120.0}}), u);
  EXPECT_FALSE(transport.timeInfo(&info)) << "a tempo alone names no position";
  transport.update(
      position({{u.beatsPerMinute, 120.0}, {u.beatsPerBar, 3.0}, {u.bar, 2.0}, {u.barBeat, 1.5}}), u);
  ASSERT_TRUE(transport.timeInfo(&info));
  EXPECT_EQ(info.ppqPos, 7.5);
  EXPECT_EQ(info.tempo, 120.0);
  EXPECT_EQ(info.timeSigNumerator, 3);
  EXPECT_EQ(info.sampleRate, 44100.0);
  // Half a second at two beats a second, without another update.
  transport.advance(22050);
  ASSERT_TRUE(transport.timeInfo(&info));
  EXPECT_EQ(info.ppqPos, 8.5);
  // A tempo change keeps the position reached and goes on at the new rate.
  transport.update(position({{u.beatsPerMinute, 240.0}}), u);
  transport.advance(22050);
  ASSERT_TRUE(transport.timeInfo(&info));
  EXPECT_EQ(info.ppqPos, 10.5);
  EXPECT_EQ(info.timeSigNumerator, 3);
}

TEST_F(TransportTest, SongBeatWinsStoppedTransportStandsAndEighthsCountAsHalfQuarters) {
  zarnith::lv2::Transport transport(48000.0);
  VstTimeInfo info{};
  // 6/8 at 240 eighths a minute, stopped, with a song beat that a float could not hold.
  transport.update(position({{u.beatsPerMinute, 240.0},
                             {u.beatsPerBar, 6.0},
                             {u.beatUnit, 8.0},
                             {u.speed, 0.0},
                             {u.beat, 13.000000001},
                             {u.bar, 2.0},
                             {u.barBeat, 1.0}}),
                   u);
  ASSERT_TRUE(transport.timeInfo(&info));
  EXPECT_EQ(info.ppqPos, 13.000000001 * 0.5);
  EXPECT_EQ(info.tempo, 120.0);
  EXPECT_EQ(info.flags & kVstTransportPlaying, 0);
  transport.advance(48000);
  ASSERT_TRUE(transport.timeInfo(&info));
  EXPECT_EQ(info.ppqPos, 13.000000001 * 0.5);
}

}  // namespace
