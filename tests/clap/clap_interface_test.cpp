// What a CLAP host's scan and set-up see of zarnith.clap, checked against the 2.4
// build of the same effect where the two must agree; and the calls a host makes in the
// wrong order or on the wrong thread, which are refused.
#include <cstring>
#include <set>
#include <thread>

#include "clap_test_support.h"

namespace {

using ClapInterface = ClapFixture;

bool hasFeature(const clap_plugin_descriptor_t* d, const char* feature) {
  for (const char* const* f = d->features; f && *f; f++)
    if (std::strcmp(*f, feature) == 0) return true;
  return false;
}

}  // namespace

TEST_F(ClapInterface, EntryFactoryAndDescriptor) {
  EXPECT_EQ(library->entry()->clap_version.major, 1u);
  const clap_plugin_factory_t* factory = library->pluginFactory();
  ASSERT_NE(factory, nullptr);
  ASSERT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
  const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->id, "com.kovrane-audio.zarnith");
  EXPECT_STREQ(d->name, "Zarnith");
  EXPECT_STREQ(d->vendor, "Kovrane Audio Production");
  EXPECT_STRNE(d->version, "");
  for (const char* f : {"audio-effect", "filter", "glitch", "stereo"}) EXPECT_TRUE(hasFeature(d, f)) << f;
  EXPECT_NE(library->factory(CLAP_PRESET_DISCOVERY_FACTORY_ID), nullptr);
  EXPECT_NE(library->factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT), nullptr);
  EXPECT_EQ(library->factory("clap.no-such-factory"), nullptr);
  std::string error;
  EXPECT_EQ(ClapHost::create(*library, "com.kovrane-audio.other", &error), nullptr);
}

TEST_F(ClapInterface, PortsLatencyTailAndEditorSize) {
  auto host = create();
  const clap_plugin_t* p = host->plugin();
  const auto* audio = host->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  ASSERT_NE(audio, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(audio->count(p, input), 1u);
    clap_audio_port_info_t info{};
    ASSERT_TRUE(audio->get(p, 0, input, &info));
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
    EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_EQ(info.in_place_pair, info.id);
    EXPECT_FALSE(audio->get(p, 1, input, &info));
  }
  const auto* notes = host->extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->count(p, true), 1u);
  EXPECT_EQ(notes->count(p, false), 0u);

  ASSERT_TRUE(activate(*host, 48000.0, 512));
  EXPECT_EQ(host->extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY)->get(p), 0u);
  // Before any transport: the longest bar the scrambler holds, twice, and half a second.
  EXPECT_EQ(host->extension<clap_plugin_tail_t>(CLAP_EXT_TAIL)->get(p), 2u * 440000u + 24000u);
  std::vector<float> in = testSignal(64, 1), out(in.size());
  clap_event_transport_t t = clapTransport(0.0, 120.0, 4, 4);
  ASSERT_EQ(clapProcess(*host, in, out, 64, &t, nullptr), CLAP_PROCESS_CONTINUE);
  EXPECT_EQ(host->extension<clap_plugin_tail_t>(CLAP_EXT_TAIL)->get(p), 2u * 96000u + 24000u);

  const auto* gui = host->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
  ASSERT_NE(gui, nullptr);
  EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
  EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, true));
  EXPECT_FALSE(gui->is_api_supported(p, "win32", false));
  uint32_t w = 0, h = 0;
  EXPECT_FALSE(gui->get_size(p, &w, &h));  // before create
  ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
  EXPECT_FALSE(gui->create(p, CLAP_WINDOW_API_X11, false));
  ASSERT_TRUE(gui->get_size(p, &w, &h));
  EXPECT_EQ(w, 428u);
  EXPECT_EQ(h, 405u);
  EXPECT_FALSE(gui->set_scale(p, 2.0));
  EXPECT_FALSE(gui->can_resize(p));
  EXPECT_FALSE(gui->set_size(p, 500, 500));
  EXPECT_TRUE(gui->set_size(p, 428, 405));
  gui->destroy(p);
}

