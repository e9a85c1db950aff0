// zarnith-host state: the plug-in's saved state (its chunk) shown, saved and
// loaded as hex or JSON with every value by name.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "plugin_loader.h"
#include "plugin_state.h"
#include "render_plan.h"
#include "state_file.h"

namespace {

const char* const kStateUsage =
    "usage: zarnith-host state show [FILE] [--hex] [options]   the state as JSON (or hex)\n"
    "       zarnith-host state save OUT.json|OUT.hex|OUT.fxp [options]\n"
    "       zarnith-host state load FILE [--save-preset OUT.fxp] [--save-bank OUT.fxb] [options]\n"
    "  FILE                   a state: .json (from show or save), .hex or .fxp\n"
    "  --plugin PATH          plug-in library (default: the one built with this tool)\n"
    "  --bank FILE            restore a .fxb bank first\n"
    "  --program N|NAME       factory program to start from\n"
    "  --set P=V              set parameter P (name or index) to V (0 to 1); repeatable\n";

int fail(const std::string& message, int status = 1) {
  std::fprintf(stderr, "zarnith-host state: %s\n", message.c_str());
  return status;
}

}  // namespace

int runState(int argc, char** argv) {
  if (argc < 1 || std::string(argv[0]) == "--help" || std::string(argv[0]) == "-h") {
    std::fputs(kStateUsage, argc < 1 ? stderr : stdout);
    return argc < 1 ? 2 : 0;
  }
  const std::string action = argv[0];
  if (action != "show" && action != "save" && action != "load")
    return fail("unknown action '" + action + "' (show, save or load)", 2);
  std::string file, plugin, bank, program, savePreset, saveBank;
  std::vector<std::string> sets;
  bool hex = false;
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i];
    auto next = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    bool ok = true;
    if (arg == "--plugin") {
      ok = next(&plugin);
    } else if (arg == "--bank") {
      ok = next(&bank);
    } else if (arg == "--program") {
      ok = next(&program);
    } else if (arg == "--set") {
      ok = next(&v);
      sets.push_back(v);
    } else if (arg == "--save-preset" && action == "load") {
      ok = next(&savePreset);
    } else if (arg == "--save-bank" && action == "load") {
      ok = next(&saveBank);
    } else if (arg == "--hex" && action == "show") {
      hex = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return fail("unknown option '" + arg + "' for state " + action + " (try --help)", 2);
    } else if (file.empty()) {
      file = arg;
    } else {
      return fail("more than one file ('" + file + "', '" + arg + "')", 2);
    }
    if (!ok) return fail(arg + " needs a value", 2);
  }
  if (file.empty() && action != "show") return fail("state " + action + " needs a file", 2);

  std::string error;
  std::unique_ptr<LoadedPlugin> loaded =
      LoadedPlugin::load(plugin.empty() ? defaultPluginPath() : plugin, &error);
  if (!loaded) return fail(error);
  loaded->dispatch(effOpen);
  if (!bank.empty() && !restoreBank(*loaded, bank, &error)) return fail(error);
  if (!program.empty()) {
    VstInt32 index = 0;
    if (!findProgram(*loaded, program, &index)) return fail("no program '" + program + "'", 2);
    loaded->dispatch(effSetProgram, 0, index);
  }
  if (!file.empty() && action != "save" && !applyStateFile(*loaded, file, &error)) return fail(error);
  for (const std::string& set : sets) {
    const size_t eq = set.find('=');
    VstInt32 index = 0;
    double value = 0;
    if (eq == std::string::npos || !findParameter(*loaded, set.substr(0, eq), &index))
      return fail("--set takes NAME=VALUE with a parameter that zarnith-host info lists (got '" + set + "')",
                  2);
    if (!parseNumber(set.substr(eq + 1), &value) || value < 0.0 || value > 1.0)
      return fail("--set " + set + ": the value must be a number from 0 to 1", 2);
    loaded->setParameter(index, static_cast<float>(value));
  }
  if (action == "save") {
    if (!saveStateFile(*loaded, file, &error)) return fail(error);
    return 0;
  }
  if (!savePreset.empty() && !::savePreset(*loaded, savePreset, &error)) return fail(error);
  if (!saveBank.empty() && !::saveBank(*loaded, saveBank, &error)) return fail(error);
  if (hex) {
    std::string text;
    if (!stateHex(*loaded, &text, &error)) return fail(error);
    std::printf("%s\n", text.c_str());
  } else {
    std::fputs(stateJson(*loaded).c_str(), stdout);
  }
  return 0;
}
