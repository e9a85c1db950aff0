// zarnith-host automation-template: a starter keyframe file for render --automation.
#include <cstdio>
#include <memory>
#include <string>

#include "automation.h"
#include "commands.h"
#include "plugin_loader.h"
#include "plugin_state.h"

int runAutomationTemplate(int argc, char** argv) {
  std::string plugin, program;
  for (int i = 0; i < argc; i++) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::printf("usage: zarnith-host automation-template [--plugin PATH] [--program N|NAME] > FILE.json\n");
      return 0;
    } else if ((arg == "--plugin" || arg == "--program") && i + 1 < argc) {
      (arg == "--plugin" ? plugin : program) = argv[++i];
    } else {
      std::fprintf(stderr, "zarnith-host automation-template: unexpected '%s' (try --help)\n", arg.c_str());
      return 2;
    }
  }
  std::string error;
  std::unique_ptr<LoadedPlugin> loaded =
      LoadedPlugin::load(plugin.empty() ? defaultPluginPath() : plugin, &error);
  if (!loaded) {
    std::fprintf(stderr, "zarnith-host automation-template: %s\n", error.c_str());
    return 1;
  }
  if (!program.empty()) {
    VstInt32 index = 0;
    if (!findProgram(*loaded, program, &index)) {
      std::fprintf(stderr, "zarnith-host automation-template: no program '%s'\n", program.c_str());
      return 2;
    }
    loaded->dispatch(effSetProgram, 0, index);
  }
  std::fputs(automationTemplate(*loaded).c_str(), stdout);
  return 0;
}
