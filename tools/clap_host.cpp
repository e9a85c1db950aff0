#include "clap_host.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace {

thread_local int audioDepth = 0;

bool compatible(const clap_version_t& version) {
  return version.major >= 1;
}

}  // namespace

// ---- library ----

std::unique_ptr<ClapLibrary> ClapLibrary::open(const std::string& path, std::string* error) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    *error = path + ": no such file";
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    *error = path + ": not a regular file";
    return nullptr;
  }
  const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
  // The library stays mapped after its deinit, as in hosts that scan and load again:
  // the graphics libraries it brings set up process-wide state when they load that
  // an unload would lose, once per load.
  void* handle = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* reason = dlerror();
    *error = path + ": not a loadable library (" + (reason ? reason : "unknown reason") + ")";
    return nullptr;
  }
  const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, "clap_entry"));
  if (!entry) {
    dlclose(handle);
    *error = path + ": no CLAP entry (clap_entry)";
    return nullptr;
  }
  if (!compatible(entry->clap_version) || !entry->init || !entry->get_factory) {
    dlclose(handle);
    *error = path + ": the CLAP entry is of an incompatible version";
    return nullptr;
  }
  if (!entry->init(path.c_str())) {
    dlclose(handle);
    *error = path + ": the CLAP entry refused to initialise";
    return nullptr;
  }
  std::unique_ptr<ClapLibrary> library(new ClapLibrary());
  library->handle_ = handle;
  library->entry_ = entry;
  library->path_ = path;
  return library;
}

ClapLibrary::~ClapLibrary() {
  if (entry_ && entry_->deinit) entry_->deinit();
  if (handle_) dlclose(handle_);
}

const clap_plugin_factory_t* ClapLibrary::pluginFactory() const {
  return static_cast<const clap_plugin_factory_t*>(factory(CLAP_PLUGIN_FACTORY_ID));
}

// ---- preset discovery ----

namespace {

struct Indexer {
  clap_preset_discovery_indexer_t indexer;
  std::vector<clap_preset_discovery_location_t> locations;
  std::vector<std::string> locationTexts;
};

struct Receiver {
  clap_preset_discovery_metadata_receiver_t receiver;
  std::vector<ClapPreset>* presets;
  uint32_t kind;
  std::string location;
  std::string error;
};

Receiver* receiverOf(const clap_preset_discovery_metadata_receiver_t* r) {
  return static_cast<Receiver*>(r->receiver_data);
}

}  // namespace