TEST_F(ClapInterface, ParametersAreTheEffectsWithItsNamesDefaultsAndTexts) {
  auto host = create();
  auto vst = loadVst();
  const clap_plugin_t* p = host->plugin();
  const clap_plugin_params_t* params = this->params(*host);
  ASSERT_NE(params, nullptr);
  std::set<clap_id> ids;
  int named = 0;
  for (uint32_t i = 0; i < params->count(p); i++) {
    clap_param_info_t info{};
    ASSERT_TRUE(params->get_info(p, i, &info));
    ASSERT_LT(info.id, 43u);
    EXPECT_TRUE(ids.insert(info.id).second) << "id " << info.id << " twice";
    EXPECT_EQ(info.min_value, 0.0);
    EXPECT_EQ(info.max_value, 1.0);
    const std::string vstName = vst->text(effGetParamName, static_cast<VstInt32>(info.id));
    if (!vstName.empty()) {
      named++;
      EXPECT_EQ(vstName, info.name);
      EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE) << info.name;
      EXPECT_EQ(info.default_value, vst->getParameter(static_cast<VstInt32>(info.id))) << info.name;
    }
  }
  EXPECT_EQ(named, 23);
  EXPECT_FALSE(params->get_info(p, params->count(p), nullptr));

  auto flagsOf = [&](clap_id id) {
    for (uint32_t i = 0; i < params->count(p); i++) {
      clap_param_info_t info{};
      params->get_info(p, i, &info);
      if (info.id == id) return info.flags;
    }
    ADD_FAILURE() << "no parameter " << id;
    return 0u;
  };
  // Two-position switches are stepped; the readouts and lamps cannot be set.
  for (clap_id id : {7u, 10u, 23u, 24u, 32u, 42u}) EXPECT_TRUE(flagsOf(id) & CLAP_PARAM_IS_STEPPED) << id;
  for (clap_id id : {5u, 6u, 8u, 28u, 0u}) EXPECT_FALSE(flagsOf(id) & CLAP_PARAM_IS_STEPPED) << id;
  EXPECT_TRUE(flagsOf(42) & CLAP_PARAM_IS_BYPASS);
  for (clap_id id : {14u, 18u, 35u, 36u, 37u}) EXPECT_TRUE(flagsOf(id) & CLAP_PARAM_IS_READONLY) << id;

  // The texts of the parameters the effect names a display for are the effect's own,
  // which the 2.4 interface cuts to 8 characters.
  char text[256];
  for (float v : {0.0f, 0.0001f, 0.285f, 0.33f, 0.3299f, 0.5f, 0.66f, 0.7f, 0.999f, 1.0f}) {
    for (VstInt32 index : {0, 1, 6}) {
      vst->setParameter(index, v);
      std::string expected = vst->text(effGetParamDisplay, index);
      if (index == 0) expected += " Hz";
      ASSERT_TRUE(params->value_to_text(p, static_cast<clap_id>(index), v, text, sizeof(text)));
      EXPECT_EQ(std::string(text).substr(0, expected.size()), expected)
          << "parameter " << index << " at " << v;
      if (expected.size() < 8 || index == 0) {
        EXPECT_EQ(expected, text);
      }
    }
  }
  // Texts back to values where they parse, landing in the position the text names.
  struct Parse {
    clap_id id;
    const char* text;
    const char* back;
  } const cases[] = {{0, "9600 Hz", "9600 Hz"}, {0, "440", "440 Hz"},   {6, "high pass", "High Pass"},
                     {5, "LFO", "LFO"},         {7, "On", "On"},        {9, "16", "16"},
                     {33, "Off", "Off"},        {31, "-3/16", "-3/16"}, {26, "-6.0 dB", "-6.0 dB"},
                     {1, "0.5", "0.500000"}};
  for (const Parse& c : cases) {
    double v = -1.0;
    ASSERT_TRUE(params->text_to_value(p, c.id, c.text, &v)) << c.text;
    ASSERT_TRUE(params->value_to_text(p, c.id, v, text, sizeof(text)));
    EXPECT_STREQ(text, c.back) << c.text;
  }
  double v = 0.0;
  EXPECT_FALSE(params->text_to_value(p, 9, "3", &v));
  EXPECT_FALSE(params->text_to_value(p, 0, "loud", &v));
  EXPECT_FALSE(params->text_to_value(p, 18, "100 Hz", &v));  // read-only
  EXPECT_FALSE(params->get_value(p, 3, &v));                 // not a parameter of ours
}

