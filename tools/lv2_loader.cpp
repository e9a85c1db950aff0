#include "lv2_loader.h"

#include <dlfcn.h>
#include <lilv/lilv.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "lv2/atom/forge.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/midi/midi.h"
#include "lv2/options/options.h"
#include "lv2/presets/presets.h"
#include "lv2/state/state.h"
#include "lv2/time/time.h"
#include "lv2/ui/ui.h"
#include "lv2/urid/urid.h"

namespace {

constexpr uint32_t kEventBufferBytes = 65536;
constexpr int kMaxPendingNotes = 256;
constexpr VstInt32 kDefaultMaxBlock = 4096;

// URIDs for the host and everything it loads; map may be called from any thread.
class UridMap {
 public:
  UridMap() {
    feature.handle = this;
    feature.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->map(uri); };
  }
  LV2_URID map(const char* uri) {
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < uris.size(); i++)
      if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.push_back(uri);
    return static_cast<LV2_URID>(uris.size());
  }
  LV2_URID_Map feature;

 private:
  std::mutex mutex;
  std::vector<std::string> uris;
};

struct ControlPort {
  uint32_t index;
  std::string name, symbol;
  float defaultValue, minimum, maximum;
  std::vector<std::pair<float, std::string>> scalePoints;
};

struct Preset {
  std::string uri, label;
};

struct PendingNote {
  VstInt32 frame;
  uint8_t bytes[3];
};

class Lv2Effect {
 public:
  AEffect record{};

  static Lv2Effect* from(AEffect* e) { return static_cast<Lv2Effect*>(e->object); }
  bool load(const std::string& path, audioMasterCallback host, std::string* error);
  ~Lv2Effect();

  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  void setParameter(VstInt32 index, float value);
  float getParameter(VstInt32 index);
  void process(float** inputs, float** outputs, VstInt32 frames);

 private:
  bool instantiate(double rate, VstInt32 maxBlock, std::string* error);
  void connectPorts();
  void applyPreset(int program);
  VstIntPtr getChunk(void** data);
  VstIntPtr setChunk(const void* data, VstIntPtr size);
  const LV2_State_Interface* stateInterface();
  bool openEditor(void* parent);
  void closeEditor();
  void idleEditor();
  void writeTime();
  void deliverPorts();
  VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return host ? host(&record, opcode, index, value, ptr, opt) : 0;
  }
  static std::string text(const LilvNode* node) { return node ? lilv_node_as_string(node) : ""; }

  audioMasterCallback host = nullptr;
  UridMap urids;
  // Mapped once: the audio thread only reads these.
  struct {
    LV2_URID position, frame, speed, beat, bar, barBeat, beatUnit, beatsPerBar, beatsPerMinute, midiEvent;
  } uri{};
  LV2_Atom_Forge forge{};
  LV2_Feature mapFeature{LV2_URID__map, &urids.feature};
  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  LilvInstance* instance = nullptr;
  double rate = 44100.0;
  VstInt32 maxBlock = kDefaultMaxBlock;
  bool active = false;
  // From the first block to effStopProcess or deactivation the instance belongs to
  // the thread that processes: only that thread runs it.
  std::atomic<bool> processing{false};
  int32_t blockLengthOption = 0;
  LV2_Options_Option options[2] = {};
  LV2_Feature optionsFeature{LV2_OPTIONS__options, options};

  std::vector<uint32_t> audioIn, audioOut, atomOut;
  int32_t eventsIn = -1;
  std::vector<ControlPort> controls;                // inputs: the parameters
  std::vector<uint32_t> controlOutputs;             // port indices
  std::unique_ptr<std::atomic<float>[]> requested;  // parameter values set by the host or the UI
  std::vector<float> controlBuffers;                // port memory, by port index
  std::vector<std::atomic<float>> outputValues;     // last output port values, by port index
  std::vector<std::unique_ptr<uint8_t[]>> atomOutBuffers;
  std::unique_ptr<uint8_t[]> eventBuffer;
  std::vector<float> silence, discard;
  PendingNote notes[kMaxPendingNotes] = {};
  int noteCount = 0;

  std::vector<Preset> presets;
  int currentProgram = 0;
  std::vector<uint8_t> chunk;
  LV2_URID chunkKey = 0;

  // The UI, when open.
  void* uiLibrary = nullptr;
  const LV2UI_Descriptor* uiDescriptor = nullptr;
  LV2UI_Handle ui = nullptr;
  const LV2UI_Idle_Interface* uiIdle = nullptr;
  ERect uiRect{};
  std::vector<float> shownToUi;  // last value sent to the UI, by port index
  LV2UI_Resize resizeFeatureData{};
  LV2UI_Touch touchFeatureData{};
};