std::vector<ClapPreset> discoverClapPresets(const ClapLibrary& library, std::string* error) {
  std::vector<ClapPreset> presets;
  const auto* factory =
      static_cast<const clap_preset_discovery_factory_t*>(library.factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
  if (!factory)
    factory = static_cast<const clap_preset_discovery_factory_t*>(
        library.factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT));
  if (!factory) return presets;
  const uint32_t providers = factory->count(factory);
  for (uint32_t p = 0; p < providers; p++) {
    const clap_preset_discovery_provider_descriptor_t* descriptor = factory->get_descriptor(factory, p);
    if (!descriptor || !descriptor->id) continue;
    Indexer indexer{};
    indexer.indexer.clap_version = ZARNITH_CLAP_VERSION;
    indexer.indexer.name = "zarnith-host";
    indexer.indexer.vendor = "";
    indexer.indexer.url = "";
    indexer.indexer.version = "1";
    indexer.indexer.indexer_data = &indexer;
    indexer.indexer.declare_filetype = [](const clap_preset_discovery_indexer_t*,
                                          const clap_preset_discovery_filetype_t*) { return true; };
    indexer.indexer.declare_location = [](const clap_preset_discovery_indexer_t* i,
                                          const clap_preset_discovery_location_t* location) {
      auto* self = static_cast<Indexer*>(i->indexer_data);
      if (!location) return false;
      self->locations.push_back(*location);
      self->locationTexts.push_back(location->location ? location->location : "");
      return true;
    };
    indexer.indexer.declare_soundpack = [](const clap_preset_discovery_indexer_t*,
                                           const clap_preset_discovery_soundpack_t*) { return true; };
    indexer.indexer.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void* {
      return nullptr;
    };
    const clap_preset_discovery_provider_t* provider =
        factory->create(factory, &indexer.indexer, descriptor->id);
    if (!provider) {
      if (error) *error = std::string("preset provider ") + descriptor->id + " could not be created";
      continue;
    }
    if (provider->init(provider)) {
      for (size_t l = 0; l < indexer.locations.size(); l++) {
        Receiver receiver{};
        receiver.presets = &presets;
        receiver.kind = indexer.locations[l].kind;
        receiver.location = indexer.locationTexts[l];
        clap_preset_discovery_metadata_receiver_t& r = receiver.receiver;
        r.receiver_data = &receiver;
        r.on_error = [](const clap_preset_discovery_metadata_receiver_t* self, int32_t, const char* message) {
          receiverOf(self)->error = message ? message : "error";
        };
        r.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* self, const char* name,
                            const char* key) {
          Receiver* me = receiverOf(self);
          ClapPreset preset;
          preset.name = name ? name : "";
          preset.loadKey = key ? key : "";
          preset.locationKind = me->kind;
          preset.location = me->location;
          me->presets->push_back(preset);
          return true;
        };
        r.add_plugin_id = [](const clap_preset_discovery_metadata_receiver_t* self,
                             const clap_universal_plugin_id_t* id) {
          Receiver* me = receiverOf(self);
          if (!me->presets->empty() && id && id->id) me->presets->back().pluginId = id->id;
        };
        r.set_soundpack_id = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
        r.set_flags = [](const clap_preset_discovery_metadata_receiver_t* self, uint32_t flags) {
          Receiver* me = receiverOf(self);
          if (!me->presets->empty()) me->presets->back().flags = flags;
        };
        r.add_creator = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
        r.set_description = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
        r.set_timestamps = [](const clap_preset_discovery_metadata_receiver_t*, clap_timestamp,
                              clap_timestamp) {};
        r.add_feature = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
        r.add_extra_info = [](const clap_preset_discovery_metadata_receiver_t*, const char*, const char*) {};
        const char* location = indexer.locations[l].kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN
                                   ? nullptr
                                   : indexer.locationTexts[l].c_str();
        if (!provider->get_metadata(provider, indexer.locations[l].kind, location, &r) && error)
          *error =
              "preset metadata could not be read" + (receiver.error.empty() ? "" : ": " + receiver.error);
      }
    }
    provider->destroy(provider);
  }
  return presets;
}

// ---- host ----

struct ClapHostServices {
  static ClapHost* of(const clap_host_t* host) { return ClapHost::of(host); }

  static void rescan(const clap_host_t* h, uint32_t) { of(h)->rescans++; }
  static void clear(const clap_host_t*, clap_id, uint32_t) {}
  static void requestFlush(const clap_host_t* h) { of(h)->flushRequests++; }

  static bool registerTimer(const clap_host_t* h, uint32_t period, clap_id* id) {
    ClapHost* host = of(h);
    if (!id) return false;
    std::lock_guard<std::mutex> lock(host->mutex_);
    *id = host->nextTimer_++;
    host->timers_.push_back({*id, period});
    return true;
  }
  static bool unregisterTimer(const clap_host_t* h, clap_id id) {
    ClapHost* host = of(h);
    std::lock_guard<std::mutex> lock(host->mutex_);
    auto it = std::find_if(host->timers_.begin(), host->timers_.end(),
                           [id](const std::pair<clap_id, uint32_t>& t) { return t.first == id; });
    if (it == host->timers_.end()) return false;
    host->timers_.erase(it);
    return true;
  }

