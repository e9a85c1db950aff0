#include "state_file.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "fxp.h"
#include "plugin_loader.h"
#include "plugin_state.h"

using Json = nlohmann::ordered_json;

namespace {

std::string toHex(const std::vector<unsigned char>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

bool fromHex(const std::string& text, std::vector<unsigned char>* bytes) {
  std::string digits;
  for (unsigned char c : text) {
    if (std::isspace(c)) continue;
    if (!std::isxdigit(c)) return false;
    digits += static_cast<char>(c);
  }
  if (digits.empty() || digits.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < digits.size(); i += 2)
    bytes->push_back(static_cast<unsigned char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return true;
}

bool setChunk(LoadedPlugin& plugin, std::vector<unsigned char>& chunk, const std::string& path,
              std::string* error) {
  if (!(plugin.effect()->flags & effFlagsProgramChunks)) {
    *error = path + ": the plug-in keeps no chunk state";
    return false;
  }
  if (plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()) != 1) {
    *error = path + ": the plug-in refused the state (" + std::to_string(chunk.size()) + " bytes)";
    return false;
  }
  return true;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  const std::string t = lowerCase(text);
  return t.size() >= suffix.size() && t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

double shortestDecimal(float value) {
  for (int digits = 1; digits < 9; digits++) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.*g", digits, value);
    if (std::strtof(text, nullptr) == value) return std::strtod(text, nullptr);
  }
  return value;  // nine digits always read back
}

bool stateHex(LoadedPlugin& plugin, std::string* hex, std::string* error) {
  std::vector<unsigned char> chunk;
  if (!pluginChunk(plugin, &chunk, error)) return false;
  *hex = toHex(chunk);
  return true;
}

std::string stateJson(LoadedPlugin& plugin) {
  AEffect* effect = plugin.effect();
  Json doc;
  doc["plugin"] = fourCharText(effect->uniqueID);
  const VstIntPtr program = plugin.dispatch(effGetProgram);
  doc["program"] = program;
  doc["programName"] = plugin.text(effGetProgramName);
  std::vector<unsigned char> chunk;
  std::string ignored;
  if ((effect->flags & effFlagsProgramChunks) && pluginChunk(plugin, &chunk, &ignored))
    doc["chunk"] = toHex(chunk);
  Json parameters = Json::object();
  for (VstInt32 i = 0; i < effect->numParams; i++) {
    const std::string name = plugin.text(effGetParamName, i);
    if (name.empty() || parameters.contains(name)) continue;  // unnamed ones are internal
    Json entry = {{"index", i}, {"value", shortestDecimal(plugin.getParameter(i))}};
    const std::string display = plugin.text(effGetParamDisplay, i);
    if (!display.empty()) entry["display"] = display;
    const std::string label = plugin.text(effGetParamLabel, i);
    if (!label.empty()) entry["label"] = label;
    parameters[name] = entry;
  }
  doc["parameters"] = parameters;
  return doc.dump(2) + "\n";
}

bool applyStateFile(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  if (endsWith(path, ".fxp")) return restorePreset(plugin, path, error);
  std::vector<unsigned char> bytes;
  if (!readWholeFile(path, &bytes, error)) return false;
  const std::string text(bytes.begin(), bytes.end());
  std::vector<unsigned char> chunk;
  if (!endsWith(path, ".json")) {
    if (!fromHex(text, &chunk)) {
      *error = path + ": not a state in hex (give .json, .fxp or a file of hex digits)";
      return false;
    }
    return setChunk(plugin, chunk, path, error);
  }
  Json doc;
  try {
    doc = Json::parse(text);
  } catch (const Json::exception& e) {
    *error = path + ": not JSON (" + e.what() + ")";
    return false;
  }
  if (!doc.is_object()) {
    *error = path + ": a state is a JSON object (see zarnith-host state show)";
    return false;
  }
  const std::string id = fourCharText(plugin.effect()->uniqueID);
  if (doc.contains("plugin") && doc["plugin"] != id) {
    *error = path + ": state made for plug-in '" + doc["plugin"].dump() + "', not for '" + id + "'";
    return false;
  }
  if (doc.contains("chunk")) {
    if (!doc["chunk"].is_string() || !fromHex(doc["chunk"].get<std::string>(), &chunk)) {
      *error = path + ": \"chunk\" must be a text of hex digits";
      return false;
    }
    return setChunk(plugin, chunk, path, error);
  }
  if (!doc.contains("parameters") || !doc["parameters"].is_object()) {
    *error = path + ": no \"chunk\" and no \"parameters\"";
    return false;
  }
  for (auto it = doc["parameters"].begin(); it != doc["parameters"].end(); ++it) {
    VstInt32 index = 0;
    if (!findParameter(plugin, it.key(), &index)) {
      *error = path + ": no parameter '" + it.key() + "'";
      return false;
    }
    const Json& v = it.value().is_object() && it.value().contains("value") ? it.value()["value"] : it.value();
    if (!v.is_number() || v.get<double>() < 0.0 || v.get<double>() > 1.0) {
      *error = path + ": " + it.key() + ": the value must be a number from 0 to 1";
      return false;
    }
    plugin.setParameter(index, v.get<float>());
  }
  return true;
}

bool saveStateFile(LoadedPlugin& plugin, const std::string& path, std::string* error) {
  if (endsWith(path, ".fxp")) return savePreset(plugin, path, error);
  std::string text;
  if (endsWith(path, ".json")) {
    text = stateJson(plugin);
  } else if (endsWith(path, ".hex")) {
    if (!stateHex(plugin, &text, error)) {
      *error = path + ": " + *error;
      return false;
    }
    text += "\n";
  } else {
    *error = path + ": unknown state file type (use .json, .hex or .fxp)";
    return false;
  }
  return writeWholeFile(path, std::vector<unsigned char>(text.begin(), text.end()), "state", error);
}
