// The library's one exported entry, under both names hosts look for.
#include <new>

#include "audioeffect.h"

// Defined by the effect: creates the one effect object for a host.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

#ifdef _WIN32
// The DLL's exports come from its .def file, which also names this function "main".
#define ZARNITH_ENTRY
#else
#define ZARNITH_ENTRY __attribute__((visibility("default")))
#endif

extern "C" ZARNITH_ENTRY AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
  if (!audioMaster) return nullptr;
  // A host that does not answer the version request is too old for this interface.
  if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  AudioEffect* effect = nullptr;
  try {
    effect = createEffectInstance(audioMaster);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return effect ? effect->getAeffect() : nullptr;
}

#ifndef _WIN32
// Many Linux hosts look only for "main": the same function at the same address.
extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) AEffect* pluginMainAlias(
    audioMasterCallback audioMaster) __asm__("main");
#endif
