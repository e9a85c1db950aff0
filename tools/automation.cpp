#include "automation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>

#include "plugin_loader.h"
#include "plugin_state.h"
#include "state_file.h"
#include "tempo_map.h"

using Json = nlohmann::ordered_json;

namespace {

// Display texts are cut to this many characters by the interface.
const size_t kDisplayLength = 8;
// Values tried when a display text names a range of values.
const int kDisplaySteps = 1000;

std::string trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

std::string displayOf(LoadedPlugin& probe, VstInt32 index, double value) {
  probe.setParameter(index, static_cast<float>(value));
  return trim(probe.text(effGetParamDisplay, index));
}

// A number, optionally followed by the parameter's label ("2000 Hz").
bool displayNumber(const std::string& text, const std::string& label, double* number) {
  const std::string t = trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || !std::isfinite(v)) return false;
  const std::string rest = trim(end);
  if (!rest.empty() && (label.empty() || lowerCase(rest) != lowerCase(label))) return false;
  *number = v;
  return true;
}

bool sameDisplay(const std::string& shown, const std::string& wanted) {
  const std::string a = lowerCase(shown), b = lowerCase(wanted);
  // The plug-in may have cut its text to the interface's limit.
  return a == b || (a.size() == kDisplayLength && b.compare(0, kDisplayLength, a) == 0);
}

}  // namespace

float automationValueAt(const AutomationLane& lane, long long frame) {
  const std::vector<AutomationPoint>& p = lane.points;
  if (frame <= p.front().frame) return p.front().value;
  if (frame >= p.back().frame) return p.back().value;
  size_t i = 0;
  while (p[i + 1].frame <= frame) i++;
  if (lane.step) return p[i].value;
  const double along =
      static_cast<double>(frame - p[i].frame) / static_cast<double>(p[i + 1].frame - p[i].frame);
  return static_cast<float>(p[i].value + (static_cast<double>(p[i + 1].value) - p[i].value) * along);
}

bool valueForDisplay(LoadedPlugin& probe, VstInt32 index, const std::string& text, float* value,
                     std::string* error) {
  const std::string name = probe.text(effGetParamName, index);
  const std::string label = trim(probe.text(effGetParamLabel, index));
  double target = 0, low = 0, high = 0;
  if (displayNumber(text, label, &target) && displayNumber(displayOf(probe, index, 0.0), label, &low) &&
      displayNumber(displayOf(probe, index, 1.0), label, &high)) {
    if (target < std::min(low, high) || target > std::max(low, high)) {
      *error = name + ": " + trim(text) + " is outside what it shows (" + displayOf(probe, index, 0.0) +
               " to " + displayOf(probe, index, 1.0) + ")";
      return false;
    }
    const bool rising = high >= low;
    // The first value whose display passes the target (strictly or not), by halving.
    auto firstBeyond = [&](bool strictly) {
      double a = 0.0, b = 1.0;
      for (int i = 0; i < 40; i++) {
        const double mid = 0.5 * (a + b);
        double shown = 0;
        displayNumber(displayOf(probe, index, mid), label, &shown);
        const bool beyond = rising ? (strictly ? shown > target : shown >= target)
                                   : (strictly ? shown < target : shown <= target);
        (beyond ? b : a) = mid;
      }
      return b;
    };
    // The middle of the values that show the target, away from either edge.
    *value = static_cast<float>(0.5 * (firstBeyond(false) + firstBeyond(true)));
    return true;
  }
  int first = -1, last = -1;
  std::vector<std::string> seen;
  for (int i = 0; i <= kDisplaySteps; i++) {
    const std::string shown = displayOf(probe, index, static_cast<double>(i) / kDisplaySteps);
    if (sameDisplay(shown, trim(text))) {
      if (first < 0) first = i;
      last = i;
    } else if (first >= 0) {
      break;
    }
    if (std::find(seen.begin(), seen.end(), shown) == seen.end() && seen.size() < 6) seen.push_back(shown);
  }
  if (first < 0) {
    std::string shows;
    for (const std::string& s : seen) shows += (shows.empty() ? "'" : ", '") + s + "'";
    *error =
        name + ": no value shows '" + trim(text) + "' (it shows " + (shows.empty() ? "nothing" : shows) + ")";
    return false;
  }
  *value = static_cast<float>(0.5 * (first + last) / kDisplaySteps);
  return true;
}

