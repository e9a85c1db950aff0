#include "formats/clap/clap_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/parameter_ids.h"

namespace zarnith {

namespace {

// The effect's requests while its entry runs, before its record carries our pointer.
thread_local ClapPlugin* constructing = nullptr;

const uint32_t kMaxScratchFrames = 1 << 16;

ClapPlugin* self(const clap_plugin_t* plugin) {
  return ClapPlugin::from(plugin);
}

// ---- the plug-in's function table ----
bool pluginInit(const clap_plugin_t* p) {
  return self(p)->init();
}
void pluginDestroy(const clap_plugin_t* p) {
  ClapPlugin* plugin = self(p);
  if (plugin && plugin->isMainThread()) delete plugin;
}
bool pluginActivate(const clap_plugin_t* p, double rate, uint32_t minFrames, uint32_t maxFrames) {
  return self(p)->activate(rate, minFrames, maxFrames);
}
void pluginDeactivate(const clap_plugin_t* p) {
  self(p)->deactivate();
}
bool pluginStart(const clap_plugin_t* p) {
  return self(p)->startProcessing();
}
void pluginStop(const clap_plugin_t* p) {
  self(p)->stopProcessing();
}
void pluginReset(const clap_plugin_t* p) {
  self(p)->reset();
}
int32_t pluginProcess(const clap_plugin_t* p, const clap_process_t* process) {
  return self(p)->process(process);
}
const void* pluginExtension(const clap_plugin_t* p, const char* id) {
  return self(p)->extension(id);
}
void pluginOnMainThread(const clap_plugin_t* p) {
  self(p)->onMainThread();
}

// ---- extensions ----
uint32_t audioPortCount(const clap_plugin_t*, bool) {
  return 1;
}
bool audioPortGet(const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
  if (index != 0 || !info) return false;
  std::memset(info, 0, sizeof(*info));
  info->id = 0;
  std::snprintf(info->name, sizeof(info->name), "%s", isInput ? "Stereo In" : "Stereo Out");
  info->flags = CLAP_AUDIO_PORT_IS_MAIN;
  info->channel_count = 2;
  info->port_type = CLAP_PORT_STEREO;
  info->in_place_pair = 0;  // the input and output of the same id may share buffers
  return true;
}
const clap_plugin_audio_ports_t kAudioPorts = {audioPortCount, audioPortGet};

uint32_t notePortCount(const clap_plugin_t*, bool isInput) {
  return isInput ? 1 : 0;
}
bool notePortGet(const clap_plugin_t*, uint32_t index, bool isInput, clap_note_port_info_t* info) {
  if (index != 0 || !isInput || !info) return false;
  std::memset(info, 0, sizeof(*info));
  info->id = 0;
  info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
  info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
  std::snprintf(info->name, sizeof(info->name), "%s", "Note Activity");
  return true;
}
const clap_plugin_note_ports_t kNotePorts = {notePortCount, notePortGet};

uint32_t paramCount(const clap_plugin_t*) {
  return kClapParameterCount;
}
bool paramInfo(const clap_plugin_t* p, uint32_t index, clap_param_info_t* info) {
  return self(p)->paramInfo(index, info);
}
bool paramValue(const clap_plugin_t* p, clap_id id, double* value) {
  return self(p)->paramValue(id, value);
}
bool paramValueText(const clap_plugin_t* p, clap_id id, double value, char* text, uint32_t capacity) {
  return self(p)->valueToText(id, value, text, capacity);
}
bool paramTextValue(const clap_plugin_t* p, clap_id id, const char* text, double* value) {
  return self(p)->textToValue(id, text, value);
}
void paramFlush(const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
  self(p)->flush(in, out);
}
const clap_plugin_params_t kParams = {paramCount,     paramInfo,      paramValue,
                                      paramValueText, paramTextValue, paramFlush};

bool stateSave(const clap_plugin_t* p, const clap_ostream_t* stream) {
  return self(p)->saveState(stream);
}
bool stateLoad(const clap_plugin_t* p, const clap_istream_t* stream) {
  return self(p)->loadState(stream);
}
const clap_plugin_state_t kState = {stateSave, stateLoad};

uint32_t latencyGet(const clap_plugin_t*) {
  return 0;
}
const clap_plugin_latency_t kLatency = {latencyGet};

uint32_t tailGet(const clap_plugin_t* p) {
  return self(p)->tail();
}
const clap_plugin_tail_t kTail = {tailGet};

bool presetFromLocation(const clap_plugin_t* p, uint32_t kind, const char* location, const char* key) {
  return self(p)->loadPreset(kind, location, key);
}
const clap_plugin_preset_load_t kPresetLoad = {presetFromLocation};

void timerTick(const clap_plugin_t* p, clap_id timer) {
  self(p)->onTimer(timer);
}
const clap_plugin_timer_support_t kTimerSupport = {timerTick};

}  // namespace

extern const clap_plugin_gui_t kClapGui;

ClapPlugin* ClapPlugin::from(const clap_plugin_t* plugin) {
  return plugin ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
}

ClapPlugin::ClapPlugin(const clap_host_t* host) : host_(host), mainThread_(std::this_thread::get_id()) {
  std::memset(&plugin_, 0, sizeof(plugin_));
  plugin_.desc = &kClapDescriptor;
  plugin_.plugin_data = this;
  plugin_.init = pluginInit;
  plugin_.destroy = pluginDestroy;
  plugin_.activate = pluginActivate;
  plugin_.deactivate = pluginDeactivate;
  plugin_.start_processing = pluginStart;
  plugin_.stop_processing = pluginStop;
  plugin_.reset = pluginReset;
  plugin_.process = pluginProcess;
  plugin_.get_extension = pluginExtension;
  plugin_.on_main_thread = pluginOnMainThread;
  midi_.type = kVstMidiType;
  midi_.byteSize = sizeof(VstMidiEvent);
  events_.numEvents = 1;
  events_.events[0] = reinterpret_cast<VstEvent*>(&midi_);
}

ClapPlugin::~ClapPlugin() {
  if (active_.load(std::memory_order_relaxed)) deactivate();
  guiDestroy();
  if (effect_) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
}

const void* ClapPlugin::hostExtension(const char* id) const {
  return host_ && host_->get_extension ? host_->get_extension(host_, id) : nullptr;
}

bool ClapPlugin::isMainThread() const {
  if (hostThreads_ && hostThreads_->is_main_thread) return hostThreads_->is_main_thread(host_);
  return std::this_thread::get_id() == mainThread_;
}

bool ClapPlugin::isAudioThread() const {
  // Without the host's word any thread may process (offline hosts use their main one).
  if (hostThreads_ && hostThreads_->is_audio_thread) return hostThreads_->is_audio_thread(host_);
  return true;
}

bool ClapPlugin::init() {
  if (initialised_) return false;
  hostThreads_ = static_cast<const clap_host_thread_check_t*>(hostExtension(CLAP_EXT_THREAD_CHECK));
  if (!isMainThread()) return false;
  hostParams_ = static_cast<const clap_host_params_t*>(hostExtension(CLAP_EXT_PARAMS));
  hostTimers_ = static_cast<const clap_host_timer_support_t*>(hostExtension(CLAP_EXT_TIMER_SUPPORT));
  hostState_ = static_cast<const clap_host_state_t*>(hostExtension(CLAP_EXT_STATE));
  hostPresets_ = static_cast<const clap_host_preset_load_t*>(hostExtension(CLAP_EXT_PRESET_LOAD));
  if (!hostPresets_)
    hostPresets_ = static_cast<const clap_host_preset_load_t*>(hostExtension(CLAP_EXT_PRESET_LOAD_COMPAT));
  constructing = this;
  effect_ = createClapHostedEffect(&ClapPlugin::effectRequest);
  constructing = nullptr;
  if (!effect_) return false;
  effect_->user = this;
  effect_->dispatcher(effect_, effOpen, 0, 0, nullptr, 0.0f);
  // Readouts are not read here: reading the note activity lowers it.
  for (uint32_t i = 0; i < kClapParameterCount && i < kMaxParameters; i++) {
    const ClapParameter& parameter = kClapParameters[i];
    defaults_[i] =
        (parameter.flags & CLAP_PARAM_IS_READONLY) ? 0.0 : effect_->getParameter(effect_, parameter.index);
  }
  initialised_ = true;
  return true;
}

VstIntPtr ZARNITH_CALL ClapPlugin::effectRequest(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                 VstIntPtr /*value*/, void* /*ptr*/, float opt) {
  ClapPlugin* plugin = effect && effect->user ? static_cast<ClapPlugin*>(effect->user) : constructing;
  if (!plugin) return opcode == audioMasterVersion ? kVstVersion : 0;
  return plugin->answer(opcode, index, opt);
}

VstIntPtr ClapPlugin::answer(VstInt32 opcode, VstInt32 index, float opt) {
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterGetTime:
      return timeKnown_ ? reinterpret_cast<VstIntPtr>(&time_) : 0;
    case audioMasterAutomate:
      queueEdit(EditEvent::kValue, index, opt);
      return 0;
    case audioMasterBeginEdit:
      queueEdit(EditEvent::kBegin, index, 0.0f);
      return 1;
    case audioMasterEndEdit:
      queueEdit(EditEvent::kEnd, index, 0.0f);
      return 1;
    default:
      // Idle during a drag, the wish for MIDI: the host's timer and note port serve them.
      return 0;
  }
}

