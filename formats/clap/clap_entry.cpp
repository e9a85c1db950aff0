// The library's one exported symbol: the CLAP entry, with the plug-in factory and the
// preset-discovery factory behind it.
#include <cstring>
#include <new>

#include "formats/clap/clap_plugin.h"

// The entry of the 2.4 interface, linked into this library: the effect is created
// through it, exactly as for a host of that interface.
extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace zarnith {

namespace {

const char* const kFeatures[] = {"audio-effect", "filter", "glitch", "stereo", nullptr};

uint32_t pluginCount(const clap_plugin_factory_t*) {
  return 1;
}

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index) {
  return index == 0 ? &kClapDescriptor : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* id) {
  if (!host || !id || std::strcmp(id, kClapDescriptor.id) != 0) return nullptr;
  if (host->clap_version.major < 1) return nullptr;
  ClapPlugin* plugin = new (std::nothrow) ClapPlugin(host);
  return plugin ? plugin->clapPlugin() : nullptr;
}

const clap_plugin_factory_t kPluginFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) {
  return true;
}

void entryDeinit() {}

const void* entryFactory(const char* id) {
  if (!id) return nullptr;
  if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0) return &kPluginFactory;
  if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 ||
      std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
    return clapPresetFactory();
  return nullptr;
}

}  // namespace

extern const clap_plugin_descriptor_t kClapDescriptor = {
    ZARNITH_CLAP_VERSION,
    "com.kovrane-audio.zarnith",
    "Zarnith",
    "Kovrane Audio Production",
    "",
    "",
    "",
    "1.0.0",
    "Tempo-aware resonant filter with an LFO or envelope sweep, a bit crusher and a beat scrambler",
    kFeatures,
};

AEffect* createClapHostedEffect(audioMasterCallback callback) {
  return VSTPluginMain(callback);
}

}  // namespace zarnith

extern "C" __attribute__((visibility("default"))) const clap_plugin_entry_t clap_entry = {
    ZARNITH_CLAP_VERSION,
    zarnith::entryInit,
    zarnith::entryDeinit,
    zarnith::entryFactory,
};