bool loadAutomation(const std::string& path, LoadedPlugin& plugin, const std::string& pluginPath,
                    const AutomationTimeline& timeline, std::vector<AutomationLane>* lanes,
                    std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = path + ": cannot open for reading";
    return false;
  }
  Json doc;
  try {
    doc = Json::parse(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  } catch (const Json::exception& e) {
    *error = path + ": not JSON (" + e.what() + ")";
    return false;
  }
  const Json* list = &doc;
  if (doc.is_object()) {
    if (!doc.contains("lanes")) {
      *error = path + ": expected {\"lanes\": [...]} (see zarnith-host automation-template)";
      return false;
    }
    list = &doc["lanes"];
  }
  if (!list->is_array()) {
    *error = path + ": \"lanes\" must be a list";
    return false;
  }
  std::unique_ptr<LoadedPlugin> probe;
  const double endSeconds = timeline.totalFrames / timeline.sampleRate;
  int laneNumber = 0;
  for (const Json& entry : *list) {
    laneNumber++;
    std::string where = path + ": lane " + std::to_string(laneNumber);
    auto fail = [&](const std::string& why) {
      *error = where + ": " + why;
      return false;
    };
    if (!entry.is_object()) return fail("must be an object with \"parameter\" and \"points\"");
    AutomationLane lane;
    std::string key;
    if (!entry.contains("parameter")) return fail("no \"parameter\"");
    const Json& parameter = entry["parameter"];
    if (parameter.is_number_integer()) {
      key = std::to_string(parameter.get<long long>());
    } else if (parameter.is_string()) {
      key = parameter.get<std::string>();
    } else {
      return fail("\"parameter\" must be a name or an index");
    }
    if (!findParameter(plugin, key, &lane.index))
      return fail("no parameter '" + key + "' (give an index 0 to " +
                  std::to_string(plugin.effect()->numParams - 1) +
                  " or a name that zarnith-host info lists)");
    where += " (" + key + ")";
    for (auto it = entry.begin(); it != entry.end(); ++it) {
      if (it.key() != "parameter" && it.key() != "interpolation" && it.key() != "points" &&
          it.key()[0] != '_')
        return fail("unknown key \"" + it.key() + "\"");
    }
    if (entry.contains("interpolation")) {
      const Json& how = entry["interpolation"];
      if (how != "linear" && how != "step") return fail("\"interpolation\" must be \"linear\" or \"step\"");
      lane.step = how == "step";
    }
    if (!entry.contains("points") || !entry["points"].is_array() || entry["points"].empty())
      return fail("\"points\" must be a list of at least one point");
    int pointNumber = 0;
    for (const Json& point : entry["points"]) {
      pointNumber++;
      const std::string at = "point " + std::to_string(pointNumber) + ": ";
      if (!point.is_object()) return fail(at + "must be an object");
      double seconds = 0;
      int units = 0;
      for (auto it = point.begin(); it != point.end(); ++it) {
        const std::string& unit = it.key();
        if (unit == "value" || unit[0] == '_') continue;
        if (unit != "seconds" && unit != "samples" && unit != "beats" && unit != "bars")
          return fail(at + "unknown key \"" + unit + "\"");
        if (!it.value().is_number()) return fail(at + "\"" + unit + "\" must be a number");
        const double t = it.value().get<double>();
        units++;
        if (unit == "seconds") {
          seconds = t;
        } else if (unit == "samples") {
          seconds = t / timeline.sampleRate;
        } else {
          const double ppq = unit == "beats" ? timeline.startPpq + t : timeline.map->barPosition(t);
          if (ppq < timeline.startPpq) return fail(at + "before the start of the render");
          seconds = timeline.map->secondsBetween(timeline.startPpq, ppq);
        }
        if (seconds < 0) return fail(at + "before the start of the render");
      }
      if (units != 1) return fail(at + "give its time as one of seconds, samples, beats or bars");
      const long long frame = std::llround(seconds * timeline.sampleRate);
      if (frame >= timeline.totalFrames)
        return fail(at + "after the end of the render (" + std::to_string(endSeconds) + " s)");
      if (!point.contains("value")) return fail(at + "no \"value\"");
      const Json& value = point["value"];
      float v = 0;
      if (value.is_number()) {
        const double d = value.get<double>();
        if (d < 0.0 || d > 1.0)
          return fail(at + "a number value must be from 0 to 1 (or give the display text)");
        v = static_cast<float>(d);
      } else if (value.is_string()) {
        if (!probe) {
          probe = LoadedPlugin::load(pluginPath, error);
          if (!probe) return false;
        }
        std::string why;
        if (!valueForDisplay(*probe, lane.index, value.get<std::string>(), &v, &why)) return fail(at + why);
      } else {
        return fail(at + "\"value\" must be a number 0 to 1 or a display text");
      }
      lane.points.push_back({frame, v});
    }
    std::stable_sort(lane.points.begin(), lane.points.end(),
                     [](const AutomationPoint& a, const AutomationPoint& b) { return a.frame < b.frame; });
    lanes->push_back(lane);
  }
  return true;
}

std::string automationTemplate(LoadedPlugin& plugin) {
  Json lanes = Json::array();
  AEffect* effect = plugin.effect();
  for (VstInt32 i = 0; i < effect->numParams; i++) {
    const std::string name = plugin.text(effGetParamName, i);
    if (name.empty()) continue;
    const float value = plugin.getParameter(i);
    Json lane = {{"parameter", name}, {"interpolation", "linear"}};
    Json points = Json::array({{{"seconds", 0}, {"value", shortestDecimal(value)}}});
    const std::string shown = trim(plugin.text(effGetParamDisplay, i));
    if (lanes.empty()) {
      // The first lane shows the other time units and a display text.
      points.push_back({{"beats", 4}, {"value", shown.empty() ? Json(1.0) : Json(shown)}});
      points.push_back({{"samples", 132300}, {"value", shortestDecimal(value)}});
    }
    lane["points"] = points;
    lanes.push_back(lane);
  }
  Json doc = {
      {"_comment",
       "zarnith-host render --automation FILE: one lane per parameter (name or index); each point has one "
       "time (seconds, samples, beats or bars) and a value 0..1 or the display text; interpolation "
       "linear or step; applied at block boundaries"},
      {"lanes", lanes}};
  return doc.dump(2) + "\n";
}
