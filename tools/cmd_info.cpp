// zarnith-host info: what a host's scan of a plug-in sees, as text or JSON.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "json_text.h"
#include "plugin_loader.h"

namespace {

const VstInt32 kMaxCount = 100000;

struct Parameter {
  std::string name, label, display;
};

struct ScanResult {
  std::string effectName, vendor, product, uniqueId;
  VstIntPtr vendorVersion = 0, interfaceVersion = 0, category = 0;
  AEffect record{};
  std::vector<Parameter> parameters;
  std::vector<std::string> programs;
  std::string format;
  std::vector<std::pair<std::string, std::string>> formatLines;  // what the format adds
};

// Four printable characters, or the number in hex when they are not printable.
std::string fourCharacters(VstInt32 id) {
  char text[5];
  for (int i = 0; i < 4; i++) {
    text[i] = static_cast<char>((static_cast<uint32_t>(id) >> (24 - 8 * i)) & 0xFF);
    if (text[i] < 0x20 || text[i] > 0x7E) {
      char hex[16];
      std::snprintf(hex, sizeof(hex), "0x%08X", static_cast<unsigned>(id));
      return hex;
    }
  }
  text[4] = 0;
  return text;
}

std::string flagNames(VstInt32 flags) {
  static const struct {
    VstInt32 bit;
    const char* name;
  } kFlags[] = {{effFlagsHasEditor, "editor"},
                {effFlagsCanReplacing, "replacing"},
                {effFlagsProgramChunks, "program-chunks"},
                {effFlagsIsSynth, "synth"},
                {effFlagsNoSoundInStop, "no-sound-in-stop"},
                {effFlagsCanDoubleReplacing, "double-replacing"}};
  std::string names;
  for (const auto& flag : kFlags) {
    if (flags & flag.bit) names += (names.empty() ? "" : ", ") + std::string(flag.name);
  }
  return names;
}

ScanResult scan(LoadedPlugin& plugin) {
  ScanResult result;
  AEffect* effect = plugin.effect();
  result.record = *effect;
  result.effectName = plugin.text(effGetEffectName);
  result.vendor = plugin.text(effGetVendorString);
  result.product = plugin.text(effGetProductString);
  result.vendorVersion = plugin.dispatch(effGetVendorVersion);
  result.interfaceVersion = plugin.dispatch(effGetVstVersion);
  result.category = plugin.dispatch(effGetPlugCategory);
  result.uniqueId = fourCharacters(effect->uniqueID);
  for (VstInt32 i = 0; i < effect->numParams; i++) {
    result.parameters.push_back({plugin.text(effGetParamName, i), plugin.text(effGetParamLabel, i),
                                 plugin.text(effGetParamDisplay, i)});
  }
  // Hosts read program names by index; a plug-in that cannot answer that is asked
  // program by program, and its current program is restored afterwards.
  const VstIntPtr current = plugin.dispatch(effGetProgram);
  bool switched = false;
  for (VstInt32 i = 0; i < effect->numPrograms; i++) {
    char name[512] = {0};
    if (plugin.dispatch(effGetProgramNameIndexed, i, 0, name) == 0) {
      plugin.dispatch(effSetProgram, 0, i);
      switched = true;
      std::memset(name, 0, sizeof(name));
      plugin.dispatch(effGetProgramName, 0, 0, name);
    }
    name[sizeof(name) - 1] = 0;
    result.programs.push_back(name);
  }
  if (switched) plugin.dispatch(effSetProgram, 0, current);
  static const char* const kFormatNames[] = {"2.4", "2.4", "LV2", "CLAP"};
  result.format = kFormatNames[static_cast<int>(plugin.format())];
  if (PluginLibrary* library = plugin.formatLibrary()) result.formatLines = library->describe(effect);
  return result;
}

void printText(const std::string& path, const ScanResult& r) {
  std::printf("Plug-in:          %s\n", path.c_str());
  std::printf("Format:           %s\n", r.format.c_str());
  for (const auto& line : r.formatLines)
    std::printf("%-17s %s\n", (line.first + ":").c_str(), line.second.c_str());
  std::printf("Effect name:      %s\n", r.effectName.c_str());
  std::printf("Vendor:           %s\n", r.vendor.c_str());
  std::printf("Product:          %s\n", r.product.c_str());
  std::printf("Vendor version:   %ld\n", static_cast<long>(r.vendorVersion));
  std::printf("Interface:        %ld\n", static_cast<long>(r.interfaceVersion));
  std::printf("Unique ID:        %s (0x%08X)\n", r.uniqueId.c_str(),
              static_cast<unsigned>(r.record.uniqueID));
  std::printf("Version:          %d\n", r.record.version);
  std::printf("Category:         %ld\n", static_cast<long>(r.category));
  std::printf("Flags:            0x%X (%s)\n", static_cast<unsigned>(r.record.flags),
              flagNames(r.record.flags).c_str());
  std::printf("Inputs/outputs:   %d/%d\n", r.record.numInputs, r.record.numOutputs);
  std::printf("Initial delay:    %d\n", r.record.initialDelay);
  std::printf("Parameters (%d):\n", r.record.numParams);
  std::printf("  %5s  %-20s %-8s %s\n", "index", "name", "label", "display");
  for (size_t i = 0; i < r.parameters.size(); i++) {
    const Parameter& p = r.parameters[i];
    std::printf("  %5zu  %-20s %-8s %s\n", i, p.name.c_str(), p.label.c_str(), p.display.c_str());
  }
  std::printf("Programs (%d):\n", r.record.numPrograms);
  for (size_t i = 0; i < r.programs.size(); i++) std::printf("  %5zu  %s\n", i, r.programs[i].c_str());
}

void printJson(const std::string& path, const ScanResult& r) {
  std::printf("{\n");
  std::printf("  \"path\": %s,\n", jsonString(path).c_str());
  std::printf("  \"format\": %s,\n", jsonString(r.format).c_str());
  std::printf("  \"formatDetails\": [");
  for (size_t i = 0; i < r.formatLines.size(); i++)
    std::printf("%s\n    {\"key\": %s, \"value\": %s}", i ? "," : "",
                jsonString(r.formatLines[i].first).c_str(), jsonString(r.formatLines[i].second).c_str());
  std::printf("%s],\n", r.formatLines.empty() ? "" : "\n  ");
  std::printf("  \"effectName\": %s,\n", jsonString(r.effectName).c_str());
  std::printf("  \"vendor\": %s,\n", jsonString(r.vendor).c_str());
  std::printf("  \"product\": %s,\n", jsonString(r.product).c_str());
  std::printf("  \"vendorVersion\": %ld,\n", static_cast<long>(r.vendorVersion));
  std::printf("  \"interfaceVersion\": %ld,\n", static_cast<long>(r.interfaceVersion));
  std::printf("  \"uniqueId\": %s,\n", jsonString(r.uniqueId).c_str());
  std::printf("  \"uniqueIdNumber\": %u,\n", static_cast<unsigned>(r.record.uniqueID));
  std::printf("  \"version\": %d,\n", r.record.version);
  std::printf("  \"category\": %ld,\n", static_cast<long>(r.category));
  std::printf("  \"flags\": %d,\n", r.record.flags);
  std::printf("  \"numInputs\": %d,\n", r.record.numInputs);
  std::printf("  \"numOutputs\": %d,\n", r.record.numOutputs);
  std::printf("  \"initialDelay\": %d,\n", r.record.initialDelay);
  std::printf("  \"parameters\": [");
  for (size_t i = 0; i < r.parameters.size(); i++) {
    const Parameter& p = r.parameters[i];
    std::printf("%s\n    {\"index\": %zu, \"name\": %s, \"label\": %s, \"display\": %s}", i ? "," : "", i,
                jsonString(p.name).c_str(), jsonString(p.label).c_str(), jsonString(p.display).c_str());
  }
  std::printf("%s],\n", r.parameters.empty() ? "" : "\n  ");
  std::printf("  \"programs\": [");
  for (size_t i = 0; i < r.programs.size(); i++) {
    std::printf("%s\n    {\"index\": %zu, \"name\": %s}", i ? "," : "", i, jsonString(r.programs[i]).c_str());
  }
  std::printf("%s]\n}\n", r.programs.empty() ? "" : "\n  ");
}

}  // namespace

