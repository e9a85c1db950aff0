// A CLAP plug-in behind a 2.4 effect record, so that every subcommand drives it as
// it drives a 2.4 library: the dispatcher, processReplacing and the parameter entries
// become CLAP calls, and the plug-in's parameter and gesture events become the
// effect's automation and edit requests to the host callback.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "clap_host.h"
#include "event_ring.h"
#include "plugin_library.h"

namespace {

const VstInt32 kMaxParameterIndex = 4096;

// 32-bit FNV-1a of the plug-in id: a stable number where the record wants one.
VstInt32 idNumber(const char* id) {
  uint32_t hash = 2166136261u;
  for (const char* c = id; c && *c; c++) hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
  return static_cast<VstInt32>(hash);
}

// Parameter changes waiting for the next block (or flush), and what one block hands
// the plug-in at most; the rest waits for the block after.
const size_t kPendingValues = 4096;
const uint32_t kBlockValues = 1024;
const uint32_t kBlockNotes = 512;
// Changes handed to one flush call at a time, from the calling thread's stack.
const uint32_t kFlushValues = 64;

// The plug-in's input events over storage its owner made beforehand: filling it
// neither allocates nor locks.
struct EventList {
  const clap_event_header_t** events;
  uint32_t capacity;
  uint32_t count = 0;
  clap_input_events_t list;
  EventList(const clap_event_header_t** storage, uint32_t size) : events(storage), capacity(size) {
    list.ctx = this;
    list.size = [](const clap_input_events_t* l) { return static_cast<const EventList*>(l->ctx)->count; };
    list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
      const auto* self = static_cast<const EventList*>(l->ctx);
      return i < self->count ? self->events[i] : nullptr;
    };
  }
  void add(const clap_event_header_t* event) {
    if (count < capacity) events[count++] = event;
  }
};

