// The LV2 plug-in: drives the effect through its 2.4 record the way a host does,
// answering its requests for musical time from the host's time:Position events.
//
// run() follows the audio thread's rules: it allocates nothing, locks nothing and
// logs nothing; every buffer it needs is made at instantiation.
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "engine/myvst.h"
#include "lamp_recorder.h"
#include "lv2/atom/util.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/core/lv2.h"
#include "lv2/midi/midi.h"
#include "lv2/options/options.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"
#include "lv2_ports.h"
#include "lv2_transport.h"

namespace zarnith {
namespace lv2 {
namespace {

// Blocks longer than this (when the host states no maximum) are processed in parts.
constexpr uint32_t kDefaultMaxBlock = 8192;
constexpr uint32_t kLargestBlock = 1u << 20;
constexpr int kMaxMidiEvents = 512;     // per block; further notes only repeat "a note came"
constexpr size_t kLargestChunk = 4096;  // a saved state larger than this is not ours

// The 2.4 event list with room for kMaxMidiEvents pointers.
struct EventList {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[kMaxMidiEvents];
};
static_assert(offsetof(EventList, events) == offsetof(VstEvents, events), "event list layout");

struct Instance {
  AEffect* effect = nullptr;
  LampRecorder* lamps = nullptr;
  TimeUrids time{};
  LV2_URID midiEvent = 0, atomChunk = 0, chunkKey = 0, atomObject = 0, atomBlank = 0;
  Transport transport;
  VstTimeInfo timeInfo{};
  bool timeUsable = false;

  float* audio[4] = {};
  const LV2_Atom_Sequence* events = nullptr;
  const float* controlIn[kNumControlInputs] = {};
  float* controlOut[kNumControlOutputs] = {};
  float applied[kNumControlInputs];  // last value handed to the effect; NaN before the first

  uint32_t maxBlock = kDefaultMaxBlock;
  std::unique_ptr<float[]> scratch[2];  // the effect writes into its inputs: never the host's
  VstMidiEvent midi[kMaxMidiEvents] = {};
  EventList eventList{};

  explicit Instance(double rate) : transport(rate) {
    for (float& v : applied) v = std::nanf("");
  }
  ~Instance() {
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
};

// The effect's requests, answered as a host: its version, musical time; nothing else
// is asked of a plug-in whose editor is not open.
VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  Instance* self = effect ? static_cast<Instance*>(effect->user) : nullptr;
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterGetTime:
      return self && self->timeUsable ? reinterpret_cast<VstIntPtr>(&self->timeInfo) : 0;
    default:
      return 0;
  }
}

const void* feature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; i++)
    if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  return nullptr;
}

uint32_t maxBlockFromOptions(const LV2_Options_Option* options, LV2_URID_Map* map) {
  if (!options) return kDefaultMaxBlock;
  const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
  for (const LV2_Options_Option* o = options; o->key; o++) {
    if (o->key == maxLength && o->type == atomInt && o->size == sizeof(int32_t) && o->value) {
      const int32_t n = *static_cast<const int32_t*>(o->value);
      if (n > 0) return static_cast<uint32_t>(n) < kLargestBlock ? static_cast<uint32_t>(n) : kLargestBlock;
    }
  }
  return kDefaultMaxBlock;
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
  auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
  if (!map || !(rate >= 1.0 && rate < 2147483648.0)) return nullptr;
  std::unique_ptr<Instance> self(new (std::nothrow) Instance(rate));
  if (!self) return nullptr;
  self->time.map(map);
  self->midiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
  self->atomChunk = map->map(map->handle, LV2_ATOM__Chunk);
  self->atomObject = map->map(map->handle, LV2_ATOM__Object);
  self->atomBlank = map->map(map->handle, LV2_ATOM__Blank);
  self->chunkKey = map->map(map->handle, kChunkKeyUri);
  self->maxBlock = maxBlockFromOptions(
      static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options)), map);
  for (auto& s : self->scratch) {
    s.reset(new (std::nothrow) float[self->maxBlock]);
    if (!s) return nullptr;
  }
  for (int i = 0; i < kMaxMidiEvents; i++)
    self->eventList.events[i] = reinterpret_cast<VstEvent*>(&self->midi[i]);

  MyVst* effect = nullptr;
  try {
    effect = new MyVst(&hostCallback);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  self->effect = effect->getAeffect();
  // An editor here would never open (the real one lives in the UI): the lamps it
  // would light are kept for the output ports instead.
  AEffEditor* unused = effect->getEditor();
  self->lamps = new (std::nothrow) LampRecorder(effect);
  if (!self->lamps)
    effect->setEditor(unused);
  else
    delete unused;
  self->effect->user = self.get();

  self->dispatch(effOpen);
  self->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  self->dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(self->maxBlock));
  return self.release();
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
  Instance* self = static_cast<Instance*>(handle);
  if (port <= kAudioOutRight) {
    self->audio[port] = static_cast<float*>(data);
  } else if (port == kEventsIn) {
    self->events = static_cast<const LV2_Atom_Sequence*>(data);
  } else if (port < controlOutputPort(0)) {
    self->controlIn[port - kFirstControlPort] = static_cast<const float*>(data);
  } else if (port < kNumPorts) {
    self->controlOut[port - controlOutputPort(0)] = static_cast<float*>(data);
  }
}

void activate(LV2_Handle handle) {
  static_cast<Instance*>(handle)->dispatch(effMainsChanged, 0, 1);
}

void deactivate(LV2_Handle handle) {
  static_cast<Instance*>(handle)->dispatch(effMainsChanged, 0, 0);
}