// ---- the record's entries ----

VstIntPtr dispatcherEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                          float opt) {
  Lv2Effect* self = Lv2Effect::from(e);
  if (opcode == effClose) {
    delete self;
    return 1;
  }
  return self->dispatch(opcode, index, value, ptr, opt);
}
void setParameterEntry(AEffect* e, VstInt32 index, float value) {
  Lv2Effect::from(e)->setParameter(index, value);
}
float getParameterEntry(AEffect* e, VstInt32 index) {
  return Lv2Effect::from(e)->getParameter(index);
}
void processEntry(AEffect* e, float** in, float** out, VstInt32 frames) {
  Lv2Effect::from(e)->process(in, out, frames);
}

bool Lv2Effect::load(const std::string& path, audioMasterCallback hostCallback, std::string* error) {
  host = hostCallback;
  char* absolute = realpath(path.c_str(), nullptr);
  if (!absolute) {
    *error = path + ": no such bundle";
    return false;
  }
  std::string bundle = absolute;
  std::free(absolute);
  bundle += "/";
  // lilv reports a missing or unreadable manifest on stderr at length: one line here instead.
  if (access((bundle + "manifest.ttl").c_str(), R_OK) != 0) {
    *error = path + ": not an LV2 bundle (no readable manifest.ttl)";
    return false;
  }
  uri = {urids.map(LV2_TIME__Position), urids.map(LV2_TIME__frame),       urids.map(LV2_TIME__speed),
         urids.map(LV2_TIME__beat),     urids.map(LV2_TIME__bar),         urids.map(LV2_TIME__barBeat),
         urids.map(LV2_TIME__beatUnit), urids.map(LV2_TIME__beatsPerBar), urids.map(LV2_TIME__beatsPerMinute),
         urids.map(LV2_MIDI__MidiEvent)};
  lv2_atom_forge_init(&forge, &urids.feature);
  world = lilv_world_new();
  LilvNode* bundleUri = lilv_new_file_uri(world, nullptr, bundle.c_str());
  lilv_world_load_specifications(world);
  lilv_world_load_plugin_classes(world);
  lilv_world_load_bundle(world, bundleUri);
  const LilvPlugins* all = lilv_world_get_all_plugins(world);
  LILV_FOREACH(plugins, i, all) {
    const LilvPlugin* p = lilv_plugins_get(all, i);
    if (lilv_node_equals(lilv_plugin_get_bundle_uri(p), bundleUri)) {
      plugin = p;
      break;
    }
  }
  lilv_node_free(bundleUri);
  if (!plugin) {
    *error = path + ": no LV2 plug-in in the bundle";
    return false;
  }
  // Only what this host offers may be required.
  LilvNodes* required = lilv_plugin_get_required_features(plugin);
  LILV_FOREACH(nodes, i, required) {
    const std::string uri = text(lilv_nodes_get(required, i));
    if (uri != LV2_URID__map && uri != LV2_OPTIONS__options && uri != LV2_BUF_SIZE__boundedBlockLength) {
      lilv_nodes_free(required);
      *error = path + ": the plug-in needs a feature this host lacks (" + uri + ")";
      return false;
    }
  }
  lilv_nodes_free(required);

  LilvNode* inputClass = lilv_new_uri(world, LV2_CORE__InputPort);
  LilvNode* outputClass = lilv_new_uri(world, LV2_CORE__OutputPort);
  LilvNode* audioClass = lilv_new_uri(world, LV2_CORE__AudioPort);
  LilvNode* controlClass = lilv_new_uri(world, LV2_CORE__ControlPort);
  LilvNode* atomClass = lilv_new_uri(world, LV2_ATOM__AtomPort);
  LilvNode* optional = lilv_new_uri(world, LV2_CORE__connectionOptional);
  const uint32_t portCount = lilv_plugin_get_num_ports(plugin);
  controlBuffers.assign(portCount, 0.0f);
  outputValues = std::vector<std::atomic<float>>(portCount);
  atomOutBuffers.resize(portCount);
  shownToUi.assign(portCount, std::nanf(""));
  std::string failure;
  for (uint32_t p = 0; p < portCount && failure.empty(); p++) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
    const bool input = lilv_port_is_a(plugin, port, inputClass);
    if (lilv_port_is_a(plugin, port, audioClass)) {
      (input ? audioIn : audioOut).push_back(p);
    } else if (lilv_port_is_a(plugin, port, controlClass)) {
      if (!input) {
        controlOutputs.push_back(p);
        continue;
      }
      ControlPort c;
      c.index = p;
      LilvNode* name = lilv_port_get_name(plugin, port);
      c.name = text(name);
      lilv_node_free(name);
      c.symbol = text(lilv_port_get_symbol(plugin, port));
      LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
      lilv_port_get_range(plugin, port, &def, &min, &max);
      c.defaultValue = def ? lilv_node_as_float(def) : 0.0f;
      c.minimum = min ? lilv_node_as_float(min) : 0.0f;
      c.maximum = max ? lilv_node_as_float(max) : 1.0f;
      lilv_node_free(def);
      lilv_node_free(min);
      lilv_node_free(max);
      if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, port)) {
        LILV_FOREACH(scale_points, s, points) {
          const LilvScalePoint* point = lilv_scale_points_get(points, s);
          c.scalePoints.emplace_back(lilv_node_as_float(lilv_scale_point_get_value(point)),
                                     text(lilv_scale_point_get_label(point)));
        }
        lilv_scale_points_free(points);
      }
      controlBuffers[p] = c.defaultValue;
      controls.push_back(c);
    } else if (lilv_port_is_a(plugin, port, atomClass)) {
      if (input && eventsIn < 0) {
        eventsIn = static_cast<int32_t>(p);
      } else if (!input) {
        atomOut.push_back(p);
        atomOutBuffers[p].reset(new uint8_t[kEventBufferBytes]);
      } else if (!lilv_port_has_property(plugin, port, optional)) {
        failure = "more than one atom input";
      }
    } else if (!lilv_port_has_property(plugin, port, optional)) {
      failure = "a port of a kind this host does not know";
    }
  }
  for (LilvNode* n : {inputClass, outputClass, audioClass, controlClass, atomClass, optional})
    lilv_node_free(n);
  if (!failure.empty()) {
    *error = path + ": the plug-in has " + failure;
    return false;
  }
  requested.reset(new std::atomic<float>[controls.size()]);
  for (size_t i = 0; i < controls.size(); i++) requested[i].store(controls[i].defaultValue);
  eventBuffer.reset(new uint8_t[kEventBufferBytes]);
  // An empty sequence until the first block writes one: a run without a block reads it.
  auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(eventBuffer.get());
  sequence->atom.type = urids.map(LV2_ATOM__Sequence);
  sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
  sequence->body.unit = 0;
  sequence->body.pad = 0;

  // Presets, ordered by their URIs.
  LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
  LilvNode* label = lilv_new_uri(world, LILV_NS_RDFS "label");
  LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
  LILV_FOREACH(nodes, i, related) {
    const LilvNode* preset = lilv_nodes_get(related, i);
    lilv_world_load_resource(world, preset);
    LilvNodes* labels = lilv_world_find_nodes(world, preset, label, nullptr);
    presets.push_back({text(preset), labels ? text(lilv_nodes_get_first(labels)) : text(preset)});
    lilv_nodes_free(labels);
  }
  lilv_nodes_free(related);
  lilv_node_free(presetClass);
  lilv_node_free(label);
  std::sort(presets.begin(), presets.end(), [](const Preset& a, const Preset& b) { return a.uri < b.uri; });

  if (!instantiate(rate, maxBlock, error)) {
    *error = path + ": " + *error;
    return false;
  }

  record.magic = kEffectMagic;
  record.dispatcher = dispatcherEntry;
  record.setParameter = setParameterEntry;
  record.getParameter = getParameterEntry;
  record.processReplacing = processEntry;
  record.numPrograms = static_cast<VstInt32>(presets.size());
  record.numParams = static_cast<VstInt32>(controls.size());
  record.numInputs = static_cast<VstInt32>(audioIn.size());
  record.numOutputs = static_cast<VstInt32>(audioOut.size());
  record.flags = effFlagsCanReplacing;
  if (stateInterface()) record.flags |= effFlagsProgramChunks;
  LilvUIs* uis = lilv_plugin_get_uis(plugin);
  LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
  LILV_FOREACH(uis, i, uis)
  if (lilv_ui_is_a(lilv_uis_get(uis, i), x11)) record.flags |= effFlagsHasEditor;
  lilv_node_free(x11);
  lilv_uis_free(uis);
  record.ioRatio = 1.0f;
  record.object = this;
  record.version = 1;
  return true;
}

