// The factory programs for a host's preset browser: one provider, one location inside
// the plug-in, one preset per program, loaded by its program number.
#include <cstdio>
#include <cstring>
#include <new>

#include "formats/clap/clap_plugin.h"

namespace zarnith {

namespace {

const clap_preset_discovery_provider_descriptor_t kProviderDescriptor = {
    ZARNITH_CLAP_VERSION,
    "com.kovrane-audio.zarnith.factory-programs",
    "Zarnith factory programs",
    "Kovrane Audio Production",
};

struct Provider {
  clap_preset_discovery_provider_t provider;
  const clap_preset_discovery_indexer_t* indexer;
};

VstIntPtr ZARNITH_CALL quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

bool providerInit(const clap_preset_discovery_provider_t* provider) {
  const auto* self = static_cast<const Provider*>(provider->provider_data);
  const clap_preset_discovery_indexer_t* indexer = self->indexer;
  if (!indexer || !indexer->declare_location) return false;
  clap_preset_discovery_location_t location{};
  location.flags = CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT;
  location.name = kProviderDescriptor.name;
  location.kind = CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN;
  location.location = nullptr;
  return indexer->declare_location(indexer, &location);
}

void providerDestroy(const clap_preset_discovery_provider_t* provider) {
  delete static_cast<Provider*>(provider->provider_data);
}

bool providerMetadata(const clap_preset_discovery_provider_t*, uint32_t kind, const char*,
                      const clap_preset_discovery_metadata_receiver_t* receiver) {
  if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || !receiver || !receiver->begin_preset) return false;
  // The names come from an effect of our own, as its host would ask for them.
  AEffect* effect = createClapHostedEffect(quietHost);
  if (!effect) return false;
  const clap_universal_plugin_id_t id = {"clap", kClapDescriptor.id};
  for (VstInt32 program = 0; program < effect->numPrograms; program++) {
    char name[256] = {0};
    effect->dispatcher(effect, effGetProgramNameIndexed, program, 0, name, 0.0f);
    name[sizeof(name) - 1] = 0;
    char key[16];
    std::snprintf(key, sizeof(key), "%d", program);
    if (!receiver->begin_preset(receiver, name, key)) break;
    if (receiver->add_plugin_id) receiver->add_plugin_id(receiver, &id);
    if (receiver->set_flags) receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
    if (receiver->add_creator) receiver->add_creator(receiver, "Kovrane Audio Production");
  }
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  return true;
}

const void* providerExtension(const clap_preset_discovery_provider_t*, const char*) {
  return nullptr;
}

uint32_t factoryCount(const clap_preset_discovery_factory_t*) {
  return 1;
}

const clap_preset_discovery_provider_descriptor_t* factoryDescriptor(const clap_preset_discovery_factory_t*,
                                                                     uint32_t index) {
  return index == 0 ? &kProviderDescriptor : nullptr;
}

const clap_preset_discovery_provider_t* factoryCreate(const clap_preset_discovery_factory_t*,
                                                      const clap_preset_discovery_indexer_t* indexer,
                                                      const char* id) {
  if (!indexer || !id || std::strcmp(id, kProviderDescriptor.id) != 0) return nullptr;
  Provider* self = new (std::nothrow) Provider();
  if (!self) return nullptr;
  self->indexer = indexer;
  self->provider = {&kProviderDescriptor, self, providerInit, providerDestroy, providerMetadata,
                    providerExtension};
  return &self->provider;
}

const clap_preset_discovery_factory_t kFactory = {factoryCount, factoryDescriptor, factoryCreate};

}  // namespace

const void* clapPresetFactory() {
  return &kFactory;
}

}  // namespace zarnith
