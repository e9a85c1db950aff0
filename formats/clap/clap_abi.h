// The records, constants and identifiers of the CLAP binary interface (version 1.2)
// that Zarnith and zarnith-host use, written from the published layout. Both sides
// of the interface include this one header; the static_asserts at the end pin the
// layout of every record on the 64-bit and 32-bit targets.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef uint32_t clap_id;
static const clap_id CLAP_INVALID_ID = UINT32_MAX;
enum { CLAP_NAME_SIZE = 256, CLAP_PATH_SIZE = 1024 };

typedef struct clap_version {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
} clap_version_t;
#define ZARNITH_CLAP_VERSION \
  { 1, 2, 2 }

// ---- entry and plug-in factory ----
typedef struct clap_plugin_entry {
  clap_version_t clap_version;
  bool (*init)(const char* plugin_path);
  void (*deinit)(void);
  const void* (*get_factory)(const char* factory_id);
} clap_plugin_entry_t;

static const char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";
static const char CLAP_PRESET_DISCOVERY_FACTORY_ID[] = "clap.preset-discovery-factory/2";
static const char CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT[] = "clap.preset-discovery-factory/draft-2";

typedef struct clap_plugin_descriptor {
  clap_version_t clap_version;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manual_url;
  const char* support_url;
  const char* version;
  const char* description;
  const char* const* features;
} clap_plugin_descriptor_t;

struct clap_host;
struct clap_process;

typedef struct clap_plugin {
  const clap_plugin_descriptor_t* desc;
  void* plugin_data;
  bool (*init)(const struct clap_plugin* plugin);
  void (*destroy)(const struct clap_plugin* plugin);
  bool (*activate)(const struct clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                   uint32_t max_frames_count);
  void (*deactivate)(const struct clap_plugin* plugin);
  bool (*start_processing)(const struct clap_plugin* plugin);
  void (*stop_processing)(const struct clap_plugin* plugin);
  void (*reset)(const struct clap_plugin* plugin);
  int32_t (*process)(const struct clap_plugin* plugin, const struct clap_process* process);
  const void* (*get_extension)(const struct clap_plugin* plugin, const char* id);
  void (*on_main_thread)(const struct clap_plugin* plugin);
} clap_plugin_t;

typedef struct clap_host {
  clap_version_t clap_version;
  void* host_data;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  const void* (*get_extension)(const struct clap_host* host, const char* extension_id);
  void (*request_restart)(const struct clap_host* host);
  void (*request_process)(const struct clap_host* host);
  void (*request_callback)(const struct clap_host* host);
} clap_host_t;

typedef struct clap_plugin_factory {
  uint32_t (*get_plugin_count)(const struct clap_plugin_factory* factory);
  const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const struct clap_plugin_factory* factory,
                                                           uint32_t index);
  const clap_plugin_t* (*create_plugin)(const struct clap_plugin_factory* factory, const clap_host_t* host,
                                        const char* plugin_id);
} clap_plugin_factory_t;

// ---- events ----
typedef struct clap_event_header {
  uint32_t size;
  uint32_t time;
  uint16_t space_id;
  uint16_t type;
  uint32_t flags;
} clap_event_header_t;

static const uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
enum { CLAP_EVENT_IS_LIVE = 1 << 0, CLAP_EVENT_DONT_RECORD = 1 << 1 };
enum {
  CLAP_EVENT_NOTE_ON = 0,
  CLAP_EVENT_NOTE_OFF = 1,
  CLAP_EVENT_NOTE_CHOKE = 2,
  CLAP_EVENT_NOTE_END = 3,
  CLAP_EVENT_NOTE_EXPRESSION = 4,
  CLAP_EVENT_PARAM_VALUE = 5,
  CLAP_EVENT_PARAM_MOD = 6,
  CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
  CLAP_EVENT_PARAM_GESTURE_END = 8,
  CLAP_EVENT_TRANSPORT = 9,
  CLAP_EVENT_MIDI = 10,
  CLAP_EVENT_MIDI_SYSEX = 11,
  CLAP_EVENT_MIDI2 = 12,
};

