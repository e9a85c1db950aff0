// Zarnith as a CLAP plug-in: one instance drives one effect through its 2.4 record,
// exactly as a host of that interface would, and answers the effect's requests to its
// host (version, musical time, automation, edit gestures, idle) from the CLAP host.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "formats/clap/clap_abi.h"
#include "formats/clap/edit_queue.h"
#include "host/plugin_interface.h"

namespace zarnith {

extern const clap_plugin_descriptor_t kClapDescriptor;

// Creates the 2.4 effect with the given callback; null when it cannot be made.
AEffect* createClapHostedEffect(audioMasterCallback callback);

// The preset-discovery factory: the factory programs, located inside the plug-in.
const void* clapPresetFactory();

// One exposed parameter: the CLAP id is the effect's parameter index.
struct ClapParameter {
  enum Text : uint8_t {
    kPlain,
    kHertz,
    kFactor,
    kFilterType,
    kModType,
    kLfoType,
    kRateMult,
    kOnOff,
    kDivisions,
    kRandomDivisions,
    kOffset,
    kLfoRate,
    kVolume,
  };
  int32_t index;
  const char* name;  // null: the effect's own name
  uint32_t flags;
  Text text;
};
extern const ClapParameter kClapParameters[];
extern const uint32_t kClapParameterCount;
const ClapParameter* findClapParameter(clap_id id);

// What the LFO rate's text depends on besides the rate: the LFO runs in bar sync, and
// the factor the free rate is shown with.
struct ClapTextContext {
  bool synced;
  float rateMultiplier;
};
ClapTextContext clapTextContext(float syncOn, float rateMultiplier);

// Text of a value, and the value of a text, without touching the effect (hosts ask
// for values other than the current one).
bool clapValueText(const ClapParameter& parameter, double value, const ClapTextContext& context, char* text,
                   uint32_t capacity);
bool clapTextValue(const ClapParameter& parameter, const char* text, double* value);

// The saved state: the effect's chunk in a small versioned container.
const uint32_t kStateMagic = 0x4E52415A;  // "ZARN", little-endian
const uint32_t kStateVersion = 1;
const uint32_t kStateHeaderSize = 12;

class ClapPlugin {
 public:
  explicit ClapPlugin(const clap_host_t* host);
  ~ClapPlugin();

  const clap_plugin_t* clapPlugin() const { return &plugin_; }
  static ClapPlugin* from(const clap_plugin_t* plugin);

  // Lifecycle.
  bool init();
  bool activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  void deactivate();
  bool startProcessing();
  void stopProcessing();
  void reset();
  int32_t process(const clap_process_t* process);
  const void* extension(const char* id) const;
  void onMainThread();

  // Extensions.
  bool paramInfo(uint32_t index, clap_param_info_t* info);
  bool paramValue(clap_id id, double* value);
  bool valueToText(clap_id id, double value, char* text, uint32_t capacity);
  bool textToValue(clap_id id, const char* text, double* value);
  void flush(const clap_input_events_t* in, const clap_output_events_t* out);
  bool saveState(const clap_ostream_t* stream);
  bool loadState(const clap_istream_t* stream);
  uint32_t tail();
  bool loadPreset(uint32_t kind, const char* location, const char* key);

  bool guiCreate(const char* api, bool floating);
  void guiDestroy();
  bool guiSize(uint32_t* width, uint32_t* height);
  bool guiSetParent(const clap_window_t* window);
  void onTimer(clap_id timer);

  bool isMainThread() const;
  bool isAudioThread() const;

 private:
  static VstIntPtr ZARNITH_CALL effectRequest(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                              VstIntPtr value, void* ptr, float opt);
  VstIntPtr answer(VstInt32 opcode, VstInt32 index, float opt);
  void queueEdit(EditEvent::Kind kind, VstInt32 index, float value);
  void drainEdits(const clap_output_events_t* out);
  void applyEvent(const clap_event_header_t* event);
  void updateTime(const clap_event_transport_t* transport);
  void runFrames(float** in, float** out, uint32_t offset, uint32_t frames);
  void rescanValues();
  void editorIdle();
  const void* hostExtension(const char* id) const;

  clap_plugin_t plugin_;
  const clap_host_t* host_;
  const clap_host_params_t* hostParams_ = nullptr;
  const clap_host_timer_support_t* hostTimers_ = nullptr;
  const clap_host_thread_check_t* hostThreads_ = nullptr;
  const clap_host_preset_load_t* hostPresets_ = nullptr;
  const clap_host_state_t* hostState_ = nullptr;
  std::thread::id mainThread_;
  AEffect* effect_ = nullptr;

  bool initialised_ = false;
  std::atomic<bool> active_{false};
  std::atomic<bool> processing_{false};
  double sampleRate_ = 44100.0;
  uint32_t scratchFrames_ = 0;
  std::unique_ptr<float[]> scratch_;  // a copy of the input: the effect writes into its input

  // The host's musical time for the next processReplacing; null answers mean no usable time.
  VstTimeInfo time_{};
  bool timeKnown_ = false;
  std::atomic<double> lastTempo_{0.0};
  std::atomic<int32_t> lastNumerator_{4};

  VstMidiEvent midi_{};
  VstEvents events_{};

  EditQueue edits_;
  static const uint32_t kMaxParameters = 64;
  double defaults_[kMaxParameters] = {};  // per entry of the parameter table

  bool guiCreated_ = false;
  bool guiOpen_ = false;
  clap_id timer_ = CLAP_INVALID_ID;
  bool idleRequested_ = false;
  std::chrono::steady_clock::time_point lastIdle_{};
};

}  // namespace zarnith
