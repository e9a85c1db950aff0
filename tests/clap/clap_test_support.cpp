#include "clap_test_support.h"

#include <cstring>

void ClapFixture::SetUp() {
  std::string error;
  library = ClapLibrary::open(ZARNITH_CLAP, &error);
  ASSERT_NE(library, nullptr) << error;
}

void ClapFixture::TearDown() {
  ClapHost::nextOffers() = ClapHost::Offers();
}

std::unique_ptr<ClapHost> ClapFixture::create() {
  std::string error;
  std::unique_ptr<ClapHost> host = ClapHost::create(*library, "com.kovrane-audio.zarnith", &error);
  EXPECT_NE(host, nullptr) << error;
  return host;
}

const clap_plugin_params_t* ClapFixture::params(ClapHost& host) {
  return host.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
}

double ClapFixture::value(ClapHost& host, clap_id id) {
  double v = -1.0;
  EXPECT_TRUE(params(host)->get_value(host.plugin(), id, &v)) << id;
  return v;
}

bool ClapFixture::activate(ClapHost& host, double rate, uint32_t maxFrames) {
  const clap_plugin_t* p = host.plugin();
  return p->activate(p, rate, 1, maxFrames) && host.asAudioThread([&] { return p->start_processing(p); });
}

ClapEvents::ClapEvents() {
  list.ctx = this;
  list.size = [](const clap_input_events_t* l) {
    return static_cast<uint32_t>(static_cast<ClapEvents*>(l->ctx)->storage.size());
  };
  list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
    auto* self = static_cast<ClapEvents*>(l->ctx);
    return i < self->storage.size() ? reinterpret_cast<const clap_event_header_t*>(self->storage[i].data())
                                    : nullptr;
  };
}

namespace {
template <typename T>
void add(std::vector<std::vector<unsigned char>>& storage, const T& event) {
  std::vector<unsigned char> bytes(sizeof(T));
  std::memcpy(bytes.data(), &event, sizeof(T));
  storage.push_back(bytes);
}
}  // namespace

void ClapEvents::paramValue(uint32_t time, clap_id id, double value) {
  clap_event_param_value_t e{};
  e.header = {sizeof(e), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
  e.param_id = id;
  e.note_id = -1;
  e.port_index = e.channel = e.key = -1;
  e.value = value;
  add(storage, e);
}

void ClapEvents::noteOn(uint32_t time, int key, double velocity) {
  clap_event_note_t e{};
  e.header = {sizeof(e), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON, 0};
  e.note_id = -1;
  e.key = static_cast<int16_t>(key);
  e.velocity = velocity;
  add(storage, e);
}

void ClapEvents::transport(uint32_t time, const clap_event_transport_t& transport) {
  clap_event_transport_t e = transport;
  e.header.time = time;
  add(storage, e);
}

clap_event_transport_t clapTransport(double ppq, double tempo, int numerator, int denominator) {
  clap_event_transport_t t{};
  t.header = {sizeof(t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE |
            CLAP_TRANSPORT_IS_PLAYING;
  t.song_pos_beats = static_cast<clap_beattime>(ppq * CLAP_BEATTIME_FACTOR);
  t.tempo = tempo;
  t.tsig_num = static_cast<uint16_t>(numerator);
  t.tsig_denom = static_cast<uint16_t>(denominator);
  return t;
}

int32_t clapProcess(ClapHost& host, std::vector<float>& in, std::vector<float>& out, uint32_t frames,
                    const clap_event_transport_t* transport, ClapEvents* events) {
  const size_t half = in.size() / 2;
  float* inputs[2] = {in.data(), in.data() + half};
  float* outputs[2] = {out.data(), out.data() + half};
  clap_audio_buffer_t inBuffer{inputs, nullptr, 2, 0, 0};
  clap_audio_buffer_t outBuffer{outputs, nullptr, 2, 0, 0};
  ClapEvents none;
  clap_process_t process{};
  process.frames_count = frames;
  process.transport = transport;
  process.audio_inputs = &inBuffer;
  process.audio_outputs = &outBuffer;
  process.audio_inputs_count = 1;
  process.audio_outputs_count = 1;
  process.in_events = events ? &events->list : &none.list;
  process.out_events = host.outEvents();
  return host.asAudioThread([&] { return host.plugin()->process(host.plugin(), &process); });
}

std::vector<float> testSignal(uint32_t frames, uint32_t seed) {
  std::vector<float> signal(2 * static_cast<size_t>(frames));
  uint32_t state = seed;
  for (float& s : signal) {
    state = state * 1664525u + 1013904223u;
    s = static_cast<float>(static_cast<int32_t>(state) / 2147483648.0 * 0.5);
  }
  return signal;
}

std::unique_ptr<LoadedPlugin> loadVst() {
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(ZARNITH_VST, &error);
  EXPECT_NE(plugin, nullptr) << error;
  return plugin;
}
