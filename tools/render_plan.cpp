#include "render_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "plugin_loader.h"
#include "plugin_state.h"
#include "render_timeline.h"
#include "state_file.h"

const char* const kRenderUsage =
    "usage: zarnith-host render [INPUT...] (--out FILE | --out-dir DIR) [options]\n"
    "  INPUT                  audio files (WAV, AIFF, FLAC, OGG...), folders of them, or - for a WAV\n"
    "                         on standard input; without any, a built-in drum-and-bass loop\n"
    "  --out FILE             output file: .wav, .aiff, .flac or .ogg; - writes a WAV to standard output\n"
    "  --out-dir DIR          output folder for several renders\n"
    "  --name TEMPLATE        output names in --out-dir (default '{stem}.wav', with several programs\n"
    "                         '{stem}-{program}.wav'); fields {stem}, {program}, {n} (program number)\n"
    "  --bits 16|24|32f       sample format (default 32f; 24 for FLAC)\n"
    "  --plugin PATH          plug-in library (default: the one built with this tool)\n"
    "  --tempo BPM            host tempo (default 120)\n"
    "  --time-sig N/D         time signature (default 4/4)\n"
    "  --tempo-at BEAT:BPM[:ramp]  tempo from that position on, as a step or ramping linearly from\n"
    "                         the previous point (repeatable; BEAT in quarter notes or Nbars)\n"
    "  --time-sig-at BAR:N/D  time signature from that bar on (bars counted from 0; repeatable)\n"
    "  --tempo-map FILE       tempo points and time signatures, one a line: 'BEAT BPM [ramp]', 'sig BAR "
    "N/D'\n"
    "  --start-ppq Q          song position of the first sample, in quarter notes (default 0)\n"
    "  --loop START:END       loop the song position between two positions (quarter notes or Nbars)\n"
    "  --loop-input           the input loops with the song position (default: it plays straight on)\n"
    "  --jump AT:TO           relocate the song position once, when it reaches AT (repeatable)\n"
    "  --stop AT:FOR          stop the transport at AT for FOR (beats, Nbars or Ns seconds; repeatable)\n"
    "  --block-size N         frames per processing call (default 512)\n"
    "  --random-blocks        vary the block size between 1 and --block-size, as hosts do\n"
    "  --program N|NAME|all   factory program to start from; all renders every program\n"
    "  --set P=V[@SECONDS]    set parameter P (name or index) to V, at once or at a time;\n"
    "                         repeatable, applied after the program\n"
    "  --automation FILE      keyframes per parameter from a JSON file (zarnith-host automation-template\n"
    "                         prints a starter), applied at block boundaries\n"
    "  --midi-note-at SECONDS send a MIDI note-on at that time (repeatable)\n"
    "  --tail SECONDS         render this much silence after the input (default 0)\n"
    "  --bank FILE            restore a .fxb bank (every program and the current one) first\n"
    "  --preset FILE          restore a .fxp preset (or a state from zarnith-host state) first\n"
    "  --save-preset FILE     store the plug-in's state as a .fxp preset afterwards\n"
    "  --save-bank FILE       store every program as a .fxb bank afterwards\n"
    "  --trace FILE           write the host's time record and parameter changes per block (CSV)\n"
    "  --sample-rate HZ       sample rate of the built-in loop (default 44100)\n"
    "  --bars N               length of the built-in loop in bars (default 4)\n"
    "  --report               print the processing speed\n"
    "  --quiet                no progress bar or progress lines\n";

bool parseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != 0 || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool parseInt(const std::string& text, long long low, long long high, int* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != 0 || v < low || v > high) return false;
  *value = static_cast<int>(v);
  return true;
}

namespace {

// The options whose value is kept as it is given.
std::string* textOption(RenderOptions* o, const std::string& arg) {
  static const std::pair<const char*, std::string RenderOptions::*> kTextOptions[] = {
      {"--out-dir", &RenderOptions::outDir},
      {"--name", &RenderOptions::nameTemplate},
      {"--automation", &RenderOptions::automation},
      {"--trace", &RenderOptions::trace},
      {"--bank", &RenderOptions::bank},
      {"--save-bank", &RenderOptions::saveBank}};
  for (const auto& option : kTextOptions)
    if (arg == option.first) return &(o->*option.second);
  return nullptr;
}

}  // namespace

