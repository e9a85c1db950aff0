#include "render_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
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
#include "automation.h"
#include "host_transport.h"
#include "plugin_loader.h"
#include "render_plan.h"
#include "render_source.h"

namespace {

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

// What the plug-in was told, block by block, as CSV for a person or a script.
class Trace {
 public:
  ~Trace() {
    if (file_) {
      std::fclose(file_);
      std::remove(temporary_.c_str());
    }
  }
  bool open(const std::string& path, std::string* error) {
    path_ = path;
    temporary_ = path + ".part";
    file_ = std::fopen(temporary_.c_str(), "w");
    if (!file_) {
      *error = path + ": cannot create the trace file";
      return false;
    }
    std::fprintf(file_,
                 "kind,frame,frames,samplePos,ppqPos,tempo,barStartPos,timeSigNumerator,timeSigDenominator,"
                 "playing\n");
    return true;
  }
  void block(long long frame, long long frames, const VstTimeInfo& t) {
    if (!file_) return;
    std::fprintf(file_, "block,%lld,%lld,%.17g,%.17g,%.17g,%.17g,%d,%d,%d\n", frame, frames, t.samplePos,
                 t.ppqPos, t.tempo, t.barStartPos, t.timeSigNumerator, t.timeSigDenominator,
                 (t.flags & kVstTransportPlaying) ? 1 : 0);
  }
  // A parameter change: its index in the frames column, its value in samplePos.
  void set(long long frame, VstInt32 index, float value) {
    if (file_) std::fprintf(file_, "set,%lld,%d,%.9g\n", frame, index, value);
  }
  bool finish(std::string* error) {
    if (!file_) return true;
    const bool written = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
      std::remove(temporary_.c_str());
      *error = path_ + ": cannot write the trace file";
      return false;
    }
    return true;
  }

 private:
  std::FILE* file_ = nullptr;
  std::string path_, temporary_;
};

}  // namespace

bool runRenderLoop(LoadedPlugin& plugin, RenderSource& source, AudioWriter& writer, const RenderOptions& o,
                   const RenderPlan& plan, RenderStats* stats, std::string* error) {
  const double sampleRate = source.sampleRate();
  const long long totalFrames = plan.totalFrames;
  plugin.dispatch(effMainsChanged, 0, 1);
  plugin.dispatch(effStartProcess);

  VstTimeInfo& time = plugin.timeInfo();
  time = LoadedPlugin::defaultTimeInfo();
  HostTransport transport(o.tempoMap, o.transport, sampleRate);
  const std::vector<AutomationLane>& lanes = plan.automation;
  std::vector<float> sent(lanes.size(), std::numeric_limits<float>::quiet_NaN());
  Trace trace;
  if (!o.trace.empty() && !trace.open(o.trace, error)) return false;

  const int maxBlock = o.blockSize;
  std::vector<float> in(2 * static_cast<size_t>(maxBlock)), out(2 * static_cast<size_t>(maxBlock));
  std::vector<float> interleaved(2 * static_cast<size_t>(maxBlock));
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

  const std::vector<ParameterChange>& changes = plan.changes;
  const std::vector<long long>& notes = plan.notes;
  ProgressBar progress(!o.quiet && ZARNITH_ISATTY(ZARNITH_FILENO(stderr)));
  size_t nextChange = 0, nextNote = 0;
  long long done = 0;
  while (done < totalFrames) {
    while (nextChange < changes.size() && changes[nextChange].frame <= done) {
      plugin.setParameter(changes[nextChange].index, changes[nextChange].value);
      trace.set(done, changes[nextChange].index, changes[nextChange].value);
      nextChange++;
    }
    for (size_t i = 0; i < lanes.size(); i++) {
      const float value = automationValueAt(lanes[i], done);
      if (!(value == sent[i])) {
        plugin.setParameter(lanes[i].index, value);
        sent[i] = value;
        trace.set(done, lanes[i].index, value);
      }
    }
    long long n = o.randomBlocks ? 1 + static_cast<long long>(blockSizes() % static_cast<unsigned>(maxBlock))
                                 : maxBlock;
    n = std::min(n, totalFrames - done);
    // Blocks end where a timed change or note falls, so each lands on its sample.
    if (nextChange < changes.size()) n = std::min(n, changes[nextChange].frame - done);
    if (nextNote < notes.size() && notes[nextNote] > done) n = std::min(n, notes[nextNote] - done);
    // and where the transport loops, jumps, stops or starts again.
    n = std::min(n, transport.framesToNextEvent());

    float* inL = in.data();
    float* inR = in.data() + maxBlock;
    const long long got = source.read(inL, inR, n);
    for (long long i = got; i < n; i++) inL[i] = inR[i] = 0.0f;

    transport.fill(&time);
    trace.block(done, n, time);
    if (nextNote < notes.size() && notes[nextNote] <= done) {
      int count = 0;
      while (nextNote < notes.size() && notes[nextNote] <= done) {
        nextNote++;
        count++;
      }
      for (int i = 0; i < count; i++) plugin.dispatch(effProcessEvents, 0, 0, &events);
    }
    float* inputs[2] = {inL, inR};
    float* outputs[2] = {out.data(), out.data() + maxBlock};
    const auto before = std::chrono::steady_clock::now();
    plugin.processReplacing(inputs, outputs, static_cast<VstInt32>(n));
    stats->processSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    for (long long i = 0; i < n; i++) {
      interleaved[2 * i] = outputs[0][i];
      interleaved[2 * i + 1] = outputs[1][i];
    }
    if (!writer.write(interleaved.data(), n, error)) return false;
    done += n;
    const int loops = transport.loopsDone();
    transport.advance(n);
    if (o.loopInput && transport.loopsDone() != loops && !source.seek(transport.loopStartFrame(), error))
      return false;
    if (++stats->blocks % 1024 == 0) plugin.clearRequests();
    progress.update(done, totalFrames);
  }
  progress.finish();
  stats->frames = done;
  if (!trace.finish(error)) return false;

  plugin.dispatch(effStopProcess);
  plugin.dispatch(effMainsChanged, 0, 0);
  return true;
}