typedef struct clap_event_note {
  clap_event_header_t header;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double velocity;
} clap_event_note_t;

typedef struct clap_event_param_value {
  clap_event_header_t header;
  clap_id param_id;
  void* cookie;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double value;
} clap_event_param_value_t;

typedef struct clap_event_param_gesture {
  clap_event_header_t header;
  clap_id param_id;
} clap_event_param_gesture_t;

typedef int64_t clap_beattime;
typedef int64_t clap_sectime;
static const int64_t CLAP_BEATTIME_FACTOR = 1LL << 31;
static const int64_t CLAP_SECTIME_FACTOR = 1LL << 31;
enum {
  CLAP_TRANSPORT_HAS_TEMPO = 1 << 0,
  CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1 << 1,
  CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1 << 2,
  CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1 << 3,
  CLAP_TRANSPORT_IS_PLAYING = 1 << 4,
  CLAP_TRANSPORT_IS_RECORDING = 1 << 5,
  CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1 << 6,
  CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1 << 7,
};

typedef struct clap_event_transport {
  clap_event_header_t header;
  uint32_t flags;
  clap_beattime song_pos_beats;
  clap_sectime song_pos_seconds;
  double tempo;
  double tempo_inc;
  clap_beattime loop_start_beats;
  clap_beattime loop_end_beats;
  clap_sectime loop_start_seconds;
  clap_sectime loop_end_seconds;
  clap_beattime bar_start;
  int32_t bar_number;
  uint16_t tsig_num;
  uint16_t tsig_denom;
} clap_event_transport_t;

typedef struct clap_event_midi {
  clap_event_header_t header;
  uint16_t port_index;
  uint8_t data[3];
} clap_event_midi_t;

typedef struct clap_input_events {
  void* ctx;
  uint32_t (*size)(const struct clap_input_events* list);
  const clap_event_header_t* (*get)(const struct clap_input_events* list, uint32_t index);
} clap_input_events_t;

typedef struct clap_output_events {
  void* ctx;
  bool (*try_push)(const struct clap_output_events* list, const clap_event_header_t* event);
} clap_output_events_t;

// ---- processing ----
enum {
  CLAP_PROCESS_ERROR = 0,
  CLAP_PROCESS_CONTINUE = 1,
  CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
  CLAP_PROCESS_TAIL = 3,
  CLAP_PROCESS_SLEEP = 4,
};

typedef struct clap_audio_buffer {
  float** data32;
  double** data64;
  uint32_t channel_count;
  uint32_t latency;
  uint64_t constant_mask;
} clap_audio_buffer_t;

typedef struct clap_process {
  int64_t steady_time;
  uint32_t frames_count;
  const clap_event_transport_t* transport;
  const clap_audio_buffer_t* audio_inputs;
  clap_audio_buffer_t* audio_outputs;
  uint32_t audio_inputs_count;
  uint32_t audio_outputs_count;
  const clap_input_events_t* in_events;
  const clap_output_events_t* out_events;
} clap_process_t;

// ---- extensions: audio ports ----
static const char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
static const char CLAP_PORT_STEREO[] = "stereo";
enum {
  CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
  CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
  CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
  CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
};
typedef struct clap_audio_port_info {
  clap_id id;
  char name[CLAP_NAME_SIZE];
  uint32_t flags;
  uint32_t channel_count;
  const char* port_type;
  clap_id in_place_pair;
} clap_audio_port_info_t;
typedef struct clap_plugin_audio_ports {
  uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
  bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

// ---- note ports ----
static const char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";
enum {
  CLAP_NOTE_DIALECT_CLAP = 1 << 0,
  CLAP_NOTE_DIALECT_MIDI = 1 << 1,
  CLAP_NOTE_DIALECT_MIDI_MPE = 1 << 2,
  CLAP_NOTE_DIALECT_MIDI2 = 1 << 3,
};
typedef struct clap_note_port_info {
  clap_id id;
  uint32_t supported_dialects;
  uint32_t preferred_dialect;
  char name[CLAP_NAME_SIZE];
} clap_note_port_info_t;
typedef struct clap_plugin_note_ports {
  uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
  bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_note_port_info_t* info);
} clap_plugin_note_ports_t;