int runInfo(int argc, char** argv) {
  bool json = false;
  std::string path;
  for (int i = 0; i < argc; i++) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (argv[i][0] == '-' && argv[i][1] != 0) {
      std::fprintf(stderr, "zarnith-host info: unknown option '%s'\n", argv[i]);
      return 2;
    } else if (path.empty()) {
      path = argv[i];
    } else {
      std::fprintf(stderr, "zarnith-host info: more than one plug-in given\n");
      return 2;
    }
  }
  if (path.empty()) path = defaultPluginPath();

  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(path, &error);
  if (!plugin) {
    std::fprintf(stderr, "zarnith-host info: %s\n", error.c_str());
    return 1;
  }
  // A broken record could announce counts no scan should walk through.
  const AEffect* effect = plugin->effect();
  if (effect->numParams < 0 || effect->numParams > kMaxCount || effect->numPrograms < 0 ||
      effect->numPrograms > kMaxCount) {
    std::fprintf(stderr, "zarnith-host info: %s: implausible parameter or program count (%d, %d)\n",
                 path.c_str(), effect->numParams, effect->numPrograms);
    return 1;
  }
  plugin->dispatch(effOpen);
  const ScanResult result = scan(*plugin);
  if (json)
    printJson(path, result);
  else
    printText(path, result);
  return 0;
}