void ClapPlugin::queueEdit(EditEvent::Kind kind, VstInt32 index, float value) {
  if (index == kParamRandomise) {
    // The randomise button changes the whole program, not a value of its own.
    if (kind == EditEvent::kValue && isMainThread()) rescanValues();
    return;
  }
  const ClapParameter* parameter = findClapParameter(static_cast<clap_id>(index));
  if (!parameter || (parameter->flags & CLAP_PARAM_IS_READONLY)) return;
  edits_.push({kind, static_cast<uint32_t>(index), static_cast<double>(value)});
  if (isMainThread() && hostParams_ && hostParams_->request_flush) hostParams_->request_flush(host_);
}

void ClapPlugin::drainEdits(const clap_output_events_t* out) {
  if (!out || !out->try_push) return;  // kept for a list to put them in
  EditEvent edit;
  while (edits_.peek(&edit)) {
    {
      bool pushed;
      if (edit.kind == EditEvent::kValue) {
        clap_event_param_value_t event{};
        event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = edit.id;
        event.note_id = -1;
        event.port_index = -1;
        event.channel = -1;
        event.key = -1;
        event.value = edit.value;
        pushed = out->try_push(out, &event.header);
      } else {
        clap_event_param_gesture_t event{};
        const uint16_t type =
            edit.kind == EditEvent::kBegin ? CLAP_EVENT_PARAM_GESTURE_BEGIN : CLAP_EVENT_PARAM_GESTURE_END;
        event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
        event.param_id = edit.id;
        pushed = out->try_push(out, &event.header);
      }
      if (!pushed) return;  // the host's list is full: the rest goes out next time
    }
    edits_.pop();
  }
}

