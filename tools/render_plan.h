// What a render is to do: the command line as the user gave it, checked, and the
// timed events it asks for, resolved against the loaded plug-in.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "automation.h"
#include "host/plugin_interface.h"
#include "host_transport.h"
#include "tempo_map.h"

class LoadedPlugin;

// A failure: its one-line message and the exit status (2 for usage errors).
struct Failure {
  std::string message;
  int status = 1;
};

struct RenderOptions {
  std::vector<std::string> inputs;  // files, folders or "-"; none: the built-in loop
  std::string output, outDir, nameTemplate, bits, plugin, program, preset, savePreset, bank, saveBank;
  std::string automation, trace;
  double tempo = 120.0;
  int numerator = 4, denominator = 4;
  double startPpq = 0.0;
  int blockSize = 512;
  bool randomBlocks = false;
  std::vector<std::pair<std::string, std::string>> sets;  // parameter, value text
  std::vector<double> notes;
  double tail = 0.0;
  double sampleRate = 44100.0;
  bool sampleRateGiven = false;
  int bars = 4;
  bool barsGiven = false;
  bool report = false, quiet = false;
  bool loopInput = false;
  // The song's time: the tempo map (from --tempo, --time-sig, --tempo-map,
  // --tempo-at, --time-sig-at) and the transport's moves.
  TempoMap tempoMap;
  TransportSetup transport;
};

extern const char* const kRenderUsage;

// Parses the arguments after "render". Returns false with the failure set; a
// request for help prints the usage and fails with status 0.
bool parseRenderOptions(int argc, char** argv, RenderOptions* options, Failure* failure);

// A parameter change at a frame of the render.
struct ParameterChange {
  VstInt32 index;
  float value;
  long long frame;
};

// The timed events of one render, in frame order.
struct RenderPlan {
  long long totalFrames = 0;
  std::vector<ParameterChange> changes;
  std::vector<long long> notes;  // frames of the MIDI note-ons
  std::vector<AutomationLane> automation;
};

// Brings the plug-in into its starting state (preset, program, immediate
// changes) and resolves the timed changes and notes of the render.
// pluginPath is where the plug-in came from (for a spare instance).
bool planRender(LoadedPlugin& plugin, const std::string& pluginPath, const RenderOptions& options,
                double sampleRate, long long totalFrames, RenderPlan* plan, Failure* failure);

// Text to number, whole text only; false for anything else (or not finite).
bool parseNumber(const std::string& text, double* value);
bool parseInt(const std::string& text, long long low, long long high, int* value);