// ---- parameters ----
static const char CLAP_EXT_PARAMS[] = "clap.params";
enum {
  CLAP_PARAM_IS_STEPPED = 1 << 0,
  CLAP_PARAM_IS_PERIODIC = 1 << 1,
  CLAP_PARAM_IS_HIDDEN = 1 << 2,
  CLAP_PARAM_IS_READONLY = 1 << 3,
  CLAP_PARAM_IS_BYPASS = 1 << 4,
  CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
  CLAP_PARAM_IS_MODULATABLE = 1 << 10,
  CLAP_PARAM_REQUIRES_PROCESS = 1 << 15,
  CLAP_PARAM_IS_ENUM = 1 << 16,
};
enum {
  CLAP_PARAM_RESCAN_VALUES = 1 << 0,
  CLAP_PARAM_RESCAN_TEXT = 1 << 1,
  CLAP_PARAM_RESCAN_INFO = 1 << 2,
  CLAP_PARAM_RESCAN_ALL = 1 << 3,
};
typedef struct clap_param_info {
  clap_id id;
  uint32_t flags;
  void* cookie;
  char name[CLAP_NAME_SIZE];
  char module[CLAP_PATH_SIZE];
  double min_value;
  double max_value;
  double default_value;
} clap_param_info_t;
typedef struct clap_plugin_params {
  uint32_t (*count)(const clap_plugin_t* plugin);
  bool (*get_info)(const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* param_info);
  bool (*get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
  bool (*value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value, char* out_buffer,
                        uint32_t out_buffer_capacity);
  bool (*text_to_value)(const clap_plugin_t* plugin, clap_id param_id, const char* param_value_text,
                        double* out_value);
  void (*flush)(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out);
} clap_plugin_params_t;
typedef struct clap_host_params {
  void (*rescan)(const clap_host_t* host, uint32_t flags);
  void (*clear)(const clap_host_t* host, clap_id param_id, uint32_t flags);
  void (*request_flush)(const clap_host_t* host);
} clap_host_params_t;

// ---- state ----
static const char CLAP_EXT_STATE[] = "clap.state";
typedef struct clap_istream {
  void* ctx;
  int64_t (*read)(const struct clap_istream* stream, void* buffer, uint64_t size);
} clap_istream_t;
typedef struct clap_ostream {
  void* ctx;
  int64_t (*write)(const struct clap_ostream* stream, const void* buffer, uint64_t size);
} clap_ostream_t;
typedef struct clap_plugin_state {
  bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
  bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
} clap_plugin_state_t;
typedef struct clap_host_state {
  void (*mark_dirty)(const clap_host_t* host);
} clap_host_state_t;

// ---- latency and tail ----
static const char CLAP_EXT_LATENCY[] = "clap.latency";
typedef struct clap_plugin_latency {
  uint32_t (*get)(const clap_plugin_t* plugin);
} clap_plugin_latency_t;
static const char CLAP_EXT_TAIL[] = "clap.tail";
typedef struct clap_plugin_tail {
  uint32_t (*get)(const clap_plugin_t* plugin);
} clap_plugin_tail_t;

// ---- editor window ----
static const char CLAP_EXT_GUI[] = "clap.gui";
static const char CLAP_WINDOW_API_X11[] = "x11";
typedef struct clap_window {
  const char* api;
  union {
    void* cocoa;
    unsigned long x11;
    void* win32;
    void* ptr;
  };
} clap_window_t;
typedef struct clap_gui_resize_hints {
  bool can_resize_horizontally;
  bool can_resize_vertically;
  bool preserve_aspect_ratio;
  uint32_t aspect_ratio_width;
  uint32_t aspect_ratio_height;
} clap_gui_resize_hints_t;
typedef struct clap_plugin_gui {
  bool (*is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
  bool (*get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
  bool (*create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
  void (*destroy)(const clap_plugin_t* plugin);
  bool (*set_scale)(const clap_plugin_t* plugin, double scale);
  bool (*get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
  bool (*can_resize)(const clap_plugin_t* plugin);
  bool (*get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
  bool (*adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
  bool (*set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);
  bool (*set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
  bool (*set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
  void (*suggest_title)(const clap_plugin_t* plugin, const char* title);
  bool (*show)(const clap_plugin_t* plugin);
  bool (*hide)(const clap_plugin_t* plugin);
} clap_plugin_gui_t;

static const char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";
typedef struct clap_plugin_timer_support {
  void (*on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
} clap_plugin_timer_support_t;
typedef struct clap_host_timer_support {
  bool (*register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
  bool (*unregister_timer)(const clap_host_t* host, clap_id timer_id);
} clap_host_timer_support_t;

static const char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";
typedef struct clap_host_thread_check {
  bool (*is_main_thread)(const clap_host_t* host);
  bool (*is_audio_thread)(const clap_host_t* host);
} clap_host_thread_check_t;

// ---- presets ----
static const char CLAP_EXT_PRESET_LOAD[] = "clap.preset-load";
static const char CLAP_EXT_PRESET_LOAD_COMPAT[] = "clap.preset-load.draft/2";
enum { CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1 };
enum {
  CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1 << 0,
  CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1 << 1,
  CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1 << 2,
  CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1 << 3,
};
typedef struct clap_plugin_preset_load {
  bool (*from_location)(const clap_plugin_t* plugin, uint32_t location_kind, const char* location,
                        const char* load_key);
} clap_plugin_preset_load_t;
typedef struct clap_host_preset_load {
  void (*on_error)(const clap_host_t* host, uint32_t location_kind, const char* location,
                   const char* load_key, int32_t os_error, const char* msg);
  void (*loaded)(const clap_host_t* host, uint32_t location_kind, const char* location, const char* load_key);
} clap_host_preset_load_t;

typedef uint64_t clap_timestamp;
typedef struct clap_universal_plugin_id {
  const char* abi;
  const char* id;
} clap_universal_plugin_id_t;

typedef struct clap_preset_discovery_metadata_receiver {
  void* receiver_data;
  void (*on_error)(const struct clap_preset_discovery_metadata_receiver* receiver, int32_t os_error,
                   const char* error_message);
  bool (*begin_preset)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* name,
                       const char* load_key);
  void (*add_plugin_id)(const struct clap_preset_discovery_metadata_receiver* receiver,
                        const clap_universal_plugin_id_t* plugin_id);
  void (*set_soundpack_id)(const struct clap_preset_discovery_metadata_receiver* receiver,
                           const char* soundpack_id);
  void (*set_flags)(const struct clap_preset_discovery_metadata_receiver* receiver, uint32_t flags);
  void (*add_creator)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* creator);
  void (*set_description)(const struct clap_preset_discovery_metadata_receiver* receiver,
                          const char* description);
  void (*set_timestamps)(const struct clap_preset_discovery_metadata_receiver* receiver,
                         clap_timestamp creation_time, clap_timestamp modification_time);
  void (*add_feature)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* feature);
  void (*add_extra_info)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* key,
                         const char* value);
} clap_preset_discovery_metadata_receiver_t;

typedef struct clap_preset_discovery_filetype {
  const char* name;
  const char* description;
  const char* file_extension;
} clap_preset_discovery_filetype_t;

typedef struct clap_preset_discovery_location {
  uint32_t flags;
  const char* name;
  uint32_t kind;
  const char* location;
} clap_preset_discovery_location_t;

typedef struct clap_preset_discovery_soundpack {
  uint32_t flags;
  const char* id;
  const char* name;
  const char* description;
  const char* homepage_url;
  const char* vendor;
  const char* image_path;
  clap_timestamp release_timestamp;
} clap_preset_discovery_soundpack_t;

typedef struct clap_preset_discovery_provider_descriptor {
  clap_version_t clap_version;
  const char* id;
  const char* name;
  const char* vendor;
} clap_preset_discovery_provider_descriptor_t;

typedef struct clap_preset_discovery_provider {
  const clap_preset_discovery_provider_descriptor_t* desc;
  void* provider_data;
  bool (*init)(const struct clap_preset_discovery_provider* provider);
  void (*destroy)(const struct clap_preset_discovery_provider* provider);
  bool (*get_metadata)(const struct clap_preset_discovery_provider* provider, uint32_t location_kind,
                       const char* location,
                       const clap_preset_discovery_metadata_receiver_t* metadata_receiver);
  const void* (*get_extension)(const struct clap_preset_discovery_provider* provider,
                               const char* extension_id);
} clap_preset_discovery_provider_t;

typedef struct clap_preset_discovery_indexer {
  clap_version_t clap_version;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  void* indexer_data;
  bool (*declare_filetype)(const struct clap_preset_discovery_indexer* indexer,
                           const clap_preset_discovery_filetype_t* filetype);
  bool (*declare_location)(const struct clap_preset_discovery_indexer* indexer,
                           const clap_preset_discovery_location_t* location);
  bool (*declare_soundpack)(const struct clap_preset_discovery_indexer* indexer,
                            const clap_preset_discovery_soundpack_t* soundpack);
  const void* (*get_extension)(const struct clap_preset_discovery_indexer* indexer, const char* extension_id);
} clap_preset_discovery_indexer_t;

typedef struct clap_preset_discovery_factory {
  uint32_t (*count)(const struct clap_preset_discovery_factory* factory);
  const clap_preset_discovery_provider_descriptor_t* (*get_descriptor)(
      const struct clap_preset_discovery_factory* factory, uint32_t index);
  const clap_preset_discovery_provider_t* (*create)(const struct clap_preset_discovery_factory* factory,
                                                    const clap_preset_discovery_indexer_t* indexer,
                                                    const char* provider_id);
} clap_preset_discovery_factory_t;

}  // extern "C"

// ---- the published layout (64-bit targets; 32-bit ones differ in padding) ----
#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(clap_version_t) == 12, "clap_version");
static_assert(offsetof(clap_plugin_entry_t, init) == 16 && sizeof(clap_plugin_entry_t) == 40,
              "clap_plugin_entry");
static_assert(offsetof(clap_plugin_descriptor_t, id) == 16 && sizeof(clap_plugin_descriptor_t) == 88,
              "clap_plugin_descriptor");
static_assert(offsetof(clap_plugin_t, process) == 72 && sizeof(clap_plugin_t) == 96, "clap_plugin");
static_assert(offsetof(clap_host_t, get_extension) == 56 && sizeof(clap_host_t) == 88, "clap_host");
static_assert(sizeof(clap_plugin_factory_t) == 24, "clap_plugin_factory");
static_assert(sizeof(clap_event_header_t) == 16 && offsetof(clap_event_header_t, type) == 10,
              "clap_event_header");
static_assert(offsetof(clap_event_note_t, key) == 24 && offsetof(clap_event_note_t, velocity) == 32 &&
                  sizeof(clap_event_note_t) == 40,
              "clap_event_note");
static_assert(offsetof(clap_event_param_value_t, cookie) == 24 &&
                  offsetof(clap_event_param_value_t, key) == 40 &&
                  offsetof(clap_event_param_value_t, value) == 48 && sizeof(clap_event_param_value_t) == 56,
              "clap_event_param_value");
static_assert(sizeof(clap_event_param_gesture_t) == 20, "clap_event_param_gesture");
static_assert(offsetof(clap_event_transport_t, song_pos_beats) == 24 &&
                  offsetof(clap_event_transport_t, tempo) == 40 &&
                  offsetof(clap_event_transport_t, bar_start) == 88 &&
                  offsetof(clap_event_transport_t, bar_number) == 96 &&
                  offsetof(clap_event_transport_t, tsig_num) == 100 &&
                  offsetof(clap_event_transport_t, tsig_denom) == 102 &&
                  sizeof(clap_event_transport_t) == 104,
              "clap_event_transport");
static_assert(offsetof(clap_event_midi_t, data) == 18 && sizeof(clap_event_midi_t) == 24, "clap_event_midi");
static_assert(sizeof(clap_input_events_t) == 24 && sizeof(clap_output_events_t) == 16, "clap event lists");
static_assert(offsetof(clap_audio_buffer_t, channel_count) == 16 &&
                  offsetof(clap_audio_buffer_t, constant_mask) == 24 && sizeof(clap_audio_buffer_t) == 32,
              "clap_audio_buffer");
static_assert(offsetof(clap_process_t, transport) == 16 &&
                  offsetof(clap_process_t, audio_inputs_count) == 40 &&
                  offsetof(clap_process_t, in_events) == 48 && sizeof(clap_process_t) == 64,
              "clap_process");
static_assert(offsetof(clap_audio_port_info_t, flags) == 260 &&
                  offsetof(clap_audio_port_info_t, port_type) == 272 &&
                  offsetof(clap_audio_port_info_t, in_place_pair) == 280 &&
                  sizeof(clap_audio_port_info_t) == 288,
              "clap_audio_port_info");
static_assert(offsetof(clap_note_port_info_t, name) == 12 && sizeof(clap_note_port_info_t) == 268,
              "clap_note_port_info");
static_assert(offsetof(clap_param_info_t, name) == 16 && offsetof(clap_param_info_t, module) == 272 &&
                  offsetof(clap_param_info_t, min_value) == 1296 && sizeof(clap_param_info_t) == 1320,
              "clap_param_info");
static_assert(sizeof(clap_plugin_params_t) == 48 && sizeof(clap_host_params_t) == 24, "clap params");
static_assert(sizeof(clap_plugin_gui_t) == 120 && offsetof(clap_plugin_gui_t, set_parent) == 80,
              "clap_plugin_gui");
static_assert(sizeof(clap_window_t) == 16 && offsetof(clap_window_t, x11) == 8, "clap_window");
static_assert(sizeof(clap_gui_resize_hints_t) == 12 &&
                  offsetof(clap_gui_resize_hints_t, aspect_ratio_width) == 4,
              "clap_gui_resize_hints");
static_assert(offsetof(clap_preset_discovery_location_t, kind) == 16 &&
                  sizeof(clap_preset_discovery_location_t) == 32,
              "clap_preset_discovery_location");
static_assert(sizeof(clap_preset_discovery_metadata_receiver_t) == 88,
              "clap_preset_discovery_metadata_receiver");
static_assert(offsetof(clap_preset_discovery_provider_descriptor_t, id) == 16 &&
                  sizeof(clap_preset_discovery_provider_descriptor_t) == 40,
              "clap_preset_discovery_provider_descriptor");
static_assert(sizeof(clap_preset_discovery_provider_t) == 48, "clap_preset_discovery_provider");
static_assert(offsetof(clap_preset_discovery_indexer_t, indexer_data) == 48 &&
                  sizeof(clap_preset_discovery_indexer_t) == 88,
              "clap_preset_discovery_indexer");
static_assert(sizeof(clap_preset_discovery_soundpack_t) == 64, "clap_preset_discovery_soundpack");
#endif
