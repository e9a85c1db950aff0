// Program preset files (.fxp) and bank files (.fxb) of the 2.4 interface: 'CcnK'
// containers with big-endian header fields. Presets are opaque chunks ('FPCh')
// or parameter lists ('FxCk'); banks are one opaque chunk ('FBCh') or a list of
// such presets ('FxBk').
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FxpPreset {
  int32_t pluginId = 0;       // the plug-in's unique ID
  int32_t pluginVersion = 0;  // the plug-in's own version
  int32_t numParams = 0;
  std::string programName;  // at most 27 characters are stored
  bool isChunk = true;      // 'FPCh' (opaque chunk) or 'FxCk' (parameter values)
  std::vector<unsigned char> chunk;
  std::vector<float> parameters;
};

// The file's bytes for a preset.
std::vector<unsigned char> encodeFxp(const FxpPreset& preset);
// Parses a preset file's bytes; on failure returns false and a one-line reason.
bool decodeFxp(const std::vector<unsigned char>& bytes, FxpPreset* preset, std::string* error);
// Four-character IDs as text, e.g. "ADly" (non-printable bytes as '?').
std::string fourCharText(int32_t id);

struct FxbBank {
  int32_t pluginId = 0;
  int32_t pluginVersion = 0;
  int32_t currentProgram = 0;  // 0 in the first version of the format, which has no such field
  bool isChunk = false;        // 'FBCh' (one opaque chunk) or 'FxBk' (the programs)
  int32_t numPrograms = 0;
  std::vector<unsigned char> chunk;
  std::vector<FxpPreset> programs;
};

// Bank files are written in the second version of the format (with the current program).
std::vector<unsigned char> encodeFxb(const FxbBank& bank);
bool decodeFxb(const std::vector<unsigned char>& bytes, FxbBank* bank, std::string* error);