bool parseRenderOptions(int argc, char** argv, RenderOptions* o, Failure* f) {
  f->status = 2;
  std::vector<std::pair<std::string, std::string>> timeline;  // option, value: read once all are known
  for (int i = 0; i < argc; i++) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    const size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasValue = true;
    }
    auto next = [&](std::string* out) {
      if (hasValue) {
        *out = value;
        return true;
      }
      if (i + 1 >= argc) {
        f->message = arg + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kRenderUsage, stdout);
      f->status = 0;
      return false;
    } else if (arg == "--out" || arg == "-o") {
      if (!next(&o->output)) return false;
    } else if (arg == "--bits") {
      if (!next(&o->bits)) return false;
      if (o->bits != "16" && o->bits != "24" && o->bits != "32f") {
        f->message = "--bits must be 16, 24 or 32f (got '" + o->bits + "')";
        return false;
      }
    } else if (arg == "--plugin") {
      if (!next(&o->plugin)) return false;
    } else if (arg == "--tempo") {
      if (!next(&v)) return false;
      if (!parseNumber(v, &o->tempo) || o->tempo <= 0.0 || o->tempo > 10000.0) {
        f->message = "--tempo must be a number of beats per minute above 0 (got '" + v + "')";
        return false;
      }
    } else if (arg == "--time-sig") {
      if (!next(&v)) return false;
      if (!parseTimeSignature(v, &o->numerator, &o->denominator)) {
        f->message = "--time-sig must be N/D with N 1..64 and D a power of two up to 64 (got '" + v + "')";
        return false;
      }
    } else if (arg == "--tempo-at" || arg == "--time-sig-at" || arg == "--jump" || arg == "--stop" ||
               arg == "--tempo-map" || arg == "--loop") {
      if (!next(&v)) return false;
      timeline.emplace_back(arg, v);
    } else if (std::string* text = textOption(o, arg)) {
      if (!next(text)) return false;
    } else if (arg == "--loop-input") {
      o->loopInput = true;
    } else if (arg == "--start-ppq") {
      if (!next(&v)) return false;
      if (!parseNumber(v, &o->startPpq) || std::fabs(o->startPpq) > 1e9) {
        f->message = "--start-ppq must be a position in quarter notes (got '" + v + "')";
        return false;
      }
    } else if (arg == "--block-size") {
      if (!next(&v)) return false;
      if (!parseInt(v, 1, 65536, &o->blockSize)) {
        f->message = "--block-size must be 1 to 65536 frames (got '" + v + "')";
        return false;
      }
    } else if (arg == "--random-blocks") {
      o->randomBlocks = true;
    } else if (arg == "--program") {
      if (!next(&o->program)) return false;
    } else if (arg == "--set") {
      if (!next(&v)) return false;
      const size_t at = v.find('=');
      if (at == std::string::npos || at == 0) {
        f->message = "--set takes NAME=VALUE or NAME=VALUE@SECONDS (got '" + v + "')";
        return false;
      }
      o->sets.emplace_back(v.substr(0, at), v.substr(at + 1));
    } else if (arg == "--midi-note-at") {
      if (!next(&v)) return false;
      double s = 0;
      if (!parseNumber(v, &s) || s < 0.0) {
        f->message = "--midi-note-at must be a time in seconds, 0 or more (got '" + v + "')";
        return false;
      }
      o->notes.push_back(s);
    } else if (arg == "--tail") {
      if (!next(&v)) return false;
      if (!parseNumber(v, &o->tail) || o->tail < 0.0 || o->tail > 3600.0) {
        f->message = "--tail must be 0 to 3600 seconds (got '" + v + "')";
        return false;
      }
    } else if (arg == "--preset") {
      if (!next(&o->preset)) return false;
    } else if (arg == "--save-preset") {
      if (!next(&o->savePreset)) return false;
    } else if (arg == "--sample-rate") {
      if (!next(&v)) return false;
      int rate = 0;
      if (!parseInt(v, 8000, 768000, &rate)) {
        f->message = "--sample-rate must be 8000 to 768000 Hz (got '" + v + "')";
        return false;
      }
      o->sampleRate = rate;
      o->sampleRateGiven = true;
    } else if (arg == "--bars") {
      if (!next(&v)) return false;
      if (!parseInt(v, 1, 256, &o->bars)) {
        f->message = "--bars must be 1 to 256 (got '" + v + "')";
        return false;
      }
      o->barsGiven = true;
    } else if (arg == "--report") {
      o->report = true;
    } else if (arg == "--quiet" || arg == "-q") {
      o->quiet = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      f->message = "unknown option '" + arg + "' (try --help)";
      return false;
    } else {
      o->inputs.push_back(arg);
    }
  }
  if (o->output.empty() && o->outDir.empty()) {
    f->message = "no output file: give --out FILE (or --out-dir DIR)";
    return false;
  }
  if (!o->output.empty() && !o->outDir.empty()) {
    f->message = "give either --out FILE or --out-dir DIR, not both";
    return false;
  }
  if (!o->nameTemplate.empty() && o->outDir.empty()) {
    f->message = "--name applies to --out-dir";
    return false;
  }
  if (!o->inputs.empty() && (o->sampleRateGiven || o->barsGiven)) {
    f->message = "--sample-rate and --bars apply only to the built-in loop (no input file)";
    return false;
  }
  if (!buildTimeline(timeline, o, &f->message)) return false;
  f->status = 1;
  return true;
}