bool Lv2Effect::instantiate(double newRate, VstInt32 newMaxBlock, std::string* error) {
  // The plug-in's own state, ports included, survives a new instance.
  std::vector<uint8_t> saved;
  if (instance) {
    void* data = nullptr;
    const VstIntPtr size = getChunk(&data);
    if (size > 0) saved.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    if (active) lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    instance = nullptr;
  }
  blockLengthOption = newMaxBlock;
  options[0] = {LV2_OPTIONS_INSTANCE,
                0,
                urids.map(LV2_BUF_SIZE__maxBlockLength),
                sizeof(int32_t),
                urids.map(LV2_ATOM__Int),
                &blockLengthOption};
  options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
  const LV2_Feature* features[] = {&mapFeature, &optionsFeature, nullptr};
  instance = lilv_plugin_instantiate(plugin, newRate, features);
  if (!instance) {
    *error = "the plug-in could not be instantiated";
    return false;
  }
  rate = newRate;
  maxBlock = newMaxBlock;
  silence.assign(maxBlock, 0.0f);
  discard.assign(maxBlock, 0.0f);
  connectPorts();
  if (!saved.empty()) setChunk(saved.data(), static_cast<VstIntPtr>(saved.size()));
  if (active) lilv_instance_activate(instance);
  return true;
}

