// A plug-in with faults a validator must survive: it crashes on blocks of 7 frames, hangs at
// sample rates above 200 kHz, writes through the null pointer of effGetSpeakerArrangement and
// allocates in its processing call. Everything else it does right.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "host/plugin_interface.h"

namespace {

float parameters[2] = {0.5f, 0.5f};
void* volatile scratch = nullptr;  // kept where the compiler cannot drop the allocation

VstIntPtr dispatcher(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float opt) {
  switch (opcode) {
    case effClose:
      delete effect;
      return 1;
    case effSetSampleRate:
      while (opt > 200000.0f) pause();
      return 0;
    case effGetSpeakerArrangement:
      *static_cast<void**>(ptr) = nullptr;
      return 0;
    case effGetVstVersion:
      return kVstVersion;
    default:
      return 0;
  }
}

void processReplacing(AEffect*, float** inputs, float** outputs, VstInt32 frames) {
  if (frames == 7) std::abort();
  scratch = std::malloc(16);
  for (VstInt32 i = 0; i < frames; ++i) {
    outputs[0][i] = inputs[0][i] * parameters[0];
    outputs[1][i] = inputs[1][i] * parameters[1];
  }
  std::free(scratch);
}

void setParameter(AEffect*, VstInt32 index, float value) {
  if (index >= 0 && index < 2) parameters[index] = value;
}

float getParameter(AEffect*, VstInt32 index) {
  return index >= 0 && index < 2 ? parameters[index] : 0.0f;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
  AEffect* effect = new AEffect();
  std::memset(effect, 0, sizeof(AEffect));
  effect->magic = kEffectMagic;
  effect->dispatcher = dispatcher;
  effect->setParameter = setParameter;
  effect->getParameter = getParameter;
  effect->processReplacing = processReplacing;
  effect->numPrograms = 4;
  effect->numParams = 2;
  effect->numInputs = 2;
  effect->numOutputs = 2;
  effect->flags = effFlagsCanReplacing;
  effect->uniqueID = ZARNITH_FOURCC('F', 'l', 't', 'y');
  effect->version = 1;
  return effect;
}
