// zarnith-host render: runs an audio file (or the built-in demo loop) through a
// plug-in offline, as a host would, with musical time, programs, parameter
// automation, MIDI notes and presets, and writes the result with libsndfile.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define ZARNITH_ISATTY _isatty
#define ZARNITH_FILENO _fileno
#else
#include <unistd.h>
#define ZARNITH_ISATTY isatty
#define ZARNITH_FILENO fileno
#endif

#include "audio_file.h"
#include "commands.h"
#include "demo_loop.h"
#include "fxp.h"
#include "plugin_loader.h"

namespace {

const char* const kUsage =
    "usage: zarnith-host render [INPUT] --out FILE [options]\n"
    "  INPUT                  audio file (WAV, AIFF, FLAC, OGG...); without it a built-in\n"
    "                         drum-and-bass loop is rendered\n"
    "  --out FILE             output file: .wav, .aiff, .flac or .ogg\n"
    "  --bits 16|24|32f       sample format (default 32f; 24 for FLAC)\n"
    "  --plugin PATH          plug-in library (default: the one built with this tool)\n"
    "  --tempo BPM            host tempo (default 120)\n"
    "  --time-sig N/D         time signature (default 4/4)\n"
    "  --start-ppq Q          song position of the first sample, in quarter notes (default 0)\n"
    "  --block-size N         frames per processing call (default 512)\n"
    "  --random-blocks        vary the block size between 1 and --block-size, as hosts do\n"
    "  --program N|NAME       factory program to start from\n"
    "  --set P=V[@SECONDS]    set parameter P (name or index) to V, at once or at a time;\n"
    "                         repeatable, applied after the program\n"
    "  --midi-note-at SECONDS send a MIDI note-on at that time (repeatable)\n"
    "  --tail SECONDS         render this much silence after the input (default 0)\n"
    "  --preset FILE          restore a .fxp preset before rendering\n"
    "  --save-preset FILE     store the plug-in's state as a .fxp preset afterwards\n"
    "  --sample-rate HZ       sample rate of the built-in loop (default 44100)\n"
    "  --bars N               length of the built-in loop in bars (default 4)\n"
    "  --report               print the processing speed\n"
    "  --quiet                no progress bar\n";

struct Change {
  VstInt32 index;
  float value;
  double seconds;  // negative: at once
  long long frame;
};

struct Options {
  std::string input, output, bits, plugin, program, preset, savePreset;
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
};

// A failure: its one-line message and the exit status (2 for usage errors).
struct Failure {
  std::string message;
  int status = 1;
};

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

bool parseOptions(int argc, char** argv, Options* o, Failure* f) {
  f->status = 2;
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
      std::fputs(kUsage, stdout);
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
      const size_t slash = v.find('/');
      int d = 0;
      if (slash == std::string::npos || !parseInt(v.substr(0, slash), 1, 64, &o->numerator) ||
          !parseInt(v.substr(slash + 1), 1, 64, &d) || (d & (d - 1)) != 0) {
        f->message = "--time-sig must be N/D with N 1..64 and D a power of two up to 64 (got '" + v + "')";
        return false;
      }
      o->denominator = d;
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
    } else if (o->input.empty()) {
      o->input = arg;
    } else {
      f->message = "more than one input file ('" + o->input + "', '" + arg + "')";
      return false;
    }
  }
  if (o->output.empty()) {
    f->message = "no output file: give --out FILE";
    return false;
  }
  if (!o->input.empty() && (o->sampleRateGiven || o->barsGiven)) {
    f->message = "--sample-rate and --bars apply only to the built-in loop (no input file)";
    return false;
  }
  f->status = 1;
  return true;
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// A parameter by its index or (case-insensitively) by its name.
bool findParameter(LoadedPlugin& plugin, const std::string& key, VstInt32* index) {
  const VstInt32 count = plugin.effect()->numParams;
  int number = 0;
  if (parseInt(key, 0, count - 1, &number)) {
    *index = number;
    return true;
  }
  for (VstInt32 i = 0; i < count; i++) {
    const std::string name = plugin.text(effGetParamName, i);
    if (!name.empty() && lower(name) == lower(key)) {
      *index = i;
      return true;
    }
  }
  return false;
}