void Lv2Effect::connectPorts() {
  for (const ControlPort& c : controls)
    lilv_instance_connect_port(instance, c.index, &controlBuffers[c.index]);
  for (uint32_t p : controlOutputs) lilv_instance_connect_port(instance, p, &controlBuffers[p]);
  for (uint32_t p : atomOut) lilv_instance_connect_port(instance, p, atomOutBuffers[p].get());
  if (eventsIn >= 0) lilv_instance_connect_port(instance, static_cast<uint32_t>(eventsIn), eventBuffer.get());
}

Lv2Effect::~Lv2Effect() {
  closeEditor();
  if (instance) {
    if (active) lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
  }
  if (world) lilv_world_free(world);
}

// ---- processing ----

void Lv2Effect::writeTime() {
  const auto* t = reinterpret_cast<const VstTimeInfo*>(callHost(audioMasterGetTime, 0, 0xFFFF));
  if (!t || t->timeSigNumerator <= 0 || t->timeSigDenominator <= 0) return;
  // The record counts in quarter notes; LV2 in beats of the meter's unit.
  const double unit = t->timeSigDenominator;
  const double beats = t->ppqPos * (unit / 4.0);
  const double bar = std::floor(beats / t->timeSigNumerator);
  LV2_Atom_Forge_Frame frame;
  lv2_atom_forge_frame_time(&forge, 0);
  lv2_atom_forge_object(&forge, &frame, 0, uri.position);
  lv2_atom_forge_key(&forge, uri.frame);
  lv2_atom_forge_long(&forge, static_cast<int64_t>(t->samplePos));
  lv2_atom_forge_key(&forge, uri.speed);
  lv2_atom_forge_float(&forge, (t->flags & kVstTransportPlaying) ? 1.0f : 0.0f);
  lv2_atom_forge_key(&forge, uri.beat);
  lv2_atom_forge_double(&forge, beats);
  lv2_atom_forge_key(&forge, uri.bar);
  lv2_atom_forge_long(&forge, static_cast<int64_t>(bar));
  lv2_atom_forge_key(&forge, uri.barBeat);
  lv2_atom_forge_float(&forge, static_cast<float>(beats - bar * t->timeSigNumerator));
  lv2_atom_forge_key(&forge, uri.beatUnit);
  lv2_atom_forge_int(&forge, t->timeSigDenominator);
  lv2_atom_forge_key(&forge, uri.beatsPerBar);
  lv2_atom_forge_float(&forge, static_cast<float>(t->timeSigNumerator));
  lv2_atom_forge_key(&forge, uri.beatsPerMinute);
  lv2_atom_forge_float(&forge, static_cast<float>(t->tempo * (unit / 4.0)));
  lv2_atom_forge_pop(&forge, &frame);
}

