// The plug-in's state as a host keeps it: parameters and programs found by
// index or name, and presets restored and stored in .fxp files.
#pragma once

#include <string>
#include <vector>

#include "host/plugin_interface.h"

class LoadedPlugin;

std::string lowerCase(std::string text);
// A parameter by its index or (case-insensitively) by its name.
bool findParameter(LoadedPlugin& plugin, const std::string& key, VstInt32* index);
// A program by its index or (case-insensitively) by its name.
bool findProgram(LoadedPlugin& plugin, const std::string& key, VstInt32* program);

// A small file read whole (presets, banks, state); false with a one-line reason.
bool readWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error);
// Writes a file through a temporary one renamed into place.
// what names the file in the error ("preset", "bank").
bool writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes, const std::string& what,
                    std::string* error);

struct FxpPreset;
// Sets the values of a parameter list, skipping the plug-in's unnamed indices.
void applyParameterValues(LoadedPlugin& plugin, const std::vector<float>& values);
// The plug-in's state through effGetChunk.
bool pluginChunk(LoadedPlugin& plugin, std::vector<unsigned char>* chunk, std::string* error);
bool capturePreset(LoadedPlugin& plugin, FxpPreset* preset, std::string* error);

bool restorePreset(LoadedPlugin& plugin, const std::string& path, std::string* error);
bool savePreset(LoadedPlugin& plugin, const std::string& path, std::string* error);
// Banks (.fxb): every program and which one is current.
bool restoreBank(LoadedPlugin& plugin, const std::string& path, std::string* error);
bool saveBank(LoadedPlugin& plugin, const std::string& path, std::string* error);