bool findProgram(LoadedPlugin& plugin, const std::string& key, VstInt32* program) {
  const VstInt32 count = plugin.effect()->numPrograms;
  int number = 0;
  if (parseInt(key, 0, count - 1, &number)) {
    *program = number;
    return true;
  }
  for (VstInt32 i = 0; i < count; i++) {
    char name[256] = {};
    if (plugin.dispatch(effGetProgramNameIndexed, i, 0, name) && lower(name) == lower(key)) {
      *program = i;
      return true;
    }
  }
  return false;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open for reading";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > (16 << 20)) {
    *error = path + ": not a preset file (size)";
    return false;
  }
  in.seekg(0);
  bytes->resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes->data()), size)) {
    *error = path + ": read failed";
    return false;
  }
  return true;
}

bool restorePreset(LoadedPlugin& plugin, const std::string& path, Failure* f) {
  std::vector<unsigned char> bytes;
  if (!readWholeFile(path, &bytes, &f->message)) return false;
  FxpPreset preset;
  std::string why;
  if (!decodeFxp(bytes, &preset, &why)) {
    f->message = path + ": " + why;
    return false;
  }
  AEffect* effect = plugin.effect();
  if (preset.pluginId != effect->uniqueID) {
    f->message = path + ": preset made for plug-in '" + fourCharText(preset.pluginId) + "', not for '" +
                 fourCharText(effect->uniqueID) + "'";
    return false;
  }
  if (preset.isChunk) {
    if (!(effect->flags & effFlagsProgramChunks)) {
      f->message = path + ": a chunk preset, but the plug-in keeps no chunk state";
      return false;
    }
    // Restored as the effect's whole state (not as an unapplied program chunk).
    if (plugin.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(preset.chunk.size()), preset.chunk.data()) !=
        1) {
      f->message = path + ": the plug-in refused the preset's state";
      return false;
    }
  } else {
    const size_t count = std::min(preset.parameters.size(), static_cast<size_t>(effect->numParams));
    for (size_t i = 0; i < count; i++) plugin.setParameter(static_cast<VstInt32>(i), preset.parameters[i]);
  }
  return true;
}

bool savePreset(LoadedPlugin& plugin, const std::string& path, Failure* f) {
  AEffect* effect = plugin.effect();
  FxpPreset preset;
  preset.pluginId = effect->uniqueID;
  preset.pluginVersion = effect->version;
  preset.numParams = effect->numParams;
  preset.programName = plugin.text(effGetProgramName);
  if (effect->flags & effFlagsProgramChunks) {
    void* data = nullptr;
    const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) {
      f->message = path + ": the plug-in gave no state to save";
      return false;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    preset.chunk.assign(bytes, bytes + size);
  } else {
    preset.isChunk = false;
    for (VstInt32 i = 0; i < effect->numParams; i++) preset.parameters.push_back(plugin.getParameter(i));
  }
  const std::vector<unsigned char> bytes = encodeFxp(preset);
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out ||
        !out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
      std::remove(temporary.c_str());
      f->message = path + ": cannot write the preset";
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    f->message = path + ": cannot move the preset into place";
    return false;
  }
  return true;
}