class ClapEffect {
 public:
  ClapEffect(std::unique_ptr<ClapHost> host, audioMasterCallback master, std::vector<ClapPreset> presets)
      : host_(std::move(host)), master_(master), presets_(std::move(presets)) {
    const clap_plugin_t* plugin = host_->plugin();
    params_ = host_->extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    state_ = host_->extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    gui_ = host_->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    presetLoad_ = host_->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    if (!presetLoad_) presetLoad_ = host_->extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD_COMPAT);
    std::memset(&record_, 0, sizeof(record_));
    record_.magic = kEffectMagic;
    record_.dispatcher = &ClapEffect::dispatchEntry;
    record_.process = [](AEffect*, float**, float**, VstInt32) {};
    record_.setParameter = [](AEffect* e, VstInt32 index, float value) { of(e)->setParameter(index, value); };
    record_.getParameter = [](AEffect* e, VstInt32 index) { return of(e)->getParameter(index); };
    record_.processReplacing = [](AEffect* e, float** in, float** out, VstInt32 frames) {
      of(e)->process(in, out, frames);
    };
    record_.object = this;
    record_.ioRatio = 1.0f;
    record_.version = 1;
    record_.uniqueID = idNumber(plugin->desc ? plugin->desc->id : "");
    record_.numPrograms = static_cast<VstInt32>(presets_.size());
    // Parameter ids are the record's indices; the record spans the highest of them.
    VstInt32 top = -1;
    const uint32_t count = params_ ? params_->count(plugin) : 0;
    for (uint32_t i = 0; i < count; i++) {
      clap_param_info_t info{};
      if (!params_->get_info(plugin, i, &info) || info.id > static_cast<clap_id>(kMaxParameterIndex))
        continue;
      infos_.push_back(info);
      top = std::max(top, static_cast<VstInt32>(info.id));
    }
    record_.numParams = top + 1;
    record_.numInputs = channels(true);
    record_.numOutputs = channels(false);
    record_.flags = effFlagsCanReplacing;
    if (state_) record_.flags |= effFlagsProgramChunks;
    if (gui_ && gui_->is_api_supported(plugin, CLAP_WINDOW_API_X11, false))
      record_.flags |= effFlagsHasEditor;
  }

  AEffect* record() { return &record_; }
  ClapHost& host() { return *host_; }
  const std::vector<clap_param_info_t>& parameters() const { return infos_; }
  const std::vector<ClapPreset>& presets() const { return presets_; }

 private:
  static ClapEffect* of(AEffect* e) { return static_cast<ClapEffect*>(e->object); }

  static VstIntPtr ZARNITH_CALL dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt) {
    ClapEffect* self = e ? of(e) : nullptr;
    if (!self) return 0;
    if (opcode == effClose) {
      delete self;
      return 1;
    }
    return self->dispatch(opcode, index, value, ptr, opt);
  }

  const clap_plugin_t* plugin() const { return host_->plugin(); }

  VstInt32 channels(bool input) const {
    const auto* ports = host_->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    if (!ports || ports->count(plugin(), input) == 0) return 0;
    clap_audio_port_info_t info{};
    return ports->get(plugin(), 0, input, &info) ? static_cast<VstInt32>(info.channel_count) : 0;
  }

  const clap_param_info_t* info(VstInt32 index) const {
    for (const clap_param_info_t& i : infos_)
      if (i.id == static_cast<clap_id>(index)) return &i;
    return nullptr;
  }

  VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, float opt = 0.0f) {
    return master_ ? master_(&record_, opcode, index, 0, nullptr, opt) : 0;
  }

  // The plug-in's events become the requests a 2.4 effect sends.
  void forwardOutEvents() {
    ClapOutEvent event;
    while (host_->takeOutEvent(&event)) {
      if (event.type == CLAP_EVENT_PARAM_VALUE)
        call(audioMasterAutomate, static_cast<VstInt32>(event.paramId), static_cast<float>(event.value));
      else if (event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN)
        call(audioMasterBeginEdit, static_cast<VstInt32>(event.paramId));
      else if (event.type == CLAP_EVENT_PARAM_GESTURE_END)
        call(audioMasterEndEdit, static_cast<VstInt32>(event.paramId));
    }
  }

  void queueValue(VstInt32 index, float value) {
    clap_event_param_value_t event{};
    event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = static_cast<clap_id>(index);
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    // A full ring means the plug-in has not been run or flushed for thousands of
    // changes; the newest are the ones dropped.
    pendingValues_.push(event);
  }

  // Values set outside processing reach the plug-in through flush at once.
  // Any thread may get here (a host's audio thread sets parameters too), so the
  // values go in portions through the stack, not through the block's storage.
  void flushNow() {
    if (!params_ || !params_->flush) return;
    bool more = true;
    while (more) {
      clap_event_param_value_t values[kFlushValues];
      const clap_event_header_t* headers[kFlushValues];
      EventList list(headers, kFlushValues);
      while (list.count < kFlushValues && pendingValues_.pop(&values[list.count]))
        list.add(&values[list.count].header);
      more = list.count == kFlushValues;
      if (active_)
        host_->asAudioThread([&] { params_->flush(plugin(), &list.list, host_->outEvents()); });
      else
        params_->flush(plugin(), &list.list, host_->outEvents());
    }
    forwardOutEvents();
  }

  void setParameter(VstInt32 index, float value) {
    if (!info(index)) return;
    queueValue(index, value);
    if (!processing_) flushNow();
  }

  float getParameter(VstInt32 index) {
    double value = 0.0;
    if (!params_ || !info(index) || !params_->get_value(plugin(), static_cast<clap_id>(index), &value))
      return 0.0f;
    return static_cast<float>(value);
  }

  void process(float** inputs, float** outputs, VstInt32 frames) {
    if (!active_ || frames < 0) return;
    host_->asAudioThread([&] {
      if (!processing_) processing_ = plugin()->start_processing(plugin());
      // The musical time comes from the host callback, as a 2.4 effect asks for it.
      const VstTimeInfo* time = master_ ? reinterpret_cast<const VstTimeInfo*>(
                                              master_(&record_, audioMasterGetTime, 0, 0xFFFF, nullptr, 0))
                                        : nullptr;
      clap_event_transport_t transport{};
      if (time) {
        transport.header = {sizeof(transport), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
        transport.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
                          CLAP_TRANSPORT_HAS_SECONDS_TIMELINE |
                          ((time->flags & kVstTransportPlaying) ? CLAP_TRANSPORT_IS_PLAYING : 0);
        transport.song_pos_beats = std::llround(time->ppqPos * CLAP_BEATTIME_FACTOR);
        transport.song_pos_seconds =
            time->sampleRate > 0.0 ? std::llround(time->samplePos / time->sampleRate * CLAP_SECTIME_FACTOR)
                                   : 0;
        transport.tempo = time->tempo;
        transport.bar_start = std::llround(time->barStartPos * CLAP_BEATTIME_FACTOR);
        if (time->timeSigNumerator > 0 && time->timeSigNumerator < 65536 && time->timeSigDenominator > 0 &&
            time->timeSigDenominator < 65536) {
          transport.flags |= CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
          transport.tsig_num = static_cast<uint16_t>(time->timeSigNumerator);
          transport.tsig_denom = static_cast<uint16_t>(time->timeSigDenominator);
          const double quartersPerBar = time->timeSigNumerator * 4.0 / time->timeSigDenominator;
          transport.bar_number = static_cast<int32_t>(std::floor(time->barStartPos / quartersPerBar + 0.5));
        }
      }
      // Everything the block hands over lives in storage made with the effect.
      EventList list(blockEvents_, kBlockValues + kBlockNotes);
      uint32_t values = 0;
      while (values < kBlockValues && pendingValues_.pop(&blockValues_[values]))
        list.add(&blockValues_[values++].header);
      for (uint32_t n = 0; n < noteCount_; n++) list.add(&pendingNotes_[n].header);
      noteCount_ = 0;
      clap_audio_buffer_t in{};
      in.data32 = inputs;
      in.channel_count = 2;
      clap_audio_buffer_t out{};
      out.data32 = outputs;
      out.channel_count = 2;
      clap_process_t process{};
      process.steady_time = steadyTime_;
      process.frames_count = static_cast<uint32_t>(frames);
      process.transport = time ? &transport : nullptr;
      process.audio_inputs = &in;
      process.audio_outputs = &out;
      process.audio_inputs_count = 1;
      process.audio_outputs_count = 1;
      process.in_events = &list.list;
      process.out_events = host_->outEvents();
      plugin()->process(plugin(), &process);
      steadyTime_ += frames;
    });
    forwardOutEvents();
  }

  void queueEvents(const VstEvents* events) {
    if (!events) return;
    for (VstInt32 i = 0; i < events->numEvents; i++) {
      const VstEvent* event = events->events[i];
      if (!event || event->type != kVstMidiType) continue;
      const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
      const unsigned char status = static_cast<unsigned char>(midi->midiData[0]);
      const unsigned char velocity = static_cast<unsigned char>(midi->midiData[2]) & 0x7F;
      if ((status & 0xF0) != 0x90 || velocity == 0) continue;
      clap_event_note_t note{};
      note.header = {sizeof(note), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON, 0};
      note.note_id = -1;
      note.port_index = 0;
      note.channel = static_cast<int16_t>(status & 0x0F);
      note.key = static_cast<int16_t>(midi->midiData[1] & 0x7F);
      note.velocity = velocity / 127.0;
      // Notes only drive an activity value: past a block's worth, more say nothing new.
      if (noteCount_ < kBlockNotes) pendingNotes_[noteCount_++] = note;
    }
  }

  bool ensureGui() {
    if (guiCreated_) return true;
    if (!gui_) return false;
    guiCreated_ = gui_->create(plugin(), CLAP_WINDOW_API_X11, false);
    return guiCreated_;
  }

  void idle() {
    host_->pumpMainThread();
    // Edits made outside processing wait for a flush the plug-in asked for.
    if (host_->flushRequests.exchange(0) > 0 && !processing_) flushNow();
    forwardOutEvents();
  }

  VstIntPtr text(char* ptr, const std::string& value) {
    if (!ptr) return 0;
    std::snprintf(ptr, 256, "%s", value.c_str());
    return 1;
  }

  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    const clap_plugin_descriptor_t* desc = plugin()->desc;
    char* textPtr = static_cast<char*>(ptr);
    switch (opcode) {
      case effSetProgram:
        if (value < 0 || value >= static_cast<VstIntPtr>(presets_.size()) || !presetLoad_) return 0;
        {
          const ClapPreset& preset = presets_[static_cast<size_t>(value)];
          if (presetLoad_->from_location(plugin(), preset.locationKind,
                                         preset.location.empty() ? nullptr : preset.location.c_str(),
                                         preset.loadKey.c_str()))
            program_ = static_cast<VstInt32>(value);
        }
        return 0;
      case effGetProgram:
        return program_;
      case effGetProgramName:
        return text(textPtr,
                    program_ < static_cast<VstInt32>(presets_.size()) ? presets_[program_].name : "");
      case effGetProgramNameIndexed:
        if (index < 0 || index >= static_cast<VstInt32>(presets_.size())) return 0;
        return text(textPtr, presets_[index].name);
      case effGetParamName: {
        const clap_param_info_t* i = info(index);
        if (i) text(textPtr, i->name);
        return 0;
      }
      case effGetParamDisplay: {
        const clap_param_info_t* i = info(index);
        double current = 0.0;
        char display[256] = {0};
        if (i && textPtr && params_->get_value(plugin(), i->id, &current) &&
            params_->value_to_text(plugin(), i->id, current, display, sizeof(display)))
          text(textPtr, display);
        return 0;
      }
      case effString2Parameter: {
        const clap_param_info_t* i = info(index);
        double parsed = 0.0;
        if (!i || !textPtr || !params_->text_to_value(plugin(), i->id, textPtr, &parsed)) return 0;
        setParameter(index, static_cast<float>(parsed));
        return 1;
      }
      case effCanBeAutomated: {
        const clap_param_info_t* i = info(index);
        return i && (i->flags & CLAP_PARAM_IS_AUTOMATABLE) ? 1 : 0;
      }
      case effSetSampleRate:
        sampleRate_ = opt;
        return 0;
      case effSetBlockSize:
        blockSize_ = value > 0 && value < (1 << 24) ? static_cast<uint32_t>(value) : blockSize_;
        return 0;
      case effMainsChanged:
        if (value && !active_) {
          active_ = plugin()->activate(plugin(), sampleRate_, 1, blockSize_);
          if (active_) {
            const auto* latency = host_->extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
            record_.initialDelay = latency ? static_cast<VstInt32>(latency->get(plugin())) : 0;
          }
        } else if (!value && active_) {
          stopProcessing();
          plugin()->deactivate(plugin());
          active_ = false;
          flushNow();
        }
        return 0;
      case effStartProcess:
        return 0;  // started by the first block, on the thread that processes
      case effStopProcess:
        stopProcessing();
        return 0;
      case effProcessEvents:
        queueEvents(static_cast<const VstEvents*>(ptr));
        return 1;
      case effEditGetRect: {
        if (!ptr || !ensureGui()) return 0;
        uint32_t width = 0, height = 0;
        if (!gui_->get_size(plugin(), &width, &height)) return 0;
        rect_ = {0, 0, static_cast<VstInt16>(height), static_cast<VstInt16>(width)};
        *static_cast<ERect**>(ptr) = &rect_;
        return 1;
      }
      case effEditOpen: {
        if (!ptr || !ensureGui()) return 0;
        clap_window_t window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(ptr));
        if (!gui_->set_parent(plugin(), &window)) return 0;
        gui_->show(plugin());
        return 1;
      }
      case effEditClose:
        if (guiCreated_) gui_->destroy(plugin());
        guiCreated_ = false;
        return 0;
      case effEditIdle:
        idle();
        return 0;
      case effGetChunk: {
        if (!state_ || !ptr) return 0;
        chunk_.clear();
        clap_ostream_t stream{&chunk_,
                              [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                                auto* bytes = static_cast<std::vector<unsigned char>*>(s->ctx);
                                const auto* from = static_cast<const unsigned char*>(data);
                                bytes->insert(bytes->end(), from, from + size);
                                return static_cast<int64_t>(size);
                              }};
        if (!state_->save(plugin(), &stream) || chunk_.empty()) return 0;
        *static_cast<void**>(ptr) = chunk_.data();
        return static_cast<VstIntPtr>(chunk_.size());
      }
      case effSetChunk: {
        if (!state_ || !ptr || value < 0) return 0;
        struct Reader {
          const unsigned char* data;
          uint64_t size, position;
        } reader{static_cast<const unsigned char*>(ptr), static_cast<uint64_t>(value), 0};
        clap_istream_t stream{&reader, [](const clap_istream_t* s, void* buffer, uint64_t size) -> int64_t {
                                auto* r = static_cast<Reader*>(s->ctx);
                                const uint64_t n = std::min(size, r->size - r->position);
                                std::memcpy(buffer, r->data + r->position, n);
                                r->position += n;
                                return static_cast<int64_t>(n);
                              }};
        return state_->load(plugin(), &stream) ? 1 : 0;
      }
      case effGetEffectName:
      case effGetProductString:
        return text(textPtr, desc && desc->name ? desc->name : "");
      case effGetVendorString:
        return text(textPtr, desc && desc->vendor ? desc->vendor : "");
      case effGetPlugCategory:
        return kPlugCategEffect;
      case effCanDo: {
        if (!textPtr) return -1;
        const std::string what = textPtr;
        const auto* notes = host_->extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
        const bool takesNotes = notes && notes->count(plugin(), true) > 0;
        if (what == "receiveVstTimeInfo") return 1;
        if (what == "receiveVstEvents" || what == "receiveVstMidiEvent") return takesNotes ? 1 : -1;
        return -1;
      }
      case effGetTailSize: {
        const auto* tail = host_->extension<clap_plugin_tail_t>(CLAP_EXT_TAIL);
        return tail && active_ ? static_cast<VstIntPtr>(tail->get(plugin())) : 0;
      }
      default:
        return 0;
    }
  }

  void stopProcessing() {
    if (!processing_) return;
    host_->asAudioThread([&] { plugin()->stop_processing(plugin()); });
    processing_ = false;
  }

 public:
  ~ClapEffect() {
    if (guiCreated_) gui_->destroy(plugin());
    if (active_) {
      stopProcessing();
      plugin()->deactivate(plugin());
    }
  }

 private:
  std::unique_ptr<ClapHost> host_;
  audioMasterCallback master_;
  std::vector<ClapPreset> presets_;
  AEffect record_;
  const clap_plugin_params_t* params_ = nullptr;
  const clap_plugin_state_t* state_ = nullptr;
  const clap_plugin_gui_t* gui_ = nullptr;
  const clap_plugin_preset_load_t* presetLoad_ = nullptr;
  std::vector<clap_param_info_t> infos_;
  // Set by any thread, taken by the next block or flush.
  EventRing<clap_event_param_value_t, kPendingValues> pendingValues_;
  // Events arrive on the audio thread, as a 2.4 host sends them before each block.
  clap_event_note_t pendingNotes_[kBlockNotes];
  uint32_t noteCount_ = 0;
  clap_event_param_value_t blockValues_[kBlockValues];
  const clap_event_header_t* blockEvents_[kBlockValues + kBlockNotes];
  std::vector<unsigned char> chunk_;
  ERect rect_{};
  double sampleRate_ = 44100.0;
  uint32_t blockSize_ = 1024;
  // Set on the thread that processes and read by the user-interface thread.
  std::atomic<bool> active_{false};
  std::atomic<bool> processing_{false};
  bool guiCreated_ = false;
  VstInt32 program_ = 0;
  int64_t steadyTime_ = 0;
};