void ClapPlugin::rescanValues() {
  if (hostParams_ && hostParams_->rescan) hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
  if (hostState_ && hostState_->mark_dirty) hostState_->mark_dirty(host_);
}

bool ClapPlugin::activate(double sampleRate, uint32_t /*minFrames*/, uint32_t maxFrames) {
  if (!initialised_ || !isMainThread() || active_.load(std::memory_order_relaxed)) return false;
  if (!(sampleRate > 0.0 && sampleRate < 1e7) || maxFrames == 0) return false;
  const uint32_t frames = std::min(maxFrames, kMaxScratchFrames);
  scratch_.reset(new (std::nothrow) float[2 * static_cast<size_t>(frames)]);
  if (!scratch_) return false;
  scratchFrames_ = frames;
  sampleRate_ = sampleRate;
  effect_->dispatcher(effect_, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  effect_->dispatcher(effect_, effSetBlockSize, 0, static_cast<VstIntPtr>(frames), nullptr, 0.0f);
  effect_->dispatcher(effect_, effMainsChanged, 0, 1, nullptr, 0.0f);
  timeKnown_ = false;
  active_.store(true, std::memory_order_release);
  return true;
}

void ClapPlugin::deactivate() {
  if (!isMainThread() || !active_.load(std::memory_order_relaxed)) return;
  if (processing_.load(std::memory_order_relaxed)) {
    effect_->dispatcher(effect_, effStopProcess, 0, 0, nullptr, 0.0f);
    processing_.store(false, std::memory_order_relaxed);
  }
  effect_->dispatcher(effect_, effMainsChanged, 0, 0, nullptr, 0.0f);
  active_.store(false, std::memory_order_release);
}

bool ClapPlugin::startProcessing() {
  if (!active_.load(std::memory_order_acquire) || !isAudioThread() ||
      processing_.load(std::memory_order_relaxed))
    return false;
  effect_->dispatcher(effect_, effStartProcess, 0, 0, nullptr, 0.0f);
  processing_.store(true, std::memory_order_relaxed);
  return true;
}

void ClapPlugin::stopProcessing() {
  if (!processing_.load(std::memory_order_relaxed) || !isAudioThread()) return;
  effect_->dispatcher(effect_, effStopProcess, 0, 0, nullptr, 0.0f);
  processing_.store(false, std::memory_order_relaxed);
}

void ClapPlugin::reset() {
  // The effect's own reset is its resume: the scrambler's memory cleared. It asks
  // for MIDI again, which is answered without a call into the host.
  if (!active_.load(std::memory_order_acquire) || !isAudioThread()) return;
  effect_->dispatcher(effect_, effMainsChanged, 0, 1, nullptr, 0.0f);
}

void ClapPlugin::updateTime(const clap_event_transport_t* transport) {
  const uint32_t needed = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
  if (!transport || (transport->flags & needed) != needed || !(transport->tempo > 0.0)) {
    timeKnown_ = false;
    return;
  }
  const bool hasSignature = (transport->flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE) && transport->tsig_num > 0;
  const int32_t numerator = hasSignature ? transport->tsig_num : 4;
  const int32_t denominator = hasSignature && transport->tsig_denom > 0 ? transport->tsig_denom : 4;
  // The position goes to the effect as a host of its own interface gives it: the
  // effect finds the bar from the position and the numerator.
  const double position = static_cast<double>(transport->song_pos_beats) / CLAP_BEATTIME_FACTOR;
  const double barStart = static_cast<double>(transport->bar_start) / CLAP_BEATTIME_FACTOR;
  time_ = VstTimeInfo{};
  time_.samplePos = 0.0;
  time_.sampleRate = sampleRate_;
  time_.ppqPos = position;
  time_.tempo = transport->tempo;
  time_.barStartPos = barStart;
  time_.timeSigNumerator = numerator;
  time_.timeSigDenominator = denominator;
  time_.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | (hasSignature ? kVstTimeSigValid : 0) |
                ((transport->flags & CLAP_TRANSPORT_IS_PLAYING) ? kVstTransportPlaying : 0);
  timeKnown_ = true;
  lastTempo_.store(transport->tempo, std::memory_order_relaxed);
  lastNumerator_.store(numerator, std::memory_order_relaxed);
}

void ClapPlugin::applyEvent(const clap_event_header_t* event) {
  if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID) return;
  switch (event->type) {
    case CLAP_EVENT_PARAM_VALUE: {
      if (event->size < sizeof(clap_event_param_value_t)) return;
      const auto* change = reinterpret_cast<const clap_event_param_value_t*>(event);
      const ClapParameter* parameter = findClapParameter(change->param_id);
      if (!parameter || (parameter->flags & CLAP_PARAM_IS_READONLY) || !std::isfinite(change->value)) return;
      effect_->setParameter(effect_, parameter->index, static_cast<float>(change->value));
      return;
    }
    case CLAP_EVENT_NOTE_ON: {
      if (event->size < sizeof(clap_event_note_t)) return;
      const auto* note = reinterpret_cast<const clap_event_note_t*>(event);
      // Velocity 0..1 as a MIDI velocity; any audible note is at least 1.
      const double velocity =
          std::isfinite(note->velocity) ? std::min(1.0, std::max(0.0, note->velocity)) : 0.0;
      int midiVelocity = static_cast<int>(std::lround(velocity * 127.0));
      if (velocity > 0.0 && midiVelocity == 0) midiVelocity = 1;
      const int channel = note->channel >= 0 && note->channel < 16 ? note->channel : 0;
      const int key = note->key >= 0 && note->key < 128 ? note->key : 60;
      midi_.midiData[0] = static_cast<char>(0x90 | channel);
      midi_.midiData[1] = static_cast<char>(key);
      midi_.midiData[2] = static_cast<char>(midiVelocity);
      effect_->dispatcher(effect_, effProcessEvents, 0, 0, &events_, 0.0f);
      return;
    }
    case CLAP_EVENT_MIDI: {
      if (event->size < sizeof(clap_event_midi_t)) return;
      const auto* midi = reinterpret_cast<const clap_event_midi_t*>(event);
      for (int i = 0; i < 3; i++) midi_.midiData[i] = static_cast<char>(midi->data[i]);
      effect_->dispatcher(effect_, effProcessEvents, 0, 0, &events_, 0.0f);
      return;
    }
    case CLAP_EVENT_TRANSPORT:
      if (event->size >= sizeof(clap_event_transport_t))
        updateTime(reinterpret_cast<const clap_event_transport_t*>(event));
      return;
    default:
      return;
  }
}

