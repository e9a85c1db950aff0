#include "plugin_test_support.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// Keeps the library resident for the whole run, as a host that has scanned it does.
// Its system dependencies (the graphics library among them) are then set up once;
// some of them leave memory behind every time they are unloaded and loaded again.
void keepLibraryResident() {
#ifdef _WIN32
  // Loaded once more and never freed.
  static HMODULE const resident = LoadLibraryA(ZARNITH_PLUGIN_PATH);
  EXPECT_NE(resident, nullptr) << "LoadLibrary failed: " << GetLastError();
#else
  static void* const resident = dlopen(ZARNITH_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  EXPECT_NE(resident, nullptr) << dlerror();
#endif
}

}  // namespace

std::unique_ptr<LoadedPlugin> loadZarnith(const LoadedPlugin::Options& options) {
  keepLibraryResident();
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(ZARNITH_PLUGIN_PATH, options, &error);
  EXPECT_TRUE(plugin) << error;
  return plugin;
}

std::vector<HostRequest> requestsWithOpcode(const LoadedPlugin& plugin, VstInt32 opcode) {
  std::vector<HostRequest> matching;
  for (const HostRequest& request : plugin.requests()) {
    if (request.opcode == opcode) matching.push_back(request);
  }
  return matching;
}

std::vector<unsigned char> getChunk(LoadedPlugin& plugin, bool isPreset) {
  void* data = nullptr;
  const VstIntPtr size = plugin.dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
  EXPECT_EQ(size, 140);
  EXPECT_NE(data, nullptr);
  if (!data || size <= 0) return {};
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

float chunkFloat(const std::vector<unsigned char>& chunk, size_t offset) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; i++) bits |= static_cast<uint32_t>(chunk.at(offset + i)) << (8 * i);
  float value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}