// The plug-in sees its ports only when it runs, and a 2.4 host expects each
// setParameter to be in the state at once. Outside processing the host's values are
// therefore handed over by a run of no frames (which updates controls and nothing
// else), before the state is saved or restored: saved, it holds them; restored, the
// ports still holding them are not applied over it. While processing, the next block
// hands them over, as in every host with an audio thread.
void Lv2Effect::deliverPorts() {
  if (!instance || !active || processing.load()) return;
  for (size_t i = 0; i < controls.size(); i++)
    controlBuffers[controls[i].index] = requested[i].load(std::memory_order_relaxed);
  for (size_t c = 0; c < audioIn.size(); c++)
    lilv_instance_connect_port(instance, audioIn[c], silence.data());
  for (size_t c = 0; c < audioOut.size(); c++)
    lilv_instance_connect_port(instance, audioOut[c], discard.data());
  lilv_instance_run(instance, 0);
  for (uint32_t p : controlOutputs) outputValues[p].store(controlBuffers[p], std::memory_order_relaxed);
}

void Lv2Effect::process(float** inputs, float** outputs, VstInt32 frames) {
  if (!instance || frames < 0) return;
  processing.store(true);
  for (size_t i = 0; i < controls.size(); i++)
    controlBuffers[controls[i].index] = requested[i].load(std::memory_order_relaxed);

  if (eventsIn >= 0) {
    lv2_atom_forge_set_buffer(&forge, eventBuffer.get(), kEventBufferBytes);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    writeTime();
    for (int n = 0; n < noteCount; n++) {
      const PendingNote& note = notes[n];
      lv2_atom_forge_frame_time(&forge, std::min(std::max(note.frame, 0), std::max(frames - 1, 0)));
      lv2_atom_forge_atom(&forge, 3, uri.midiEvent);
      lv2_atom_forge_write(&forge, note.bytes, 3);
    }
    noteCount = 0;
    lv2_atom_forge_pop(&forge, &sequence);
  }
  for (uint32_t p : atomOut) {
    auto* out = reinterpret_cast<LV2_Atom*>(atomOutBuffers[p].get());
    out->size = kEventBufferBytes - sizeof(LV2_Atom);
    out->type = 0;
  }
  // Blocks longer than the instance was made for go in parts.
  VstInt32 done = 0;
  while (done < frames) {
    const VstInt32 n = std::min(frames - done, maxBlock);
    for (size_t c = 0; c < audioIn.size(); c++)
      lilv_instance_connect_port(instance, audioIn[c], c < 2 && inputs ? inputs[c] + done : silence.data());
    for (size_t c = 0; c < audioOut.size(); c++)
      lilv_instance_connect_port(instance, audioOut[c],
                                 c < 2 && outputs ? outputs[c] + done : discard.data());
    lilv_instance_run(instance, static_cast<uint32_t>(n));
    done += n;
    if (eventsIn >= 0) {
      auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(eventBuffer.get());
      sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);  // the events belonged to the first part
    }
  }
  for (uint32_t p : controlOutputs) outputValues[p].store(controlBuffers[p], std::memory_order_relaxed);
}

// ---- parameters, programs, state ----

void Lv2Effect::setParameter(VstInt32 index, float value) {
  if (index >= 0 && static_cast<size_t>(index) < controls.size())
    requested[index].store(value, std::memory_order_relaxed);
}