void ClapPlugin::runFrames(float** in, float** out, uint32_t offset, uint32_t frames) {
  while (frames > 0) {
    const uint32_t n = std::min(frames, scratchFrames_);
    float* outputs[2] = {out[0] + offset, out[1] + offset};
    float* inputs[2] = {in[0] + offset, in[1] + offset};
    // The effect writes its crushed input back into its input buffers. The host's
    // input is not ours to change, so it gets a copy, unless input and output are
    // one buffer, which the effect handles in place.
    if (inputs[0] != outputs[0] || inputs[1] != outputs[1]) {
      float* left = scratch_.get();
      float* right = scratch_.get() + scratchFrames_;
      std::memcpy(left, inputs[0], n * sizeof(float));
      std::memcpy(right, inputs[1], n * sizeof(float));
      inputs[0] = left;
      inputs[1] = right;
    }
    effect_->processReplacing(effect_, inputs, outputs, static_cast<VstInt32>(n));
    // The next run starts later in the song.
    if (timeKnown_ && (time_.flags & kVstTransportPlaying)) {
      const double beats = n / sampleRate_ * time_.tempo / 60.0;
      time_.ppqPos += beats;
      time_.samplePos += n;
    }
    offset += n;
    frames -= n;
  }
}

int32_t ClapPlugin::process(const clap_process_t* process) {
  if (!process || !active_.load(std::memory_order_acquire) || !processing_.load(std::memory_order_relaxed))
    return CLAP_PROCESS_ERROR;
  const uint32_t frames = process->frames_count;
  const clap_audio_buffer_t* inBuffer = process->audio_inputs_count > 0 ? process->audio_inputs : nullptr;
  const clap_audio_buffer_t* outBuffer = process->audio_outputs_count > 0 ? process->audio_outputs : nullptr;
  float* silent[2] = {nullptr, nullptr};
  if (frames > 0) {
    if (!outBuffer || !outBuffer->data32 || outBuffer->channel_count < 2 || !outBuffer->data32[0] ||
        !outBuffer->data32[1])
      return CLAP_PROCESS_ERROR;
    if (!inBuffer || !inBuffer->data32 || inBuffer->channel_count < 2 || !inBuffer->data32[0] ||
        !inBuffer->data32[1])
      return CLAP_PROCESS_ERROR;
  }
  float** in = frames > 0 ? inBuffer->data32 : silent;
  float** out = frames > 0 ? outBuffer->data32 : silent;

  updateTime(process->transport);
  const clap_input_events_t* events = process->in_events;
  const uint32_t count = events && events->size && events->get ? events->size(events) : 0;
  uint32_t done = 0;
  for (uint32_t i = 0; i < count; i++) {
    const clap_event_header_t* event = events->get(events, i);
    if (!event) continue;
    // Each event takes effect at its own sample: the frames before it run first.
    const uint32_t at = std::min(event->time, frames);
    if (at > done) {
      runFrames(in, out, done, at - done);
      done = at;
    }
    applyEvent(event);
  }
  if (done < frames) runFrames(in, out, done, frames - done);
  drainEdits(process->out_events);
  return CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out) {
  if (!initialised_) return;
  // Outside processing the host calls from its main thread; while active, from its audio thread.
  if (!(active_.load(std::memory_order_acquire) ? isAudioThread() : isMainThread())) return;
  const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
  for (uint32_t i = 0; i < count; i++) {
    const clap_event_header_t* event = in->get(in, i);
    if (event && event->type == CLAP_EVENT_PARAM_VALUE) applyEvent(event);
  }
  drainEdits(out);
}