bool planRender(LoadedPlugin& plugin, const std::string& pluginPath, const RenderOptions& o,
                double sampleRate, long long totalFrames, RenderPlan* plan, Failure* f) {
  AEffect* effect = plugin.effect();
  plan->totalFrames = totalFrames;
  if (!checkTransport(o, sampleRate, totalFrames, &f->message)) return false;
  // State: bank, preset, then program, then the immediate parameter changes.
  if (!o.bank.empty() && !restoreBank(plugin, o.bank, &f->message)) return false;
  if (!o.preset.empty() && !applyStateFile(plugin, o.preset, &f->message)) return false;
  if (!o.program.empty()) {
    VstInt32 program = 0;
    if (!findProgram(plugin, o.program, &program)) {
      f->message = "no program '" + o.program + "' (give 0 to " + std::to_string(effect->numPrograms - 1) +
                   " or a program name)";
      return false;
    }
    plugin.dispatch(effSetProgram, 0, program);
  }
  for (const auto& set : o.sets) {
    ParameterChange c{0, 0.0f, -1};
    if (!findParameter(plugin, set.first, &c.index)) {
      f->message = "no parameter '" + set.first + "' (give an index 0 to " +
                   std::to_string(effect->numParams - 1) + " or a name that zarnith-host info lists)";
      return false;
    }
    std::string valueText = set.second;
    double seconds = -1.0;
    const size_t at = valueText.find('@');
    if (at != std::string::npos) {
      if (!parseNumber(valueText.substr(at + 1), &seconds) || seconds < 0.0) {
        f->message = "--set " + set.first + ": the time after '@' must be seconds, 0 or more";
        return false;
      }
      valueText = valueText.substr(0, at);
    }
    double v = 0;
    if (!parseNumber(valueText, &v) || v < 0.0 || v > 1.0) {
      f->message =
          "--set " + set.first + ": the value must be a number from 0 to 1 (got '" + valueText + "')";
      return false;
    }
    c.value = static_cast<float>(v);
    c.frame = seconds < 0.0 ? -1 : static_cast<long long>(seconds * sampleRate);
    if (c.frame >= totalFrames) {
      f->message = "--set " + set.first + "@" + std::to_string(seconds) + ": after the end of the render";
      return false;
    }
    if (c.frame < 0) {
      plugin.setParameter(c.index, c.value);
    } else {
      plan->changes.push_back(c);
    }
  }
  std::stable_sort(plan->changes.begin(), plan->changes.end(),
                   [](const ParameterChange& a, const ParameterChange& b) { return a.frame < b.frame; });
  for (double s : o.notes) {
    const long long frame = static_cast<long long>(s * sampleRate);
    if (frame >= totalFrames) {
      f->message = "--midi-note-at " + std::to_string(s) + ": after the end of the render";
      return false;
    }
    plan->notes.push_back(frame);
  }
  std::sort(plan->notes.begin(), plan->notes.end());
  if (!o.automation.empty()) {
    const AutomationTimeline timeline{&o.tempoMap, o.startPpq, sampleRate, totalFrames};
    if (!loadAutomation(o.automation, plugin, pluginPath, timeline, &plan->automation, &f->message))
      return false;
  }
  return true;
}