  static bool isMainThread(const clap_host_t* h) {
    return std::this_thread::get_id() == of(h)->mainThread_ && audioDepth == 0;
  }
  static bool isAudioThread(const clap_host_t* h) {
    return audioDepth > 0 || std::this_thread::get_id() != of(h)->mainThread_;
  }

  static void markDirty(const clap_host_t* h) { of(h)->dirtyMarks++; }

  static void presetError(const clap_host_t* h, uint32_t, const char*, const char*, int32_t, const char*) {
    of(h)->presetErrors++;
  }
  static void presetLoaded(const clap_host_t* h, uint32_t, const char*, const char*) { of(h)->presetLoads++; }

  static void latencyChanged(const clap_host_t*) {}
  static void tailChanged(const clap_host_t*) {}

  static void guiResizeHintsChanged(const clap_host_t*) {}
  static bool guiRequestResize(const clap_host_t*, uint32_t, uint32_t) { return false; }
  static bool guiRequestShow(const clap_host_t*) { return false; }
  static bool guiRequestHide(const clap_host_t*) { return false; }
  static void guiClosed(const clap_host_t*, bool) {}
};

namespace {

const clap_host_params_t kHostParams = {ClapHostServices::rescan, ClapHostServices::clear,
                                        ClapHostServices::requestFlush};
const clap_host_timer_support_t kHostTimers = {ClapHostServices::registerTimer,
                                               ClapHostServices::unregisterTimer};
const clap_host_thread_check_t kHostThreads = {ClapHostServices::isMainThread,
                                               ClapHostServices::isAudioThread};
const clap_host_state_t kHostState = {ClapHostServices::markDirty};
const clap_host_preset_load_t kHostPresets = {ClapHostServices::presetError, ClapHostServices::presetLoaded};
struct HostChanged {
  void (*changed)(const clap_host_t*);
};
const HostChanged kHostLatency = {ClapHostServices::latencyChanged};
const HostChanged kHostTail = {ClapHostServices::tailChanged};
struct HostGui {
  void (*resize_hints_changed)(const clap_host_t*);
  bool (*request_resize)(const clap_host_t*, uint32_t, uint32_t);
  bool (*request_show)(const clap_host_t*);
  bool (*request_hide)(const clap_host_t*);
  void (*closed)(const clap_host_t*, bool);
};
const HostGui kHostGui = {ClapHostServices::guiResizeHintsChanged, ClapHostServices::guiRequestResize,
                          ClapHostServices::guiRequestShow, ClapHostServices::guiRequestHide,
                          ClapHostServices::guiClosed};

}  // namespace

ClapHost::AudioScope::AudioScope() {
  audioDepth++;
}
ClapHost::AudioScope::~AudioScope() {
  audioDepth--;
}

ClapHost::Offers& ClapHost::nextOffers() {
  static Offers offers;
  return offers;
}

ClapHost::ClapHost() : offers_(nextOffers()), mainThread_(std::this_thread::get_id()) {
  std::memset(&host_, 0, sizeof(host_));
  host_.clap_version = ZARNITH_CLAP_VERSION;
  host_.host_data = this;
  host_.name = "zarnith-host";
  host_.vendor = "Kovrane Audio Production";
  host_.url = "";
  host_.version = "1.0";
  host_.get_extension = &ClapHost::hostExtension;
  host_.request_restart = [](const clap_host_t*) {};
  host_.request_process = [](const clap_host_t*) {};
  host_.request_callback = [](const clap_host_t* h) {
    of(h)->callbackRequests++;
    of(h)->callbackPending_.store(true);
  };
  outEvents_.ctx = this;
  outEvents_.try_push = &ClapHost::pushOut;
}

ClapHost* ClapHost::of(const clap_host_t* host) {
  return static_cast<ClapHost*>(host->host_data);
}

