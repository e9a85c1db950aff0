// The effect's parameters as CLAP parameters: ids are the effect's indices, every
// value is the effect's own 0..1, and the texts follow the thresholds the effect
// reads each value by.
#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/formatters.h"
#include "engine/parameter_ids.h"
#include "formats/clap/clap_plugin.h"
#include "host/audioeffect.h"

namespace zarnith {

namespace {

const uint32_t kAuto = CLAP_PARAM_IS_AUTOMATABLE;
const uint32_t kSwitch = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED;
const uint32_t kReadout = CLAP_PARAM_IS_READONLY;
const uint32_t kHiddenReadout = CLAP_PARAM_IS_READONLY | CLAP_PARAM_IS_HIDDEN;

bool copyText(char* text, uint32_t capacity, const char* value) {
  if (!text || capacity == 0) return false;
  std::snprintf(text, capacity, "%s", value);
  return true;
}

// A name among a switch's positions, case-insensitive; gives the position's index.
int matchName(const char* text, const char* const* names, int count) {
  for (int i = 0; i < count; i++)
    if (strcasecmp(text, names[i]) == 0) return i;
  return -1;
}

// The whole text is a number, optionally followed by the given unit.
bool parseNumber(const char* text, const char* unit, double* value) {
  char* end = nullptr;
  const double number = std::strtod(text, &end);
  if (end == text || !std::isfinite(number)) return false;
  while (*end == ' ') end++;
  if (*end && !(unit && strcasecmp(end, unit) == 0)) return false;
  *value = number;
  return true;
}

const char* const kFilterNames[] = {"Low Pass", "Band Pass", "High Pass"};
const char* const kModNames[] = {"Manual", "LFO", "Envelope"};
const char* const kLfoNames[] = {"Sine", "Saw", "Square"};
const char* const kMultNames[] = {"x 1", "x 10", "x 100"};
const char* const kOnOffNames[] = {"Off", "On"};
// A value inside each position of a three-way switch, away from its thresholds.
const double kThreeWayValues[] = {0.0, 0.5, 1.0};

// Position of a three-way switch read as the effect reads it.
int threeWay(ClapParameter::Text kind, double v) {
  switch (kind) {
    case ClapParameter::kFilterType:
      return v <= 0.33 ? 0 : v <= 0.66 ? 1 : 2;
    case ClapParameter::kModType:
      return v <= 0.2 ? 0 : v <= 0.8 ? 1 : 2;
    default:  // LFO type and rate multiplier
      return v < 0.2 ? 0 : v < 0.8 ? 1 : 2;
  }
}

const char* const* threeWayNames(ClapParameter::Text kind) {
  switch (kind) {
    case ClapParameter::kFilterType:
      return kFilterNames;
    case ClapParameter::kModType:
      return kModNames;
    case ClapParameter::kLfoType:
      return kLfoNames;
    default:
      return kMultNames;
  }
}

// 1, 2, 4 ... 64 as the effect derives them: two to the power trunc(value x 6).
int divisions(double value) {
  const double exponent = static_cast<double>(static_cast<float>(value)) * 6.0;
  const int e = exponent >= 0.0 ? (exponent < 6.0 ? static_cast<int>(exponent) : 6) : 0;
  return 1 << e;
}

}  // namespace

const ClapParameter kClapParameters[] = {
    {kParamFreq, nullptr, kAuto, ClapParameter::kHertz},
    {kParamQ, nullptr, kAuto, ClapParameter::kFactor},
    {kParamSens, nullptr, kAuto, ClapParameter::kPlain},
    {kParamBitCrusher, nullptr, kAuto, ClapParameter::kPlain},
    {kParamModType, nullptr, kAuto, ClapParameter::kModType},
    {kParamFilterType, nullptr, kAuto, ClapParameter::kFilterType},
    {kParamSyncOn, nullptr, kSwitch, ClapParameter::kOnOff},
    {kParamLfoRateMult, nullptr, kAuto, ClapParameter::kRateMult},
    {kParamBeat, nullptr, kAuto, ClapParameter::kDivisions},
    {kParamEnvReverse, nullptr, kSwitch, ClapParameter::kOnOff},
    {kParamLfoDepth, nullptr, kAuto, ClapParameter::kPlain},
    {kParamLfoRate, nullptr, kAuto, ClapParameter::kLfoRate},
    {kParamEnvDepth, nullptr, kAuto, ClapParameter::kPlain},
    {kParamScramblerDry, nullptr, kSwitch, ClapParameter::kOnOff},
    {kParamScramblerWet, nullptr, kSwitch, ClapParameter::kOnOff},
    {kParamDryWetMix, nullptr, kAuto, ClapParameter::kPlain},
    {kParamVolume, nullptr, kAuto, ClapParameter::kVolume},
    {kParamLfoType, nullptr, kAuto, ClapParameter::kLfoType},
    {kParamLfoOffset, nullptr, kAuto, ClapParameter::kPlain},
    {kParamSilenceInstr, nullptr, kAuto, ClapParameter::kPlain},
    {kParamScramblerOffset, nullptr, kAuto, ClapParameter::kOffset},
    {kParamScramblerReverse, nullptr, kSwitch, ClapParameter::kOnOff},
    {kParamRandBeatFType, nullptr, kAuto, ClapParameter::kRandomDivisions},
    {kParamBypass, "Bypass", kSwitch | CLAP_PARAM_IS_BYPASS, ClapParameter::kOnOff},
    {kParamCutoffReadout, "Cutoff", kReadout, ClapParameter::kHertz},
    {kParamNoteActivity, "Note Activity", kReadout, ClapParameter::kPlain},
    {kParamLampLowPass, "Low Pass Lamp", kHiddenReadout, ClapParameter::kOnOff},
    {kParamLampBandPass, "Band Pass Lamp", kHiddenReadout, ClapParameter::kOnOff},
    {kParamLampHighPass, "High Pass Lamp", kHiddenReadout, ClapParameter::kOnOff},
};
const uint32_t kClapParameterCount = sizeof(kClapParameters) / sizeof(kClapParameters[0]);

const ClapParameter* findClapParameter(clap_id id) {
  for (const ClapParameter& parameter : kClapParameters)
    if (static_cast<clap_id>(parameter.index) == id) return &parameter;
  return nullptr;
}

ClapTextContext clapTextContext(float syncOn, float rateMultiplier) {
  // As the editor's rate readout shows it.
  const float factor = rateMultiplier < 0.33 ? 1.001f : rateMultiplier <= 0.66 ? 10.0f : 100.0f;
  return {syncOn == 1.0f, factor};
}

bool clapValueText(const ClapParameter& parameter, double value, const ClapTextContext& context, char* text,
                   uint32_t capacity) {
  if (!text || capacity == 0 || !std::isfinite(value)) return false;
  const float v = static_cast<float>(value);
  char buffer[kReadoutTextSize];
  switch (parameter.text) {
    case ClapParameter::kHertz:
      formatFrequency(static_cast<float>(static_cast<double>(v) * 20000.0), buffer);
      return copyText(text, capacity, buffer);
    case ClapParameter::kFactor:
      AudioEffect::float2string(v, buffer, kVstMaxParamStrLen);
      return copyText(text, capacity, buffer);
    case ClapParameter::kFilterType:
    case ClapParameter::kModType:
    case ClapParameter::kLfoType:
    case ClapParameter::kRateMult:
      return copyText(text, capacity, threeWayNames(parameter.text)[threeWay(parameter.text, v)]);
    case ClapParameter::kOnOff:
      if (v == 0.0f || v == 1.0f) return copyText(text, capacity, kOnOffNames[v == 1.0f]);
      break;
    case ClapParameter::kDivisions:
      std::snprintf(buffer, sizeof(buffer), "%d", divisions(v));
      return copyText(text, capacity, buffer);
    case ClapParameter::kRandomDivisions:
      if (divisions(v) == 1) return copyText(text, capacity, "Off");
      std::snprintf(buffer, sizeof(buffer), "%d", divisions(v));
      return copyText(text, capacity, buffer);
    case ClapParameter::kOffset: {
      const double steps = static_cast<double>(v) * 32.0;
      formatScrambleOffset(
          static_cast<float>(steps >= 0.0 ? (steps <= 32.0 ? std::trunc(steps) : 32.0) : 0.0), buffer);
      return copyText(text, capacity, buffer);
    }
    case ClapParameter::kLfoRate:
      if (context.synced)
        formatLfoRateText(static_cast<float>(truncToUint16(static_cast<double>(v) * 16) / 16.0), true,
                          buffer);
      else
        formatLfoRateText(v * context.rateMultiplier, false, buffer);
      return copyText(text, capacity, buffer);
    case ClapParameter::kVolume:
      // Volume 0.5 is unity gain.
      if (v <= 0.0f) return copyText(text, capacity, "-inf dB");
      std::snprintf(buffer, sizeof(buffer), "%.1f dB", 20.0 * std::log10(2.0 * v));
      return copyText(text, capacity, buffer);
    case ClapParameter::kPlain:
      break;
  }
  std::snprintf(buffer, sizeof(buffer), "%.3f", static_cast<double>(v));
  return copyText(text, capacity, buffer);
}

bool clapTextValue(const ClapParameter& parameter, const char* text, double* value) {
  if (!text || !value || (parameter.flags & CLAP_PARAM_IS_READONLY)) return false;
  while (*text == ' ') text++;
  double number = 0.0;
  switch (parameter.text) {
    case ClapParameter::kHertz:
      if (!parseNumber(text, "Hz", &number)) return false;
      *value = number / 20000.0;
      break;
    case ClapParameter::kFilterType:
    case ClapParameter::kModType:
    case ClapParameter::kLfoType:
    case ClapParameter::kRateMult: {
      const int position = matchName(text, threeWayNames(parameter.text), 3);
      if (position >= 0) {
        *value = kThreeWayValues[position];
        return true;
      }
      if (!parseNumber(text, nullptr, value)) return false;
      break;
    }
    case ClapParameter::kOnOff: {
      const int position = matchName(text, kOnOffNames, 2);
      if (position >= 0) {
        *value = position;
        return true;
      }
      if (!parseNumber(text, nullptr, value)) return false;
      break;
    }
    case ClapParameter::kDivisions:
    case ClapParameter::kRandomDivisions: {
      if (parameter.text == ClapParameter::kRandomDivisions && strcasecmp(text, "Off") == 0) {
        *value = 0.0;
        return true;
      }
      if (!parseNumber(text, nullptr, &number)) return false;
      for (int e = 0; e <= 6; e++) {
        if (number == (1 << e)) {
          // Inside the step, clear of the truncation at its lower edge; 64 only at 1.
          *value = e == 6 ? 1.0 : (e + 0.5) / 6.0;
          return true;
        }
      }
      return false;
    }
    case ClapParameter::kOffset: {
      // "0", "+n/16" or "-n/16": step 16 + n of 32.
      int sixteenths = 0;
      if (std::strcmp(text, "0") != 0) {
        char sign = 0;
        char tail = 0;
        if (std::sscanf(text, "%c%d/16%c", &sign, &sixteenths, &tail) != 2 || (sign != '+' && sign != '-') ||
            sixteenths < 0 || sixteenths > 16)
          return false;
        if (sign == '-') sixteenths = -sixteenths;
      }
      *value = (16 + sixteenths) / 32.0;
      return true;
    }
    case ClapParameter::kLfoRate:
      return false;  // its text is a step name or a rate, neither of which maps back simply
    case ClapParameter::kVolume:
      if (strcasecmp(text, "-inf dB") == 0 || strcasecmp(text, "-inf") == 0) {
        *value = 0.0;
        return true;
      }
      if (!parseNumber(text, "dB", &number)) return false;
      *value = std::pow(10.0, number / 20.0) / 2.0;
      break;
    case ClapParameter::kFactor:
    case ClapParameter::kPlain:
      if (!parseNumber(text, nullptr, value)) return false;
      break;
  }
  // Texts give values on the parameter's own scale only.
  if (!(*value >= 0.0)) *value = 0.0;
  if (*value > 1.0) *value = 1.0;
  return true;
}

bool ClapPlugin::paramInfo(uint32_t index, clap_param_info_t* info) {
  if (!initialised_ || !info || index >= kClapParameterCount || !isMainThread()) return false;
  const ClapParameter& parameter = kClapParameters[index];
  std::memset(info, 0, sizeof(*info));
  info->id = static_cast<clap_id>(parameter.index);
  info->flags = parameter.flags;
  char name[256] = {0};
  if (parameter.name)
    std::snprintf(name, sizeof(name), "%s", parameter.name);
  else
    effect_->dispatcher(effect_, effGetParamName, parameter.index, 0, name, 0.0f);
  name[sizeof(name) - 1] = 0;
  std::snprintf(info->name, sizeof(info->name), "%s", name);
  info->min_value = 0.0;
  info->max_value = 1.0;
  // Factory program 0, which every new instance starts with; the bypass starts off.
  info->default_value = index < kMaxParameters ? defaults_[index] : 0.0;
  return true;
}

bool ClapPlugin::paramValue(clap_id id, double* value) {
  const ClapParameter* parameter = findClapParameter(id);
  if (!initialised_ || !parameter || !value || !isMainThread()) return false;
  *value = effect_->getParameter(effect_, parameter->index);
  return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* text, uint32_t capacity) {
  const ClapParameter* parameter = findClapParameter(id);
  if (!initialised_ || !parameter || !isMainThread()) return false;
  const ClapTextContext context = clapTextContext(effect_->getParameter(effect_, kParamSyncOn),
                                                  effect_->getParameter(effect_, kParamLfoRateMult));
  return clapValueText(*parameter, value, context, text, capacity);
}

bool ClapPlugin::textToValue(clap_id id, const char* text, double* value) {
  const ClapParameter* parameter = findClapParameter(id);
  if (!initialised_ || !parameter || !isMainThread()) return false;
  return clapTextValue(*parameter, text, value);
}

}  // namespace zarnith