float Lv2Effect::getParameter(VstInt32 index) {
  if (index < 0 || static_cast<size_t>(index) >= controls.size()) return 0.0f;
  return requested[index].load(std::memory_order_relaxed);
}

void Lv2Effect::applyPreset(int program) {
  LilvNode* uri = lilv_new_uri(world, presets[program].uri.c_str());
  LilvState* state = lilv_state_new_from_world(world, &urids.feature, uri);
  lilv_node_free(uri);
  if (!state) return;
  auto setPort = [](const char* symbol, void* data, const void* value, uint32_t size, uint32_t type) {
    auto* self = static_cast<Lv2Effect*>(data);
    float v;
    if (size == sizeof(float) && type == self->urids.map(LV2_ATOM__Float))
      std::memcpy(&v, value, sizeof(float));
    else if (size == sizeof(double) && type == self->urids.map(LV2_ATOM__Double))
      v = static_cast<float>(*static_cast<const double*>(value));
    else if (size == sizeof(int32_t) && type == self->urids.map(LV2_ATOM__Int))
      v = static_cast<float>(*static_cast<const int32_t*>(value));
    else
      return;
    for (size_t i = 0; i < self->controls.size(); i++)
      if (self->controls[i].symbol == symbol) self->requested[i].store(v, std::memory_order_relaxed);
  };
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  lilv_state_restore(state, instance, setPort, this, 0, features);
  lilv_state_free(state);
  currentProgram = program;
}

const LV2_State_Interface* Lv2Effect::stateInterface() {
  return instance ? static_cast<const LV2_State_Interface*>(
                        lilv_instance_get_extension_data(instance, LV2_STATE__interface))
                  : nullptr;
}

// The chunk of a plug-in that keeps its state as one plain chunk is that chunk's bytes.
VstIntPtr Lv2Effect::getChunk(void** data) {
  const LV2_State_Interface* state = stateInterface();
  if (!state || !data) return 0;
  deliverPorts();
  struct Capture {
    Lv2Effect* self;
    int properties = 0;
  } capture{this};
  chunk.clear();
  auto store = [](LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t) {
    auto* c = static_cast<Capture*>(h);
    if (++c->properties > 1 || type != c->self->urids.map(LV2_ATOM__Chunk)) return LV2_STATE_ERR_BAD_TYPE;
    c->self->chunkKey = key;
    c->self->chunk.assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
    return LV2_STATE_SUCCESS;
  };
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  if (state->save(lilv_instance_get_handle(instance), store, &capture,
                  LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features) != LV2_STATE_SUCCESS ||
      capture.properties != 1) {
    chunk.clear();
    return 0;
  }
  *data = chunk.data();
  return static_cast<VstIntPtr>(chunk.size());
}

VstIntPtr Lv2Effect::setChunk(const void* data, VstIntPtr size) {
  const LV2_State_Interface* state = stateInterface();
  if (!state || !data || size <= 0) return 0;
  if (chunkKey == 0) {
    void* ignored = nullptr;
    if (getChunk(&ignored) == 0) return 0;  // the key the plug-in stores its chunk under
  }
  deliverPorts();
  struct Source {
    Lv2Effect* self;
    const void* data;
    size_t size;
  } source{this, data, static_cast<size_t>(size)};
  auto retrieve = [](LV2_State_Handle h, uint32_t key, size_t* outSize, uint32_t* type,
                     uint32_t* flags) -> const void* {
    auto* s = static_cast<Source*>(h);
    if (key != s->self->chunkKey) return nullptr;
    *outSize = s->size;
    *type = s->self->urids.map(LV2_ATOM__Chunk);
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return s->data;
  };
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  return state->restore(lilv_instance_get_handle(instance), retrieve, &source, 0, features) ==
                 LV2_STATE_SUCCESS
             ? 1
             : 0;
}

// ---- the editor ----

