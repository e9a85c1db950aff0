// Program preset files (.fxp) of the 2.4 interface: a 'CcnK' container with
// big-endian header fields. Writes opaque-chunk presets ('FPCh'); reads those
// and parameter-list presets ('FxCk').
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
