// A plug-in library of another format than the 2.4 interface, whose plug-in the tools
// drive through a 2.4 effect record that translates every entry to the format's calls.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/plugin_interface.h"

class PluginLibrary {
 public:
  virtual ~PluginLibrary() {}
  // Creates the library's plug-in; its requests reach host as a 2.4 plug-in's would.
  // Null with error set when it cannot be made.
  virtual AEffect* createEffect(audioMasterCallback host, std::string* error) = 0;
  // What a scan in this format sees beyond the 2.4 record, as labelled lines.
  virtual std::vector<std::pair<std::string, std::string>> describe(AEffect* effect) = 0;
  virtual const char* formatName() const = 0;
};

// Opens a CLAP library (clap_loader.cpp); null with error set when it is none.
std::unique_ptr<PluginLibrary> openClapLibrary(const std::string& path, std::string* error);
