#include "render_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
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

}  // namespace

bool runRenderLoop(LoadedPlugin& plugin, RenderSource& source, AudioWriter& writer, const RenderOptions& o,
                   const RenderPlan& plan, RenderStats* stats, std::string* error) {
  const double sampleRate = source.sampleRate();
  const long long totalFrames = plan.totalFrames;
  plugin.dispatch(effMainsChanged, 0, 1);
  plugin.dispatch(effStartProcess);

  VstTimeInfo& time = plugin.timeInfo();
  time = LoadedPlugin::defaultTimeInfo();
  time.sampleRate = sampleRate;
  time.tempo = o.tempo;
  time.timeSigNumerator = o.numerator;
  time.timeSigDenominator = o.denominator;
  const double quartersPerBar = o.numerator * 4.0 / o.denominator;

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
    const long long got = source.read(inL, inR, n);
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
    if (++stats->blocks % 1024 == 0) plugin.clearRequests();
    progress.update(done, totalFrames);
  }
  progress.finish();
  stats->frames = done;

  plugin.dispatch(effStopProcess);
  plugin.dispatch(effMainsChanged, 0, 0);
  return true;
}
