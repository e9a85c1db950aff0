// The host side of CLAP: a plug-in library opened through its entry, and one plug-in of
// it created with the host services a real host offers (parameters, timers, thread
// check, state, presets, latency and tail, editor). Used by zarnith-host and the tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "event_ring.h"
#include "formats/clap/clap_abi.h"

// The opened library: entry initialised, factories on request, deinitialised and
// unloaded on destruction.
class ClapLibrary {
 public:
  static std::unique_ptr<ClapLibrary> open(const std::string& path, std::string* error);
  ~ClapLibrary();
  ClapLibrary(const ClapLibrary&) = delete;
  ClapLibrary& operator=(const ClapLibrary&) = delete;

  const clap_plugin_entry_t* entry() const { return entry_; }
  const void* factory(const char* id) const {
    return entry_->get_factory ? entry_->get_factory(id) : nullptr;
  }
  const clap_plugin_factory_t* pluginFactory() const;
  const std::string& path() const { return path_; }

 private:
  ClapLibrary() = default;
  void* handle_ = nullptr;
  const clap_plugin_entry_t* entry_ = nullptr;
  std::string path_;
};

// One factory preset as the preset-discovery factory describes it.
struct ClapPreset {
  std::string name, loadKey, pluginId;
  uint32_t flags = 0;
  uint32_t locationKind = 0;
  std::string location;
};
// Every preset of every provider of the library; error set when the walk fails.
std::vector<ClapPreset> discoverClapPresets(const ClapLibrary& library, std::string* error);

// An event the plug-in sent to the host (from process or flush).
struct ClapOutEvent {
  uint16_t type;
  clap_id paramId;
  double value;
};

class ClapHost {
 public:
  // Creates the plug-in with the given id (the first of the factory when empty) and
  // initialises it. Null with error set on failure.
  static std::unique_ptr<ClapHost> create(ClapLibrary& library, const std::string& id, std::string* error);
  ~ClapHost();  // deactivates and destroys the plug-in

  const clap_plugin_t* plugin() const { return plugin_; }
  template <typename T>
  const T* extension(const char* id) const {
    return static_cast<const T*>(plugin_->get_extension ? plugin_->get_extension(plugin_, id) : nullptr);
  }

  // What the host offers; switched off before create to play a more limited host.
  struct Offers {
    bool timers = true;
    bool threadCheck = true;
    bool params = true;
  };
  static Offers& nextOffers();

  // Services the plug-in asked for, counted (any thread).
  std::atomic<int> flushRequests{0};
  std::atomic<int> callbackRequests{0};
  std::atomic<int> rescans{0};
  std::atomic<int> presetLoads{0};
  std::atomic<int> presetErrors{0};
  std::atomic<int> dirtyMarks{0};
  std::vector<clap_id> timers() const;
  uint32_t timerPeriod(clap_id id) const;

  // Runs fn as the host's audio thread (the thread check answers so meanwhile).
  template <typename F>
  auto asAudioThread(F fn) -> decltype(fn()) {
    AudioScope scope;
    return fn();
  }

  // Events sent by the plug-in since the last call.
  std::vector<ClapOutEvent> takeOutEvents();
  // The oldest of them, without allocating: for the audio thread.
  bool takeOutEvent(ClapOutEvent* event) { return out_.pop(event); }
  // The out-events list handed to process and flush.
  const clap_output_events_t* outEvents() { return &outEvents_; }

  // Calls every registered timer once, and on_main_thread when it was asked for.
  void pumpMainThread();

 private:
  struct AudioScope {
    AudioScope();
    ~AudioScope();
  };
  ClapHost();
  static const void* hostExtension(const clap_host_t* host, const char* id);
  static ClapHost* of(const clap_host_t* host);
  static bool pushOut(const clap_output_events_t* list, const clap_event_header_t* event);

  clap_host_t host_;
  clap_output_events_t outEvents_;
  Offers offers_;
  const clap_plugin_t* plugin_ = nullptr;
  std::thread::id mainThread_;
  mutable std::mutex mutex_;  // the timers
  // Filled by the plug-in from its audio thread too: a ring, which neither locks nor
  // allocates. When it is full the plug-in keeps the rest for its next call.
  EventRing<ClapOutEvent, 4096> out_;
  std::vector<std::pair<clap_id, uint32_t>> timers_;
  clap_id nextTimer_ = 1;
  std::atomic<bool> callbackPending_{false};

  friend struct ClapHostServices;
};
