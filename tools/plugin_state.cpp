#include "plugin_state.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

#include "fxp.h"
#include "plugin_loader.h"
#include "render_plan.h"

std::string lowerCase(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool findParameter(LoadedPlugin& plugin, const std::string& key, VstInt32* index) {
  const VstInt32 count = plugin.effect()->numParams;
  int number = 0;
  if (parseInt(key, 0, count - 1, &number)) {
    *index = number;
    return true;
  }
  for (VstInt32 i = 0; i < count; i++) {
    const std::string name = plugin.text(effGetParamName, i);
    if (!name.empty() && lowerCase(name) == lowerCase(key)) {
      *index = i;
      return true;
    }
  }
  return false;
}

bool findProgram(LoadedPlugin& plugin, const std::string& key, VstInt32* program) {
  const VstInt32 count = plugin.effect()->numPrograms;
  int number = 0;
  if (parseInt(key, 0, count - 1, &number)) {
    *program = number;
    return true;
  }
  for (VstInt32 i = 0; i < count; i++) {
    char name[256] = {};
    if (plugin.dispatch(effGetProgramNameIndexed, i, 0, name) && lowerCase(name) == lowerCase(key)) {
      *program = i;
      return true;
    }
  }
  return false;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open for reading";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > (16 << 20)) {
    *error = path + ": not a preset file (size)";
    return false;
  }
  in.seekg(0);
  bytes->resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes->data()), size)) {
    *error = path + ": read failed";
    return false;
  }
  return true;
}

bool writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes, const std::string& what,
                    std::string* error) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out ||
        !out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
      std::remove(temporary.c_str());
      *error = path + ": cannot write the " + what;
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    *error = path + ": cannot move the " + what + " into place";
    return false;
  }
  return true;
}

bool restorePreset(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  std::vector<unsigned char> bytes;
  if (!readWholeFile(path, &bytes, error)) return false;
  FxpPreset preset;
  std::string why;
  if (!decodeFxp(bytes, &preset, &why)) {
    *error = path + ": " + why;
    return false;
  }
  AEffect* effect = plugin.effect();
  if (preset.pluginId != effect->uniqueID) {
    *error = path + ": preset made for plug-in '" + fourCharText(preset.pluginId) + "', not for '" +
             fourCharText(effect->uniqueID) + "'";
    return false;
  }
  if (preset.isChunk) {
    if (!(effect->flags & effFlagsProgramChunks)) {
      *error = path + ": a chunk preset, but the plug-in keeps no chunk state";
      return false;
    }
    // Restored as the effect's whole state (not as an unapplied program chunk).
    if (plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(preset.chunk.size()), preset.chunk.data()) !=
        1) {
      *error = path + ": the plug-in refused the preset's state";
      return false;
    }
  } else {
    const size_t count = std::min(preset.parameters.size(), static_cast<size_t>(effect->numParams));
    for (size_t i = 0; i < count; i++) plugin.setParameter(static_cast<VstInt32>(i), preset.parameters[i]);
  }
  return true;
}

bool savePreset(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  AEffect* effect = plugin.effect();
  FxpPreset preset;
  preset.pluginId = effect->uniqueID;
  preset.pluginVersion = effect->version;
  preset.numParams = effect->numParams;
  preset.programName = plugin.text(effGetProgramName);
  if (effect->flags & effFlagsProgramChunks) {
    void* data = nullptr;
    const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) {
      *error = path + ": the plug-in gave no state to save";
      return false;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    preset.chunk.assign(bytes, bytes + size);
  } else {
    preset.isChunk = false;
    for (VstInt32 i = 0; i < effect->numParams; i++) preset.parameters.push_back(plugin.getParameter(i));
  }
  return writeWholeFile(path, encodeFxp(preset), "preset", error);
}