bool Lv2Effect::openEditor(void* parent) {
  if (ui || !parent) return false;
  LilvUIs* uis = lilv_plugin_get_uis(plugin);
  LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
  const LilvUI* chosen = nullptr;
  LILV_FOREACH(uis, i, uis)
  if (!chosen && lilv_ui_is_a(lilv_uis_get(uis, i), x11)) chosen = lilv_uis_get(uis, i);
  lilv_node_free(x11);
  if (!chosen) {
    lilv_uis_free(uis);
    return false;
  }
  const std::string uiUri = text(lilv_ui_get_uri(chosen));
  char* binary = lilv_file_uri_parse(text(lilv_ui_get_binary_uri(chosen)).c_str(), nullptr);
  char* bundle = lilv_file_uri_parse(text(lilv_ui_get_bundle_uri(chosen)).c_str(), nullptr);
  lilv_uis_free(uis);
  if (binary) uiLibrary = dlopen(binary, RTLD_NOW | RTLD_LOCAL);
  auto entry =
      uiLibrary ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(uiLibrary, "lv2ui_descriptor")) : nullptr;
  for (uint32_t i = 0; entry && !uiDescriptor; i++) {
    const LV2UI_Descriptor* d = entry(i);
    if (!d) break;
    if (uiUri == d->URI) uiDescriptor = d;
  }
  if (uiDescriptor) {
    resizeFeatureData = {this, [](LV2UI_Feature_Handle h, int w, int height) {
                           auto* self = static_cast<Lv2Effect*>(h);
                           self->uiRect = {0, 0, static_cast<VstInt16>(height), static_cast<VstInt16>(w)};
                           return 0;
                         }};
    touchFeatureData = {this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
                          auto* self = static_cast<Lv2Effect*>(h);
                          for (size_t i = 0; i < self->controls.size(); i++)
                            if (self->controls[i].index == port)
                              self->callHost(grabbed ? audioMasterBeginEdit : audioMasterEndEdit,
                                             static_cast<VstInt32>(i));
                        }};
    const LV2_Feature parentFeature{LV2_UI__parent, parent};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resizeFeatureData};
    const LV2_Feature touchFeature{LV2_UI__touch, &touchFeatureData};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* features[] = {&mapFeature,   &parentFeature, &resizeFeature,
                                     &touchFeature, &idleFeature,   nullptr};
    auto write = [](LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
      auto* self = static_cast<Lv2Effect*>(const_cast<void*>(c));
      if (format != 0 || size != sizeof(float)) return;
      float v;
      std::memcpy(&v, buffer, sizeof(float));
      for (size_t i = 0; i < self->controls.size(); i++) {
        if (self->controls[i].index != port) continue;
        self->requested[i].store(v, std::memory_order_relaxed);
        self->shownToUi[port] = v;  // the UI knows what it wrote
        self->callHost(audioMasterAutomate, static_cast<VstInt32>(i), 0, nullptr, v);
      }
    };
    LV2UI_Widget widget = nullptr;
    ui = uiDescriptor->instantiate(uiDescriptor, text(lilv_plugin_get_uri(plugin)).c_str(), bundle, write,
                                   this, &widget, features);
    if (ui && uiDescriptor->extension_data)
      uiIdle = static_cast<const LV2UI_Idle_Interface*>(uiDescriptor->extension_data(LV2_UI__idleInterface));
  }
  lilv_free(binary);
  lilv_free(bundle);
  if (!ui) {
    closeEditor();
    return false;
  }
  std::fill(shownToUi.begin(), shownToUi.end(), std::nanf(""));
  idleEditor();
  return true;
}

void Lv2Effect::idleEditor() {
  if (!ui) return;
  auto show = [this](uint32_t port, float v) {
    if (std::memcmp(&v, &shownToUi[port], sizeof(float)) == 0) return;
    shownToUi[port] = v;
    if (uiDescriptor->port_event) uiDescriptor->port_event(ui, port, sizeof(float), 0, &v);
  };
  for (size_t i = 0; i < controls.size(); i++)
    show(controls[i].index, requested[i].load(std::memory_order_relaxed));
  for (uint32_t p : controlOutputs) show(p, outputValues[p].load(std::memory_order_relaxed));
  if (uiIdle) uiIdle->idle(ui);
}

void Lv2Effect::closeEditor() {
  if (ui && uiDescriptor->cleanup) uiDescriptor->cleanup(ui);
  ui = nullptr;
  uiIdle = nullptr;
  uiDescriptor = nullptr;
  if (uiLibrary) dlclose(uiLibrary);
  uiLibrary = nullptr;
}