const void* ClapHost::hostExtension(const clap_host_t* h, const char* id) {
  if (!id) return nullptr;
  const Offers& offers = of(h)->offers_;
  if (!std::strcmp(id, CLAP_EXT_PARAMS)) return offers.params ? &kHostParams : nullptr;
  if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return offers.timers ? &kHostTimers : nullptr;
  if (!std::strcmp(id, CLAP_EXT_THREAD_CHECK)) return offers.threadCheck ? &kHostThreads : nullptr;
  if (!std::strcmp(id, CLAP_EXT_STATE)) return &kHostState;
  if (!std::strcmp(id, CLAP_EXT_PRESET_LOAD) || !std::strcmp(id, CLAP_EXT_PRESET_LOAD_COMPAT))
    return &kHostPresets;
  if (!std::strcmp(id, CLAP_EXT_LATENCY)) return &kHostLatency;
  if (!std::strcmp(id, CLAP_EXT_TAIL)) return &kHostTail;
  if (!std::strcmp(id, CLAP_EXT_GUI)) return &kHostGui;
  return nullptr;
}

bool ClapHost::pushOut(const clap_output_events_t* list, const clap_event_header_t* event) {
  ClapHost* host = static_cast<ClapHost*>(list->ctx);
  if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID) return false;
  ClapOutEvent out{event->type, CLAP_INVALID_ID, 0.0};
  if (event->type == CLAP_EVENT_PARAM_VALUE && event->size >= sizeof(clap_event_param_value_t)) {
    const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
    out.paramId = value->param_id;
    out.value = value->value;
  } else if ((event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || event->type == CLAP_EVENT_PARAM_GESTURE_END) &&
             event->size >= sizeof(clap_event_param_gesture_t)) {
    out.paramId = reinterpret_cast<const clap_event_param_gesture_t*>(event)->param_id;
  }
  return host->out_.push(out);
}

std::unique_ptr<ClapHost> ClapHost::create(ClapLibrary& library, const std::string& id, std::string* error) {
  const clap_plugin_factory_t* factory = library.pluginFactory();
  if (!factory) {
    *error = library.path() + ": no CLAP plug-in factory";
    return nullptr;
  }
  std::string pluginId = id;
  if (pluginId.empty()) {
    const clap_plugin_descriptor_t* descriptor =
        factory->get_plugin_count(factory) > 0 ? factory->get_plugin_descriptor(factory, 0) : nullptr;
    if (!descriptor || !descriptor->id) {
      *error = library.path() + ": the CLAP factory offers no plug-in";
      return nullptr;
    }
    pluginId = descriptor->id;
  }
  std::unique_ptr<ClapHost> host(new ClapHost());
  host->plugin_ = factory->create_plugin(factory, &host->host_, pluginId.c_str());
  if (!host->plugin_) {
    *error = library.path() + ": the CLAP factory could not create " + pluginId;
    return nullptr;
  }
  if (!host->plugin_->init(host->plugin_)) {
    host->plugin_->destroy(host->plugin_);
    host->plugin_ = nullptr;
    *error = library.path() + ": the CLAP plug-in " + pluginId + " refused to initialise";
    return nullptr;
  }
  return host;
}

ClapHost::~ClapHost() {
  if (plugin_) plugin_->destroy(plugin_);
}

std::vector<clap_id> ClapHost::timers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<clap_id> ids;
  for (const auto& timer : timers_) ids.push_back(timer.first);
  return ids;
}

uint32_t ClapHost::timerPeriod(clap_id id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& timer : timers_)
    if (timer.first == id) return timer.second;
  return 0;
}

std::vector<ClapOutEvent> ClapHost::takeOutEvents() {
  std::vector<ClapOutEvent> events;
  ClapOutEvent event;
  while (out_.pop(&event)) events.push_back(event);
  return events;
}

void ClapHost::pumpMainThread() {
  const auto* timerSupport = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
  if (timerSupport && timerSupport->on_timer)
    for (clap_id id : timers()) timerSupport->on_timer(plugin_, id);
  if (callbackPending_.exchange(false) && plugin_->on_main_thread) plugin_->on_main_thread(plugin_);
}