TEST_F(ClapInterface, OutOfOrderAndWrongThreadCallsAreRefused) {
  auto host = create();
  const clap_plugin_t* p = host->plugin();
  EXPECT_FALSE(p->init(p));  // twice
  std::vector<float> in = testSignal(64, 2), out(in.size(), 7.0f);
  EXPECT_EQ(clapProcess(*host, in, out, 64, nullptr, nullptr), CLAP_PROCESS_ERROR);  // before activate
  EXPECT_EQ(out[0], 7.0f);
  EXPECT_FALSE(host->asAudioThread([&] { return p->start_processing(p); }));
  const auto* gui = host->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
  clap_window_t window{CLAP_WINDOW_API_X11, {nullptr}};
  window.x11 = 1234;
  EXPECT_FALSE(gui->set_parent(p, &window));  // before create

  bool activated = true, saved = true, created = true;
  std::thread other([&] {
    activated = p->activate(p, 44100.0, 1, 512);
    created = gui->create(p, CLAP_WINDOW_API_X11, false);
    clap_ostream_t stream{nullptr, [](const clap_ostream_t*, const void*, uint64_t n) { return int64_t(n); }};
    saved = host->extension<clap_plugin_state_t>(CLAP_EXT_STATE)->save(p, &stream);
  });
  other.join();
  EXPECT_FALSE(activated);
  EXPECT_FALSE(created);
  EXPECT_FALSE(saved);

  ASSERT_TRUE(p->activate(p, 44100.0, 1, 512));
  EXPECT_FALSE(p->activate(p, 44100.0, 1, 512));
  // Processing wants the audio thread; the main thread is not it.
  EXPECT_FALSE(p->start_processing(p));
  ASSERT_TRUE(host->asAudioThread([&] { return p->start_processing(p); }));
  EXPECT_EQ(clapProcess(*host, in, out, 64, nullptr, nullptr), CLAP_PROCESS_CONTINUE);
  // A host without a thread check is trusted about threads, not about order.
  ClapHost::nextOffers().threadCheck = false;
  auto lax = create();
  const clap_plugin_t* q = lax->plugin();
  EXPECT_EQ(clapProcess(*lax, in, out, 64, nullptr, nullptr), CLAP_PROCESS_ERROR);
  ASSERT_TRUE(q->activate(q, 44100.0, 1, 512));
  EXPECT_EQ(clapProcess(*lax, in, out, 64, nullptr, nullptr), CLAP_PROCESS_ERROR);  // not started
  ASSERT_TRUE(q->start_processing(q));
  EXPECT_EQ(clapProcess(*lax, in, out, 64, nullptr, nullptr), CLAP_PROCESS_CONTINUE);
}

