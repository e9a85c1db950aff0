// Writes the bundle's Turtle files from the effect itself: parameter names, the
// defaults (program 0) and the 32 factory programs are read through its 2.4
// record, so no value is written down twice. Run by the build:
//   zarnith-lv2-ttl BUNDLE_DIR
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/myvst.h"
#include "lv2_ports.h"

namespace zarnith {
namespace lv2 {
namespace {

VstIntPtr versionOnly(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

// The shortest decimal that reads back as the same float, always with a point,
// so every value is a Turtle decimal.
std::string number(float value) {
  char text[64];
  for (int digits = 6; digits <= 9; digits++) {
    std::snprintf(text, sizeof(text), "%.*g", digits, static_cast<double>(value));
    if (static_cast<float>(std::strtod(text, nullptr)) == value) break;
  }
  std::string s = text;
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// A Turtle string literal.
std::string quoted(const std::string& text) {
  std::string s = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') s += '\\';
    s += c;
  }
  return s + "\"";
}

std::string presetUri(int program) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02d", program);
  return std::string("<") + kPresetUriPrefix + text + ">";
}

struct Effect {
  AEffect* e;
  std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) {
    char buffer[256] = {0};
    e->dispatcher(e, opcode, index, value, buffer, 0.0f);
    buffer[sizeof(buffer) - 1] = 0;
    return buffer;
  }
};

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string plugin() {
  return std::string("<") + kPluginUri + ">";
}
std::string uiUri() {
  return std::string("<") + kUiUri + ">";
}

std::string manifest(Effect& fx) {
  std::string t = kPrefixes;
  t += plugin() + "\n  a lv2:Plugin ;\n  lv2:binary <" + kDspBinary +
       "> ;\n  rdfs:seeAlso <zarnith.ttl> .\n\n";
  t += uiUri() + "\n  a ui:X11UI ;\n  ui:binary <" + kUiBinary + "> ;\n  rdfs:seeAlso <zarnith.ttl> .\n";
  for (int p = 0; p < fx.e->numPrograms; p++) {
    t += "\n" + presetUri(p) + "\n  a pset:Preset ;\n  lv2:appliesTo " + plugin() + " ;\n  rdfs:label " +
         quoted(fx.text(effGetProgramNameIndexed, p)) + " ;\n  rdfs:seeAlso <presets.ttl> .\n";
  }
  return t;
}

std::string audioPort(uint32_t index, bool input, const char* symbol, const char* name) {
  char text[512];
  std::snprintf(text, sizeof(text),
                "  [\n    a lv2:AudioPort, lv2:%s ;\n    lv2:index %u ;\n    lv2:symbol \"%s\" ;\n"
                "    lv2:name \"%s\"\n  ]",
                input ? "InputPort" : "OutputPort", index, symbol, name);
  return text;
}

std::string controlPort(uint32_t index, bool input, const std::string& symbol, const std::string& name,
                        float value, ControlKind kind, const char* const* positions) {
  std::string t = std::string("  [\n    a lv2:ControlPort, lv2:") + (input ? "InputPort" : "OutputPort") +
                  " ;\n    lv2:index " + std::to_string(index) + " ;\n    lv2:symbol " + quoted(symbol) +
                  " ;\n    lv2:name " + quoted(name) + " ;\n    lv2:default " + number(value) +
                  " ;\n    lv2:minimum 0.0 ;\n    lv2:maximum 1.0";
  if (kind == ControlKind::kToggle) t += " ;\n    lv2:portProperty lv2:toggled";
  if (kind == ControlKind::kThreeWay) {
    t += " ;\n    lv2:portProperty lv2:enumeration ;\n    lv2:scalePoint";
    const char* values[3] = {"0.0", "0.5", "1.0"};
    for (int i = 0; i < 3; i++) {
      t += std::string(i ? " ,\n      " : " ") + "[ rdfs:label " + quoted(positions[i]) + " ; rdf:value " +
           values[i] + " ]";
    }
  }
  return t + "\n  ]";
}

std::string pluginDescription(Effect& fx) {
  char vendor[256] = {0};
  fx.e->dispatcher(fx.e, effGetVendorString, 0, 0, vendor, 0.0f);
  const VstIntPtr version = fx.e->dispatcher(fx.e, effGetVendorVersion, 0, 0, nullptr, 0.0f);
  std::string t = kPrefixes;
  t += plugin() + "\n  a lv2:Plugin, lv2:FilterPlugin, doap:Project ;\n  doap:name \"Zarnith\" ;\n";
  t += "  doap:maintainer [ foaf:name " + quoted(vendor) + " ] ;\n";
  // The vendor version 1000 reads 1.0.0: its hundreds are the minor number, the rest the micro.
  t += "  lv2:minorVersion " + std::to_string((version / 100) % 10) + " ;\n  lv2:microVersion " +
       std::to_string(version % 100) + " ;\n";
  t += "  lv2:requiredFeature urid:map ;\n  lv2:optionalFeature lv2:hardRTCapable, opts:options ;\n";
  t += "  opts:supportedOption bufsz:maxBlockLength ;\n  lv2:extensionData state:interface ;\n";
  t += "  ui:ui " + uiUri() + " ;\n  lv2:port\n";
  t += audioPort(kAudioInLeft, true, "in_left", "Left In") + " ,\n";
  t += audioPort(kAudioInRight, true, "in_right", "Right In") + " ,\n";
  t += audioPort(kAudioOutLeft, false, "out_left", "Left Out") + " ,\n";
  t += audioPort(kAudioOutRight, false, "out_right", "Right Out") + " ,\n";
  t += "  [\n    a lv2:InputPort, atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
       "    atom:supports time:Position, midi:MidiEvent ;\n    lv2:designation lv2:control ;\n"
       "    lv2:index " +
       std::to_string(kEventsIn) + " ;\n    lv2:symbol \"events\" ;\n    lv2:name \"Events\"\n  ]";
  // After construction the effect holds program 0: those are the defaults.
  for (int i = 0; i < kNumControlInputs; i++) {
    const ControlPort& c = kControlInputs[i];
    std::string name = fx.text(effGetParamName, c.parameter);
    if (c.parameter == kBypassParameter) name = "Bypass";
    t += " ,\n" + controlPort(controlInputPort(i), true, c.symbol, name,
                              fx.e->getParameter(fx.e, c.parameter), c.kind, c.positionNames);
  }
  for (int i = 0; i < kNumControlOutputs; i++) {
    t += " ,\n" + controlPort(controlOutputPort(i), false, kControlOutputs[i].symbol, kControlOutputs[i].name,
                              0.0f, i == 0 ? ControlKind::kContinuous : ControlKind::kToggle, nullptr);
  }
  t += " .\n\n";
  t += uiUri() +
       "\n  a ui:X11UI ;\n  lv2:requiredFeature ui:idleInterface ;\n"
       "  lv2:optionalFeature ui:parent, ui:touch, ui:resize, ui:noUserResize ;\n"
       "  lv2:extensionData ui:idleInterface";
  for (int i = 0; i < kNumControlOutputs; i++) {
    t += std::string(i ? " ,\n" : " ;\n  ui:portNotification\n") + "    [ ui:plugin " + plugin() +
         " ; lv2:symbol " + quoted(kControlOutputs[i].symbol) + " ; ui:protocol ui:floatProtocol ]";
  }
  return t + " .\n";
}

std::string presets(Effect& fx) {
  std::string t = kPrefixes;
  for (int p = 0; p < fx.e->numPrograms; p++) {
    fx.e->dispatcher(fx.e, effSetProgram, 0, p, nullptr, 0.0f);
    t += presetUri(p) + "\n  a pset:Preset ;\n  lv2:appliesTo " + plugin() + " ;\n  rdfs:label " +
         quoted(fx.text(effGetProgramNameIndexed, p)) + " ;\n  lv2:port";
    for (int i = 0; i < kNumControlInputs; i++) {
      const ControlPort& c = kControlInputs[i];
      t += std::string(i ? " ,\n    " : "\n    ") + "[ lv2:symbol " + quoted(c.symbol) + " ; pset:value " +
           number(fx.e->getParameter(fx.e, c.parameter)) + " ]";
    }
    t += " .\n\n";
  }
  return t;
}

bool write(const std::string& dir, const char* file, const std::string& text) {
  const std::string path = dir + "/" + file;
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "zarnith-lv2-ttl: %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace
}  // namespace lv2
}  // namespace zarnith

int main(int argc, char** argv) {
  using namespace zarnith::lv2;
  if (argc != 2) {
    std::fprintf(stderr, "usage: zarnith-lv2-ttl BUNDLE_DIR\n");
    return 2;
  }
  MyVst* effect = new MyVst(&versionOnly);
  Effect fx{effect->getAeffect()};
  // Descriptions first: they read program 0, which the preset pass then leaves.
  const std::string description = pluginDescription(fx);
  const std::string manifestText = manifest(fx);
  const std::string presetText = presets(fx);
  fx.e->dispatcher(fx.e, effClose, 0, 0, nullptr, 0.0f);
  const bool ok = write(argv[1], "manifest.ttl", manifestText) &&
                  write(argv[1], "zarnith.ttl", description) && write(argv[1], "presets.ttl", presetText);
  return ok ? 0 : 1;
}