class ProgressBar {
 public:
  ProgressBar(bool enabled) : enabled_(enabled), start_(std::chrono::steady_clock::now()) {}
  // Drawn only once the render has run longer than a second.
  void update(long long done, long long total) {
    if (!enabled_ || total <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    shown_ = true;
    const int width = 40;
    const int filled = static_cast<int>(width * done / total);
    std::fprintf(stderr, "\rrendering [%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), static_cast<int>(100 * done / total));
    std::fflush(stderr);
  }
  void finish() {
    if (shown_) std::fprintf(stderr, "\rrendering [%s] 100%%\n", std::string(40, '#').c_str());
  }

 private:
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_, last_;
};

int fail(const Failure& f) {
  std::fprintf(stderr, "zarnith-host render: %s\n", f.message.c_str());
  return f.status;
}

}  // namespace

int runRender(int argc, char** argv) {
  Options o;
  Failure f;
  if (!parseOptions(argc, argv, &o, &f)) {
    if (f.status == 0) return 0;
    return fail(f);
  }

  // The source: a file read block by block, or the built-in loop.
  AudioReader reader;
  std::vector<float> demo;
  int channels = 2;
  double sampleRate = o.sampleRate;
  long long sourceFrames = 0;
  if (!o.input.empty()) {
    if (!reader.open(o.input, &f.message)) return fail(f);
    channels = reader.channels();
    if (channels < 1 || channels > 2) {
      f.message = o.input + ": " + std::to_string(channels) + " channels; only mono and stereo are supported";
      return fail(f);
    }
    sampleRate = reader.sampleRate();
    sourceFrames = reader.frames();
  } else {
    demo = makeDemoLoop(sampleRate, o.tempo, o.bars, o.numerator);
    sourceFrames = static_cast<long long>(demo.size() / 2);
  }
  const long long tailFrames = static_cast<long long>(o.tail * sampleRate);
  const long long totalFrames = sourceFrames + tailFrames;

  std::string pluginPath = o.plugin.empty() ? defaultPluginPath() : o.plugin;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(pluginPath, &f.message);
  if (!plugin) return fail(f);
  AEffect* effect = plugin->effect();
  if (effect->numInputs < 1 || effect->numOutputs < 1 || !effect->processReplacing) {
    f.message = pluginPath + ": the plug-in has no replacing audio processing";
    return fail(f);
  }
  plugin->dispatch(effOpen);
  plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  plugin->dispatch(effSetBlockSize, 0, o.blockSize);

  // State: preset, then program, then the immediate parameter changes.
  if (!o.preset.empty() && !restorePreset(*plugin, o.preset, &f)) return fail(f);
  if (!o.program.empty()) {
    VstInt32 program = 0;
    if (!findProgram(*plugin, o.program, &program)) {
      f.message = "no program '" + o.program + "' (give 0 to " + std::to_string(effect->numPrograms - 1) +
                  " or a program name)";
      return fail(f);
    }
    plugin->dispatch(effSetProgram, 0, program);
  }
  std::vector<Change> changes;
  for (const auto& set : o.sets) {
    Change c{0, 0.0f, -1.0, 0};
    if (!findParameter(*plugin, set.first, &c.index)) {
      f.message = "no parameter '" + set.first + "' (give an index 0 to " +
                  std::to_string(effect->numParams - 1) + " or a name that zarnith-host info lists)";
      return fail(f);
    }
    std::string valueText = set.second;
    const size_t at = valueText.find('@');
    if (at != std::string::npos) {
      if (!parseNumber(valueText.substr(at + 1), &c.seconds) || c.seconds < 0.0) {
        f.message = "--set " + set.first + ": the time after '@' must be seconds, 0 or more";
        return fail(f);
      }
      valueText = valueText.substr(0, at);
    }
    double v = 0;
    if (!parseNumber(valueText, &v) || v < 0.0 || v > 1.0) {
      f.message = "--set " + set.first + ": the value must be a number from 0 to 1 (got '" + valueText + "')";
      return fail(f);
    }
    c.value = static_cast<float>(v);
    c.frame = c.seconds < 0.0 ? -1 : static_cast<long long>(c.seconds * sampleRate);
    if (c.frame >= totalFrames) {
      f.message = "--set " + set.first + "@" + std::to_string(c.seconds) + ": after the end of the render";
      return fail(f);
    }
    if (c.frame < 0) {
      plugin->setParameter(c.index, c.value);
    } else {
      changes.push_back(c);
    }
  }
  std::stable_sort(changes.begin(), changes.end(),
                   [](const Change& a, const Change& b) { return a.frame < b.frame; });
  std::vector<long long> notes;
  for (double s : o.notes) {
    const long long frame = static_cast<long long>(s * sampleRate);
    if (frame >= totalFrames) {
      f.message = "--midi-note-at " + std::to_string(s) + ": after the end of the render";
      return fail(f);
    }
    notes.push_back(frame);
  }
  std::sort(notes.begin(), notes.end());

  AudioWriter writer;
  if (!writer.open(o.output, o.bits, static_cast<int>(sampleRate), &f.message)) return fail(f);

  plugin->dispatch(effMainsChanged, 0, 1);
  plugin->dispatch(effStartProcess);

  VstTimeInfo& time = plugin->timeInfo();
  time = LoadedPlugin::defaultTimeInfo();
  time.sampleRate = sampleRate;
  time.tempo = o.tempo;
  time.timeSigNumerator = o.numerator;
  time.timeSigDenominator = o.denominator;
  const double quartersPerBar = o.numerator * 4.0 / o.denominator;

  const int maxBlock = o.blockSize;
  std::vector<float> in(2 * static_cast<size_t>(maxBlock)), out(2 * static_cast<size_t>(maxBlock));
  std::vector<float> fileBlock(static_cast<size_t>(channels) * maxBlock),
      interleaved(2 * static_cast<size_t>(maxBlock));
  std::mt19937 blockSizes(1);
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof(VstMidiEvent);
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&note);