void applyControls(Instance* self) {
  for (int i = 0; i < kNumControlInputs; i++) {
    if (!self->controlIn[i]) continue;
    const float v = *self->controlIn[i];
    if (std::memcmp(&v, &self->applied[i], sizeof(float)) == 0) continue;
    self->applied[i] = v;
    self->effect->setParameter(self->effect, kControlInputs[i].parameter, v);
  }
}

// One stretch of audio through processReplacing, with the time at its first frame.
void processSpan(Instance* self, uint32_t offset, uint32_t frames) {
  while (frames > 0) {
    const uint32_t n = frames < self->maxBlock ? frames : self->maxBlock;
    self->timeUsable = self->transport.timeInfo(&self->timeInfo);
    float* in[2] = {self->scratch[0].get(), self->scratch[1].get()};
    float* out[2] = {self->audio[kAudioOutLeft] + offset, self->audio[kAudioOutRight] + offset};
    for (int c = 0; c < 2; c++) {
      const float* source = self->audio[kAudioInLeft + c] + offset;
      std::memcpy(in[c], source, n * sizeof(float));
      // A held (bypassed) frame leaves the output as it was: let that be the input.
      if (out[c] != source) std::memcpy(out[c], source, n * sizeof(float));
    }
    self->effect->processReplacing(self->effect, in, out, static_cast<VstInt32>(n));
    self->transport.advance(n);
    offset += n;
    frames -= n;
  }
}

bool isPosition(const Instance* self, const LV2_Atom* atom) {
  if (atom->type != self->atomObject && atom->type != self->atomBlank) return false;
  if (atom->size < sizeof(LV2_Atom_Object_Body)) return false;
  return reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype == self->time.position;
}

void run(LV2_Handle handle, uint32_t frames) {
  Instance* self = static_cast<Instance*>(handle);
  for (int i = 0; i < 4; i++)
    if (!self->audio[i]) return;
  applyControls(self);

  // Notes first, all at once: the effect only notes that one came in this block.
  self->eventList.numEvents = 0;
  if (self->events) {
    LV2_ATOM_SEQUENCE_FOREACH(self->events, ev) {
      if (ev->body.type != self->midiEvent || ev->body.size < 1 || ev->body.size > 3) continue;
      if (self->eventList.numEvents >= kMaxMidiEvents) break;
      VstMidiEvent& m = self->midi[self->eventList.numEvents++];
      m = VstMidiEvent{};
      m.type = kVstMidiType;
      m.byteSize = sizeof(VstMidiEvent);
      m.deltaFrames =
          ev->time.frames >= 0 && ev->time.frames < frames ? static_cast<VstInt32>(ev->time.frames) : 0;
      std::memcpy(m.midiData, LV2_ATOM_BODY_CONST(&ev->body), ev->body.size);
    }
  }
  if (self->eventList.numEvents > 0) self->dispatch(effProcessEvents, 0, 0, &self->eventList);

  // A new position inside the block starts a new stretch there, so the effect
  // fetches the time that holds from that frame on.
  uint32_t done = 0;
  if (self->events) {
    LV2_ATOM_SEQUENCE_FOREACH(self->events, ev) {
      if (!isPosition(self, &ev->body)) continue;
      int64_t at = ev->time.frames;
      if (at < done) at = done;
      if (at > frames) at = frames;
      if (at > done) processSpan(self, done, static_cast<uint32_t>(at) - done);
      done = static_cast<uint32_t>(at);
      self->transport.update(reinterpret_cast<const LV2_Atom_Object*>(&ev->body), self->time);
    }
  }
  processSpan(self, done, frames - done);

  if (float* p = self->controlOut[0]) *p = self->effect->getParameter(self->effect, kCutoffParameter);
  for (int i = 0; i < kNumFilterLamps; i++)
    if (float* p = self->controlOut[1 + i]) *p = self->lamps ? self->lamps->lamp(i) : 0.0f;
}

void cleanup(LV2_Handle handle) {
  delete static_cast<Instance*>(handle);
}

// The saved state is the effect's own chunk, stored whole as one plain chunk.
LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle storeHandle,
                      uint32_t, const LV2_Feature* const*) {
  Instance* self = static_cast<Instance*>(handle);
  void* data = nullptr;
  const VstIntPtr size = self->dispatch(effGetChunk, 0, 0, &data);
  if (!data || size <= 0) return LV2_STATE_ERR_UNKNOWN;
  return store(storeHandle, self->chunkKey, data, static_cast<size_t>(size), self->atomChunk,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle storeHandle, uint32_t, const LV2_Feature* const*) {
  Instance* self = static_cast<Instance*>(handle);
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(storeHandle, self->chunkKey, &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  // The effect refuses a chunk of the wrong size itself; this only bounds the copy,
  // which keeps the host's bytes read-only.
  unsigned char copy[kLargestChunk];
  if (type != self->atomChunk || size == 0 || size > sizeof(copy)) return LV2_STATE_ERR_BAD_TYPE;
  std::memcpy(copy, data, size);
  if (self->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(size), copy) == 0) return LV2_STATE_ERR_BAD_TYPE;
  // The restored values stand until the host moves a port: ports still holding
  // what they held before are not applied over them. The bypass is not part of
  // the state (restoring switches it off), so its port is applied again.
  for (int i = 0; i < kNumControlInputs; i++)
    if (self->controlIn[i]) self->applied[i] = *self->controlIn[i];
  self->applied[controlInputOfParameter(kBypassParameter)] = std::nanf("");
  return LV2_STATE_SUCCESS;
}

const void* extensionData(const char* uri) {
  static const LV2_State_Interface state = {save, restore};
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
  return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate,
                                    run,        deactivate,  cleanup,     extensionData};

}  // namespace
}  // namespace lv2
}  // namespace zarnith

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &zarnith::lv2::kDescriptor : nullptr;
}
