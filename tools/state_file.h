// The plug-in's saved state (its chunk) as text a person can read and keep:
// hex, or JSON with the chunk and every named parameter's value and display.
#pragma once

#include <string>
#include <vector>

class LoadedPlugin;

// A float as the shortest decimal that reads back as the same float (0.285f
// gives 0.285), for files a person reads.
double shortestDecimal(float value);

// The current state as JSON (plug-in ID, program, chunk in hex, parameters by name).
std::string stateJson(LoadedPlugin& plugin);
// The current chunk as one line of hex.
bool stateHex(LoadedPlugin& plugin, std::string* hex, std::string* error);
// Applies a state file: .fxp (a preset), .json (from stateJson: its chunk, or
// else its parameters by name) or hex (any other name).
bool applyStateFile(LoadedPlugin& plugin, const std::string& path, std::string* error);
// Writes the state by the file's type: .json, .hex or .fxp.
bool saveStateFile(LoadedPlugin& plugin, const std::string& path, std::string* error);