  ProgressBar progress(!o.quiet && ZARNITH_ISATTY(ZARNITH_FILENO(stderr)));
  size_t nextChange = 0, nextNote = 0;
  double processSeconds = 0.0;
  long long done = 0;
  long long blocks = 0;
  while (done < totalFrames) {
    while (nextChange < changes.size() && changes[nextChange].frame <= done) {
      plugin->setParameter(changes[nextChange].index, changes[nextChange].value);
      nextChange++;
    }
    long long n = o.randomBlocks ? 1 + static_cast<long long>(blockSizes() % static_cast<unsigned>(maxBlock))
                                 : maxBlock;
    n = std::min(n, totalFrames - done);
    // Blocks end where a timed change or note falls, so each lands on its sample.
    if (nextChange < changes.size()) n = std::min(n, changes[nextChange].frame - done);
    if (nextNote < notes.size() && notes[nextNote] > done) n = std::min(n, notes[nextNote] - done);

    float* inL = in.data();
    float* inR = in.data() + maxBlock;
    long long got = 0;
    if (done < sourceFrames) {
      const long long want = std::min(n, sourceFrames - done);
      if (!demo.empty()) {
        for (long long i = 0; i < want; i++) {
          inL[i] = demo[2 * (done + i)];
          inR[i] = demo[2 * (done + i) + 1];
        }
        got = want;
      } else {
        got = reader.read(fileBlock.data(), want);
        for (long long i = 0; i < got; i++) {
          inL[i] = fileBlock[i * channels];
          inR[i] = fileBlock[i * channels + channels - 1];
        }
        if (got < want) sourceFrames = done + got;  // the file was shorter than it said
      }
    }
    for (long long i = got; i < n; i++) inL[i] = inR[i] = 0.0f;

    time.samplePos = static_cast<double>(done);
    time.ppqPos = o.startPpq + done / sampleRate * o.tempo / 60.0;
    time.barStartPos = std::floor(time.ppqPos / quartersPerBar) * quartersPerBar;
    if (nextNote < notes.size() && notes[nextNote] <= done) {
      int count = 0;
      while (nextNote < notes.size() && notes[nextNote] <= done) {
        nextNote++;
        count++;
      }
      for (int i = 0; i < count; i++) plugin->dispatch(effProcessEvents, 0, 0, &events);
    }
    float* inputs[2] = {inL, inR};
    float* outputs[2] = {out.data(), out.data() + maxBlock};
    const auto before = std::chrono::steady_clock::now();
    plugin->processReplacing(inputs, outputs, static_cast<VstInt32>(n));
    processSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    for (long long i = 0; i < n; i++) {
      interleaved[2 * i] = outputs[0][i];
      interleaved[2 * i + 1] = outputs[1][i];
    }
    if (!writer.write(interleaved.data(), n, &f.message)) return fail(f);
    done += n;
    if (++blocks % 1024 == 0) plugin->clearRequests();
    progress.update(done, totalFrames);
  }
  progress.finish();

  plugin->dispatch(effStopProcess);
  plugin->dispatch(effMainsChanged, 0, 0);
  if (!o.savePreset.empty() && !savePreset(*plugin, o.savePreset, &f)) return fail(f);
  if (!writer.finish(&f.message)) return fail(f);

  if (o.report) {
    const double nsPerFrame = done > 0 ? processSeconds * 1e9 / done : 0.0;
    const double realTime = processSeconds > 0.0 ? (done / sampleRate) / processSeconds : 0.0;
    std::printf("rendered %lld frames (%.2f s at %.0f Hz) in %lld blocks\n", done, done / sampleRate,
                sampleRate, blocks);
    std::printf("processing: %.1f ns per frame, %.0f x real time\n", nsPerFrame, realTime);
  }
  return 0;
}
