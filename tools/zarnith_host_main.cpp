// zarnith-host: a small command-line host for plug-ins of the 2.4 interface.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "plugin_loader.h"

namespace {

struct Command {
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};

// Add a subcommand here (and its source file to tools/CMakeLists.txt).
const Command kCommands[] = {
    {"info", "info [--json] [PLUGIN.so]   what a host's scan sees", runInfo},
    {"render", "render [INPUT...] --out FILE|--out-dir DIR [options]   process audio offline (--help)",
     runRender},
    {"automation-template", "automation-template [--plugin PATH]   a starter keyframe file for render",
     runAutomationTemplate},
    {"state", "state show|save|load ...   the plug-in's saved state as hex or JSON (--help)", runState},
    {"diff", "diff A B [--max-db DB]   null test of two audio files", runDiff},
    {"validate",
     "validate [PLUGIN.so] [--strictness 1..10] [--only NAMES] [--seed N] [--json]   check a plug-in",
     runValidate},
#ifdef ZARNITH_HAVE_VIEW
    {"view", "view [PLUGIN.so] [--screenshot FILE.png --after MS]   open the editor in a window", runView},
#endif
};

void printUsage(FILE* out) {
  std::fprintf(out, "usage: zarnith-host COMMAND [ARGS]\n");
  for (const Command& command : kCommands) std::fprintf(out, "  %s\n", command.usage);
  std::fprintf(out,
               "PLUGIN.so defaults to %s; a .lv2 bundle (or --format lv2) loads through lilv, a .clap (or "
               "--format clap) through its CLAP entry\n",
               defaultPluginPath().c_str());
}

}  // namespace

std::string defaultPluginPath() {
#ifdef ZARNITH_DEFAULT_PLUGIN
  return ZARNITH_DEFAULT_PLUGIN;
#else
  return "zarnith.so";
#endif
}

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage(stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    printUsage(stdout);
    return 0;
  }
  // --format NAME, anywhere after the command, picks the format of a path that does not tell.
  int kept = 2;
  for (int i = 2; i < argc; i++) {
    if (std::strcmp(argv[i], "--format") != 0) {
      argv[kept++] = argv[i];
      continue;
    }
    PluginFormat format;
    if (i + 1 >= argc || !LoadedPlugin::parseFormat(argv[i + 1], &format)) {
      std::fprintf(stderr, "zarnith-host: --format needs 2.4, lv2 or clap\n");
      return 2;
    }
    LoadedPlugin::setDefaultFormat(format);
    i++;
  }
  argc = kept;
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) == 0) return command.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "zarnith-host: unknown command '%s' (try --help)\n", argv[1]);
  return 2;
}