TEST_F(ClapInterface, StateRoundTripsAndGarbageChangesNothing) {
  auto source = create();
  const clap_plugin_t* p = source->plugin();
  const auto* presets = source->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
  ASSERT_TRUE(presets->from_location(p, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "7"));
  ClapEvents edit;
  edit.paramValue(0, 0, 0.75);
  params(*source)->flush(p, &edit.list, source->outEvents());
  std::vector<unsigned char> state;
  clap_ostream_t out{&state, [](const clap_ostream_t* s, const void* data, uint64_t n) {
                       auto* bytes = static_cast<std::vector<unsigned char>*>(s->ctx);
                       bytes->insert(bytes->end(), static_cast<const unsigned char*>(data),
                                     static_cast<const unsigned char*>(data) + n);
                       return static_cast<int64_t>(n);
                     }};
  const auto* stateExt = source->extension<clap_plugin_state_t>(CLAP_EXT_STATE);
  ASSERT_TRUE(stateExt->save(p, &out));
  ASSERT_EQ(state.size(), 152u);
  EXPECT_EQ(std::string(state.begin(), state.begin() + 4), "ZARN");
  EXPECT_EQ(state[12 + 136], 7u);  // the chunk's program byte

  auto target = create();
  const clap_plugin_t* q = target->plugin();
  struct Reader {
    std::vector<unsigned char> bytes;
    size_t at;
  };
  auto load = [&](std::vector<unsigned char> bytes) {
    Reader reader{std::move(bytes), 0};
    clap_istream_t in{&reader, [](const clap_istream_t* s, void* buffer, uint64_t n) {
                        auto* r = static_cast<Reader*>(s->ctx);
                        const uint64_t k =
                            std::min<uint64_t>(std::min<uint64_t>(n, 5), r->bytes.size() - r->at);
                        std::memcpy(buffer, r->bytes.data() + r->at, k);  // five bytes a read, as streams may
                        r->at += k;
                        return static_cast<int64_t>(k);
                      }};
    return target->extension<clap_plugin_state_t>(CLAP_EXT_STATE)->load(q, &in);
  };
  auto values = [&](ClapHost& host) {
    std::vector<double> all;
    for (clap_id id : {0u, 1u, 6u, 7u, 17u, 26u, 42u}) all.push_back(value(host, id));
    return all;
  };
  const std::vector<double> before = values(*target);
  std::vector<std::vector<unsigned char>> garbage;
  garbage.push_back({});
  garbage.push_back(std::vector<unsigned char>(state.begin(), state.end() - 1));
  garbage.push_back(state);
  garbage.back().push_back(0);
  garbage.push_back(state);
  garbage.back()[0] ^= 1;  // magic
  garbage.push_back(state);
  garbage.back()[4] = 2;  // version
  garbage.push_back(state);
  garbage.back()[8] = 139;  // length
  garbage.push_back(state);
  garbage.back()[12 + 136] = 40;  // no such program
  for (const auto& g : garbage) {
    EXPECT_FALSE(load(g));
    EXPECT_EQ(values(*target), before);
  }
  const int rescans = target->rescans;
  ASSERT_TRUE(load(state));
  EXPECT_EQ(values(*target), values(*source));
  EXPECT_EQ(value(*target, 0), 0.75);
  EXPECT_GT(target->rescans, rescans);  // the host is told the values changed
}

TEST_F(ClapInterface, FactoryProgramsAreDiscoveredAndLoadedByNumber) {
  std::string error;
  std::vector<ClapPreset> presets = discoverClapPresets(*library, &error);
  EXPECT_EQ(error, "");
  ASSERT_EQ(presets.size(), 32u);
  auto vst = loadVst();
  for (size_t i = 0; i < presets.size(); i++) {
    EXPECT_EQ(presets[i].name, vst->text(effGetProgramNameIndexed, static_cast<VstInt32>(i)));
    EXPECT_EQ(presets[i].loadKey, std::to_string(i));
    EXPECT_EQ(presets[i].pluginId, "com.kovrane-audio.zarnith");
    EXPECT_EQ(presets[i].locationKind, static_cast<uint32_t>(CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN));
    EXPECT_TRUE(presets[i].flags & CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
  }
  auto host = create();
  const clap_plugin_t* p = host->plugin();
  const auto* load = host->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
  ASSERT_TRUE(load->from_location(p, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "19"));
  EXPECT_EQ(host->presetLoads, 1);
  vst->dispatch(effSetProgram, 0, 19);
  for (clap_id id : {0u, 1u, 5u, 6u, 9u, 17u, 28u, 33u})
    EXPECT_EQ(value(*host, id), vst->getParameter(static_cast<VstInt32>(id))) << id;
  for (const char* bad : {"32", "-1", "7x", ""}) EXPECT_FALSE(load->from_location(p, 1, nullptr, bad)) << bad;
  EXPECT_FALSE(load->from_location(p, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x", "1"));
  EXPECT_EQ(host->presetErrors, 5);
  EXPECT_EQ(value(*host, 0), vst->getParameter(0));
}

TEST_F(ClapInterface, NoteOnsDriveTheNoteActivity) {
  auto host = create();
  ASSERT_TRUE(activate(*host));
  std::vector<float> in = testSignal(64, 3), out(in.size());
  ClapEvents silent;
  silent.noteOn(3, 60, 0.0);
  clapProcess(*host, in, out, 64, nullptr, &silent);
  EXPECT_EQ(value(*host, 14), 0.0);
  ClapEvents note;
  note.noteOn(10, 60, 0.001);  // quieter than MIDI's softest note still counts
  clapProcess(*host, in, out, 64, nullptr, &note);
  EXPECT_EQ(value(*host, 14), 1.0);
  EXPECT_FLOAT_EQ(static_cast<float>(value(*host, 14)), 0.9f);  // read and lowered, as in the effect
}