// ---- the dispatcher ----

void copyText(void* ptr, const std::string& text, size_t limit) {
  if (!ptr) return;
  const size_t n = std::min(text.size(), limit - 1);
  std::memcpy(ptr, text.data(), n);
  static_cast<char*>(ptr)[n] = 0;
}

VstIntPtr Lv2Effect::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  const bool validParameter = index >= 0 && static_cast<size_t>(index) < controls.size();
  std::string ignored;
  switch (opcode) {
    case effSetSampleRate:
      if (opt >= 1.0f && opt != rate) instantiate(opt, maxBlock, &ignored);
      return 0;
    case effSetBlockSize:
      if (value > maxBlock && value <= (1 << 20)) instantiate(rate, static_cast<VstInt32>(value), &ignored);
      return 0;
    case effStopProcess:
      processing.store(false);
      return 0;
    case effMainsChanged:
      if (!value) processing.store(false);
      if (instance && (value != 0) != active) {
        if (value)
          lilv_instance_activate(instance);
        else
          lilv_instance_deactivate(instance);
        active = value != 0;
      }
      return 0;
    case effGetEffectName:
    case effGetProductString: {
      LilvNode* name = lilv_plugin_get_name(plugin);
      copyText(ptr, text(name), kVstMaxEffectNameLen);
      lilv_node_free(name);
      return 1;
    }
    case effGetVendorString: {
      LilvNode* author = lilv_plugin_get_author_name(plugin);
      copyText(ptr, text(author), kVstMaxVendorStrLen);
      lilv_node_free(author);
      return 1;
    }
    case effGetVstVersion:
      return kVstVersion;
    case effGetPlugCategory:
      return kPlugCategEffect;
    case effGetParamName:
      if (validParameter) copyText(ptr, controls[index].name, 64);
      return 0;
    case effGetParamDisplay:
      if (validParameter) {
        const float v = requested[index].load(std::memory_order_relaxed);
        std::string shown;
        for (const auto& point : controls[index].scalePoints)
          if (point.first == v) shown = point.second;
        if (shown.empty()) {
          char number[32];
          std::snprintf(number, sizeof(number), "%.4f", static_cast<double>(v));
          shown = number;
        }
        copyText(ptr, shown, 64);
      }
      return 0;
    case effGetProgram:
      return currentProgram;
    case effSetProgram:
      if (value >= 0 && static_cast<size_t>(value) < presets.size()) applyPreset(static_cast<int>(value));
      return 0;
    case effGetProgramName:
      if (!presets.empty()) copyText(ptr, presets[currentProgram].label, kVstMaxProgNameLen);
      return 0;
    case effGetProgramNameIndexed:
      if (index < 0 || static_cast<size_t>(index) >= presets.size()) return 0;
      copyText(ptr, presets[index].label, 64);
      return 1;
    case effGetChunk:
      return getChunk(static_cast<void**>(ptr));
    case effSetChunk:
      return setChunk(ptr, value);
    case effProcessEvents: {
      const auto* events = static_cast<const VstEvents*>(ptr);
      for (VstInt32 i = 0; events && i < events->numEvents && noteCount < kMaxPendingNotes; i++) {
        const VstEvent* e = events->events[i];
        if (!e || e->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
        PendingNote& note = notes[noteCount++];
        note.frame = midi->deltaFrames;
        std::memcpy(note.bytes, midi->midiData, 3);
      }
      return 1;
    }
    case effCanBeAutomated:
      return validParameter ? 1 : 0;
    case effEditGetRect:
      if (!ptr || uiRect.right == 0) return 0;
      *static_cast<ERect**>(ptr) = &uiRect;
      return 1;
    case effEditOpen:
      return openEditor(ptr) ? 1 : 0;
    case effEditClose:
      closeEditor();
      return 0;
    case effEditIdle:
      idleEditor();
      return 0;
    case effCanDo:
      return -1;
    default:
      return 0;
  }
}

}  // namespace

AEffect* openLv2Plugin(const std::string& path, audioMasterCallback host, std::string* error) {
  std::unique_ptr<Lv2Effect> effect(new Lv2Effect());
  if (!effect->load(path, host, error)) return nullptr;
  return &effect.release()->record;
}
