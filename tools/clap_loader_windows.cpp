// The Windows build of the loader serves the 2.4 DLLs only: a CLAP library is refused with a reason.
#include "plugin_library.h"

std::unique_ptr<PluginLibrary> openClapLibrary(const std::string& path, std::string* error) {
  if (error) *error = path + ": CLAP plug-ins are not loaded on Windows";
  return nullptr;
}
