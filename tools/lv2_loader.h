// Loads an LV2 bundle through lilv and presents its plug-in behind a 2.4 effect
// record, so that zarnith-host's commands and the tests drive it as they drive a
// 2.4 library: control input ports are the parameters, presets the programs, the
// state a chunk, and the X11 UI the editor. Musical time comes from the host
// callback's time record and goes in as time:Position.
#pragma once

#include <string>

#include "host/plugin_interface.h"

// Creates the plug-in of the bundle at path (a directory) talking to host; null
// with a one-line reason in error when it cannot. effClose frees everything.
AEffect* openLv2Plugin(const std::string& path, audioMasterCallback host, std::string* error);
