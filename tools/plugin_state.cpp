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

namespace {

// An index from 0 to count - 1, given as a number or (case-insensitively) as
// the name that nameOf answers for it.
template <typename NameOf>
bool findByIndexOrName(const std::string& key, VstInt32 count, NameOf nameOf, VstInt32* found) {
  int number = 0;
  if (parseInt(key, 0, count - 1, &number)) {
    *found = number;
    return true;
  }
  for (VstInt32 i = 0; i < count; i++) {
    const std::string name = nameOf(i);
    if (!name.empty() && lowerCase(name) == lowerCase(key)) {
      *found = i;
      return true;
    }
  }
  return false;
}

}  // namespace

bool findParameter(LoadedPlugin& plugin, const std::string& key, VstInt32* index) {
  return findByIndexOrName(
      key, plugin.effect()->numParams, [&](VstInt32 i) { return plugin.text(effGetParamName, i); }, index);
}

bool findProgram(LoadedPlugin& plugin, const std::string& key, VstInt32* program) {
  auto nameOf = [&](VstInt32 i) {
    char name[256] = {};
    return plugin.dispatch(effGetProgramNameIndexed, i, 0, name) ? std::string(name) : std::string();
  };
  return findByIndexOrName(key, plugin.effect()->numPrograms, nameOf, program);
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

void applyParameterValues(LoadedPlugin& plugin, const std::vector<float>& values) {
  const size_t count = std::min(values.size(), static_cast<size_t>(plugin.effect()->numParams));
  for (size_t i = 0; i < count; i++) {
    // Unnamed indices are a plug-in's internals (actions, readouts, indicators):
    // setting one may do something (such as randomising) rather than restore a value.
    if (!plugin.text(effGetParamName, static_cast<VstInt32>(i)).empty())
      plugin.setParameter(static_cast<VstInt32>(i), values[i]);
  }
}

namespace {

// False with the reason when a file names another plug-in's ID.
bool madeForThisPlugin(LoadedPlugin& plugin, int32_t id, const std::string& what, std::string* error) {
  if (id == plugin.effect()->uniqueID) return true;
  *error = what + " made for plug-in '" + fourCharText(id) + "', not for '" +
           fourCharText(plugin.effect()->uniqueID) + "'";
  return false;
}

// A preset or bank file read and decoded; false with a one-line reason.
template <typename Record, typename Decode>
bool readRecord(const std::string& path, Decode decode, Record* record, std::string* error) {
  std::vector<unsigned char> bytes;
  if (!readWholeFile(path, &bytes, error)) return false;
  std::string why;
  if (!decode(bytes, record, &why)) {
    *error = path + ": " + why;
    return false;
  }
  return true;
}

}  // namespace

bool restorePreset(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  FxpPreset preset;
  if (!readRecord(path, decodeFxp, &preset, error)) return false;
  AEffect* effect = plugin.effect();
  if (!madeForThisPlugin(plugin, preset.pluginId, path + ": preset", error)) return false;
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
    applyParameterValues(plugin, preset.parameters);
  }
  return true;
}

bool pluginChunk(LoadedPlugin& plugin, std::vector<unsigned char>* chunk, std::string* error) {
  void* data = nullptr;
  const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
  if (size <= 0 || !data) {
    *error = "the plug-in gave no state to save";
    return false;
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  chunk->assign(bytes, bytes + size);
  return true;
}

// The current program as a preset record: the plug-in's chunk when it keeps
// one, else every parameter's value.
bool capturePreset(LoadedPlugin& plugin, FxpPreset* preset, std::string* error) {
  AEffect* effect = plugin.effect();
  preset->pluginId = effect->uniqueID;
  preset->pluginVersion = effect->version;
  preset->numParams = effect->numParams;
  if (effect->flags & effFlagsProgramChunks) return pluginChunk(plugin, &preset->chunk, error);
  preset->isChunk = false;
  for (VstInt32 i = 0; i < effect->numParams; i++) preset->parameters.push_back(plugin.getParameter(i));
  return true;
}

bool savePreset(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  FxpPreset preset;
  preset.programName = plugin.text(effGetProgramName);
  if (!capturePreset(plugin, &preset, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return writeWholeFile(path, encodeFxp(preset), "preset", error);
}

bool restoreBank(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  FxbBank bank;
  if (!readRecord(path, decodeFxb, &bank, error)) return false;
  AEffect* effect = plugin.effect();
  if (!madeForThisPlugin(plugin, bank.pluginId, path + ": bank", error)) return false;
  if (bank.numPrograms > effect->numPrograms || bank.currentProgram < 0 ||
      bank.currentProgram >= std::max(1, effect->numPrograms)) {
    *error = path + ": bank of " + std::to_string(bank.numPrograms) + " programs (current " +
             std::to_string(bank.currentProgram) + "); the plug-in has " +
             std::to_string(effect->numPrograms);
    return false;
  }
  const bool chunks = (effect->flags & effFlagsProgramChunks) != 0;
  if (bank.isChunk ||
      std::any_of(bank.programs.begin(), bank.programs.end(), [](const FxpPreset& p) { return p.isChunk; })) {
    if (!chunks) {
      *error = path + ": a bank of chunks, but the plug-in keeps no chunk state";
      return false;
    }
  }
  if (bank.isChunk) {
    if (plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.chunk.size()), bank.chunk.data()) != 1) {
      *error = path + ": the plug-in refused the bank's state";
      return false;
    }
    return true;
  }
  for (size_t i = 0; i < bank.programs.size(); i++) {
    FxpPreset& program = bank.programs[i];
    if (program.pluginId != effect->uniqueID) {
      *error = path + ": program " + std::to_string(i) + " made for plug-in '" +
               fourCharText(program.pluginId) + "'";
      return false;
    }
    plugin.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(i));
    if (program.isChunk) {
      // The chunk restores the program it was taken from, which is this one.
      if (plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(program.chunk.size()),
                          program.chunk.data()) != 1) {
        *error = path + ": the plug-in refused program " + std::to_string(i);
        return false;
      }
    } else {
      applyParameterValues(plugin, program.parameters);
    }
    std::vector<char> name(program.programName.begin(), program.programName.end());
    name.push_back(0);
    plugin.dispatch(effSetProgramName, 0, 0, name.data());
  }
  plugin.dispatch(effSetProgram, 0, bank.currentProgram);
  return true;
}

bool saveBank(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  AEffect* effect = plugin.effect();
  FxbBank bank;
  bank.pluginId = effect->uniqueID;
  bank.pluginVersion = effect->version;
  bank.currentProgram = static_cast<int32_t>(plugin.dispatch(effGetProgram));
  // Each program is made current in turn and taken as a preset record: the
  // plug-in's own chunk may hold only the current program.
  for (VstInt32 i = 0; i < effect->numPrograms; i++) {
    plugin.dispatch(effSetProgram, 0, i);
    FxpPreset program;
    char name[256] = {};
    plugin.dispatch(effGetProgramNameIndexed, i, 0, name);
    program.programName = name;
    if (!capturePreset(plugin, &program, error)) {
      *error = path + ": program " + std::to_string(i) + ": " + *error;
      return false;
    }
    bank.programs.push_back(program);
  }
  bank.numPrograms = static_cast<int32_t>(bank.programs.size());
  plugin.dispatch(effSetProgram, 0, bank.currentProgram);
  return writeWholeFile(path, encodeFxb(bank), "bank", error);
}
