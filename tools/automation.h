// Keyframed parameter automation read from a JSON file: lanes of points per
// parameter (by name or index), each point at a time in seconds, samples,
// beats or bars, with linear or step movement between points. The render
// applies the lanes at block boundaries, so the block size is the resolution.
#pragma once

#include <string>
#include <vector>

#include "host/plugin_interface.h"

class LoadedPlugin;
class TempoMap;

struct AutomationPoint {
  long long frame;
  float value;
};

struct AutomationLane {
  VstInt32 index = 0;
  bool step = false;
  std::vector<AutomationPoint> points;  // in frame order
};

// The lane's value at a frame: the first point's value before it, the last
// one's after it, and between two points the earlier one's (step) or the
// straight line between them (linear).
float automationValueAt(const AutomationLane& lane, long long frame);

// Where a render's frames lie in musical time, to place points given in beats
// or bars: the song plays straight from startPpq through the tempo map.
struct AutomationTimeline {
  const TempoMap* map;
  double startPpq;
  double sampleRate;
  long long totalFrames;
};

// Reads a keyframe file. Names and display texts are the plug-in's own answers;
// display texts are turned into values on a spare instance loaded from
// pluginPath, so the rendering instance is not disturbed.
bool loadAutomation(const std::string& path, LoadedPlugin& plugin, const std::string& pluginPath,
                    const AutomationTimeline& timeline, std::vector<AutomationLane>* lanes,
                    std::string* error);

// The value (0..1) whose display the plug-in shows as text: a label such as
// "Low Pass" or a number such as "2000" or "2000 Hz". Uses (and changes) probe.
bool valueForDisplay(LoadedPlugin& probe, VstInt32 index, const std::string& text, float* value,
                     std::string* error);

// A starter keyframe file for the plug-in: every named parameter held at its
// current value, and one lane showing the time units and display texts.
std::string automationTemplate(LoadedPlugin& plugin);