bool ClapPlugin::saveState(const clap_ostream_t* stream) {
  if (!initialised_ || !isMainThread() || !stream || !stream->write) return false;
  void* chunk = nullptr;
  const VstIntPtr size = effect_->dispatcher(effect_, effGetChunk, 0, 0, &chunk, 0.0f);
  if (size <= 0 || size > 0xFFFF || !chunk) return false;
  unsigned char data[kStateHeaderSize + 0x10000];
  const uint32_t header[3] = {kStateMagic, kStateVersion, static_cast<uint32_t>(size)};
  for (int i = 0; i < 3; i++)
    for (int b = 0; b < 4; b++) data[4 * i + b] = static_cast<unsigned char>(header[i] >> (8 * b));
  std::memcpy(data + kStateHeaderSize, chunk, static_cast<size_t>(size));
  const uint64_t total = kStateHeaderSize + static_cast<uint64_t>(size);
  for (uint64_t written = 0; written < total;) {
    const int64_t n = stream->write(stream, data + written, total - written);
    if (n <= 0) return false;
    written += static_cast<uint64_t>(n);
  }
  return true;
}

bool ClapPlugin::loadState(const clap_istream_t* stream) {
  if (!initialised_ || !isMainThread() || !stream || !stream->read) return false;
  // One byte more than any state of ours, so that a longer stream is seen as such.
  const uint64_t expected = kStateHeaderSize + 140;
  unsigned char data[kStateHeaderSize + 140 + 1];
  uint64_t got = 0;
  while (got < sizeof(data)) {
    const int64_t n = stream->read(stream, data + got, sizeof(data) - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<uint64_t>(n);
  }
  if (got != expected) return false;
  uint32_t header[3];
  for (int i = 0; i < 3; i++) {
    header[i] = 0;
    for (int b = 0; b < 4; b++) header[i] |= static_cast<uint32_t>(data[4 * i + b]) << (8 * b);
  }
  if (header[0] != kStateMagic || header[1] != kStateVersion || header[2] != 140) return false;
  if (effect_->dispatcher(effect_, effSetChunk, 0, 140, data + kStateHeaderSize, 0.0f) != 1) return false;
  if (hostParams_ && hostParams_->rescan) hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
  return true;
}

uint32_t ClapPlugin::tail() {
  // The scrambler plays slices of the last recorded bar for up to a bar after the
  // input ends, and records what it plays for one bar more; the filter rings out
  // within half a second after that. Without a tempo yet, the longest bar the
  // scrambler's memory holds is assumed.
  const double tempo = lastTempo_.load(std::memory_order_relaxed);
  const int32_t numerator = lastNumerator_.load(std::memory_order_relaxed);
  const double longestBar = 440000.0;
  double bar = tempo > 0.0 ? numerator * 60.0 / tempo * sampleRate_ : longestBar;
  if (!(bar <= longestBar)) bar = longestBar;
  return static_cast<uint32_t>(std::ceil(2.0 * bar + 0.5 * sampleRate_));
}

bool ClapPlugin::loadPreset(uint32_t kind, const char* location, const char* key) {
  if (!initialised_ || !isMainThread()) return false;
  char* end = nullptr;
  const long program = key ? std::strtol(key, &end, 10) : -1;
  const bool valid = kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN && key && *key && end && *end == 0 &&
                     program >= 0 && program < effect_->numPrograms;
  if (!valid) {
    if (hostPresets_ && hostPresets_->on_error)
      hostPresets_->on_error(host_, kind, location, key, 0, "no such factory program");
    return false;
  }
  effect_->dispatcher(effect_, effSetProgram, 0, program, nullptr, 0.0f);
  rescanValues();
  if (hostPresets_ && hostPresets_->loaded) hostPresets_->loaded(host_, kind, location, key);
  return true;
}

const void* ClapPlugin::extension(const char* id) const {
  if (!id) return nullptr;
  if (!std::strcmp(id, CLAP_EXT_AUDIO_PORTS)) return &kAudioPorts;
  if (!std::strcmp(id, CLAP_EXT_NOTE_PORTS)) return &kNotePorts;
  if (!std::strcmp(id, CLAP_EXT_PARAMS)) return &kParams;
  if (!std::strcmp(id, CLAP_EXT_STATE)) return &kState;
  if (!std::strcmp(id, CLAP_EXT_LATENCY)) return &kLatency;
  if (!std::strcmp(id, CLAP_EXT_TAIL)) return &kTail;
  if (!std::strcmp(id, CLAP_EXT_PRESET_LOAD) || !std::strcmp(id, CLAP_EXT_PRESET_LOAD_COMPAT))
    return &kPresetLoad;
  if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return &kTimerSupport;
  if (!std::strcmp(id, CLAP_EXT_GUI) && effect_ && (effect_->flags & effFlagsHasEditor)) return &kClapGui;
  return nullptr;
}

}  // namespace zarnith