class ClapPluginLibrary : public PluginLibrary {
 public:
  explicit ClapPluginLibrary(std::unique_ptr<ClapLibrary> library) : library_(std::move(library)) {}

  AEffect* createEffect(audioMasterCallback host, std::string* error) override {
    std::unique_ptr<ClapHost> clapHost = ClapHost::create(*library_, "", error);
    if (!clapHost) return nullptr;
    std::string presetError;
    std::vector<ClapPreset> presets = discoverClapPresets(*library_, &presetError);
    auto* effect = new ClapEffect(std::move(clapHost), host, std::move(presets));
    return effect->record();
  }

  std::vector<std::pair<std::string, std::string>> describe(AEffect* record) override;

  const char* formatName() const override { return "CLAP"; }

 private:
  std::unique_ptr<ClapLibrary> library_;
};

std::string flagList(uint32_t flags, const std::vector<std::pair<uint32_t, const char*>>& names) {
  std::string text;
  for (const auto& name : names)
    if (flags & name.first) text += (text.empty() ? "" : ",") + std::string(name.second);
  return text.empty() ? "-" : text;
}

std::vector<std::pair<std::string, std::string>> ClapPluginLibrary::describe(AEffect* record) {
  std::vector<std::pair<std::string, std::string>> lines;
  auto* effect = static_cast<ClapEffect*>(record->object);
  ClapHost& host = effect->host();
  const clap_plugin_t* plugin = host.plugin();
  const clap_plugin_descriptor_t* desc = plugin->desc;
  auto add = [&lines](const std::string& key, const std::string& value) { lines.push_back({key, value}); };
  char text[2048];  // room for a parameter's name, value text and flags
  const clap_version_t& entryVersion = library_->entry()->clap_version;
  std::snprintf(text, sizeof(text), "%u.%u.%u", entryVersion.major, entryVersion.minor,
                entryVersion.revision);
  add("CLAP entry", text);
  const clap_plugin_factory_t* factory = library_->pluginFactory();
  add("Plug-ins in factory", std::to_string(factory->get_plugin_count(factory)));
  add("CLAP id", desc->id ? desc->id : "");
  add("Version", desc->version ? desc->version : "");
  add("Description", desc->description ? desc->description : "");
  std::string features;
  for (const char* const* f = desc->features; f && *f; f++)
    features += (features.empty() ? "" : ",") + std::string(*f);
  add("Features", features);

  static const char* const kExtensions[] = {
      CLAP_EXT_AUDIO_PORTS, CLAP_EXT_NOTE_PORTS,    CLAP_EXT_PARAMS,
      CLAP_EXT_STATE,       CLAP_EXT_LATENCY,       CLAP_EXT_TAIL,
      CLAP_EXT_GUI,         CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_PRESET_LOAD};
  std::string extensions;
  for (const char* id : kExtensions)
    if (plugin->get_extension(plugin, id)) extensions += (extensions.empty() ? "" : ",") + std::string(id);
  add("Extensions", extensions);

  if (const auto* ports = host.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS)) {
    for (int input = 1; input >= 0; input--) {
      for (uint32_t i = 0; i < ports->count(plugin, input); i++) {
        clap_audio_port_info_t info{};
        if (!ports->get(plugin, i, input, &info)) continue;
        std::snprintf(text, sizeof(text), "id %u \"%s\" %u channels, %s, %s, in-place pair %d", info.id,
                      info.name, info.channel_count, info.port_type ? info.port_type : "-",
                      flagList(info.flags, {{CLAP_AUDIO_PORT_IS_MAIN, "main"}}).c_str(),
                      info.in_place_pair == CLAP_INVALID_ID ? -1 : static_cast<int>(info.in_place_pair));
        add(input ? "Audio input" : "Audio output", text);
      }
    }
  }
  if (const auto* notes = host.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS)) {
    for (int input = 1; input >= 0; input--) {
      for (uint32_t i = 0; i < notes->count(plugin, input); i++) {
        clap_note_port_info_t info{};
        if (!notes->get(plugin, i, input, &info)) continue;
        const std::vector<std::pair<uint32_t, const char*>> dialects = {{CLAP_NOTE_DIALECT_CLAP, "clap"},
                                                                        {CLAP_NOTE_DIALECT_MIDI, "midi"},
                                                                        {CLAP_NOTE_DIALECT_MIDI_MPE, "mpe"},
                                                                        {CLAP_NOTE_DIALECT_MIDI2, "midi2"}};
        std::snprintf(text, sizeof(text), "id %u \"%s\" dialects %s, preferred %s", info.id, info.name,
                      flagList(info.supported_dialects, dialects).c_str(),
                      flagList(info.preferred_dialect, dialects).c_str());
        add(input ? "Note input" : "Note output", text);
      }
    }
  }
  for (const clap_param_info_t& info : effect->parameters()) {
    char value[256] = {0};
    const auto* params = host.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    params->value_to_text(plugin, info.id, info.default_value, value, sizeof(value));
    std::snprintf(text, sizeof(text), "%-18s %g..%g default %g (%s) %s", info.name, info.min_value,
                  info.max_value, info.default_value, value,
                  flagList(info.flags, {{CLAP_PARAM_IS_AUTOMATABLE, "automatable"},
                                        {CLAP_PARAM_IS_STEPPED, "stepped"},
                                        {CLAP_PARAM_IS_READONLY, "read-only"},
                                        {CLAP_PARAM_IS_HIDDEN, "hidden"},
                                        {CLAP_PARAM_IS_BYPASS, "bypass"}})
                      .c_str());
    add("Parameter " + std::to_string(info.id), text);
  }
  if (const auto* gui = host.extension<clap_plugin_gui_t>(CLAP_EXT_GUI)) {
    const char* api = nullptr;
    bool floating = false;
    gui->get_preferred_api(plugin, &api, &floating);
    uint32_t width = 0, height = 0;
    bool sized = false, scales = false, resizes = false;
    if (gui->create(plugin, CLAP_WINDOW_API_X11, false)) {
      sized = gui->get_size(plugin, &width, &height);
      scales = gui->set_scale(plugin, 2.0);
      resizes = gui->can_resize(plugin);
      gui->destroy(plugin);
    }
    std::snprintf(text, sizeof(text), "%s%s, %ux%u%s, resizable %s, scalable %s", api ? api : "-",
                  floating ? " floating" : " embedded", width, height, sized ? "" : " (no size)",
                  resizes ? "yes" : "no", scales ? "yes" : "no");
    add("Editor", text);
  }
  // Latency and tail are asked of an active plug-in, as hosts do.
  if (plugin->activate(plugin, 44100.0, 1, 512)) {
    const auto* latency = host.extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
    const auto* tail = host.extension<clap_plugin_tail_t>(CLAP_EXT_TAIL);
    add("Latency", latency ? std::to_string(latency->get(plugin)) + " samples" : "-");
    add("Tail", tail ? std::to_string(tail->get(plugin)) + " samples at 44100 Hz" : "-");
    plugin->deactivate(plugin);
  }
  if (const auto* state = host.extension<clap_plugin_state_t>(CLAP_EXT_STATE)) {
    std::vector<unsigned char> bytes;
    clap_ostream_t stream{&bytes, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                            auto* b = static_cast<std::vector<unsigned char>*>(s->ctx);
                            b->insert(b->end(), static_cast<const unsigned char*>(data),
                                      static_cast<const unsigned char*>(data) + size);
                            return static_cast<int64_t>(size);
                          }};
    add("State", state->save(plugin, &stream) ? std::to_string(bytes.size()) + " bytes" : "not saved");
  }
  std::snprintf(
      text, sizeof(text), "%zu (preset-discovery factory, %s)", effect->presets().size(),
      effect->presets().empty() || effect->presets()[0].locationKind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN
          ? "inside the plug-in"
          : "in files");
  add("Presets", text);
  return lines;
}

}  // namespace

std::unique_ptr<PluginLibrary> openClapLibrary(const std::string& path, std::string* error) {
  std::unique_ptr<ClapLibrary> library = ClapLibrary::open(path, error);
  if (!library) return nullptr;
  return std::unique_ptr<PluginLibrary>(new ClapPluginLibrary(std::move(library)));
}
