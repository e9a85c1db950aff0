// zarnith-host view: opens a plug-in's editor in a window of its own, as a host does: the
// window's handle to effEditOpen, effEditIdle at 30 Hz, and the built-in loop played through
// processReplacing on a second thread so that the editor's meters and readouts move.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "demo_loop.h"
#include "host_time.h"
#include "plugin_loader.h"
#include "view_window.h"

namespace {

const char* const kUsage =
    "usage: zarnith-host view [PLUGIN.so] [--screenshot FILE.png] [--after MS]\n"
    "  opens the plug-in's editor in a window and plays the built-in loop through the effect\n"
    "  --screenshot FILE.png  save the window as a PNG and close (after --after, default 500 ms)\n"
    "  --after MS             close after MS milliseconds (with --screenshot: take it then)\n";

const double kSampleRate = 44100.0;
const double kTempo = 120.0;
const int kBlockSize = 256;
const int kIdleHz = 30;

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "zarnith-host view: %s\n", message.c_str());
  return status;
}

bool parseMilliseconds(const std::string& text, long* out) {
  if (text.empty() || text.size() > 9) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *out = value;
  return true;
}

// The audio thread of a host: blocks of the demo loop at the pace of real time, with the host's
// musical position moving along.
class AudioThread {
 public:
  explicit AudioThread(LoadedPlugin* plugin) : plugin(plugin) {
    loop = makeDemoLoop(kSampleRate, kTempo, 2);
    frames = loop.size() / 2;
    in.assign(2 * kBlockSize, 0.f);
    out.assign(2 * kBlockSize, 0.f);
  }
  ~AudioThread() { stop(); }

  void start() {
    VstTimeInfo& time = plugin->timeInfo();
    time = LoadedPlugin::defaultTimeInfo();
    time.sampleRate = kSampleRate;
    time.tempo = kTempo;
    thread = std::thread([this] { run(); });
  }
  void stop() {
    running.store(false, std::memory_order_relaxed);
    if (thread.joinable()) thread.join();
  }
  long long blocks() const { return blockCount.load(std::memory_order_relaxed); }

 private:
  void run() {
    const auto blockTime = std::chrono::duration<double>(kBlockSize / kSampleRate);
    auto next = std::chrono::steady_clock::now();
    size_t position = 0;
    float* inputs[2] = {in.data(), in.data() + kBlockSize};
    float* outputs[2] = {out.data(), out.data() + kBlockSize};
    while (running.load(std::memory_order_relaxed)) {
      for (int i = 0; i < kBlockSize; ++i) {
        inputs[0][i] = loop[2 * position];
        inputs[1][i] = loop[2 * position + 1];
        if (++position == frames) position = 0;
      }
      // Only this thread reads the time info (through audioMasterGetTime) while it runs.
      VstTimeInfo& time = plugin->timeInfo();
      plugin->processReplacing(inputs, outputs, kBlockSize);
      zarnith::advanceHostTime(time, kBlockSize);
      blockCount.fetch_add(1, std::memory_order_relaxed);
      next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(blockTime);
      std::this_thread::sleep_until(next);
    }
  }

  LoadedPlugin* plugin;
  std::vector<float> loop, in, out;
  size_t frames = 0;
  std::thread thread;
  std::atomic<bool> running{true};
  std::atomic<long long> blockCount{0};
};

}  // namespace

int runView(int argc, char** argv) {
  std::string path, screenshot;
  long afterMs = -1;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--screenshot" || arg == "--after") {
      if (i + 1 >= argc) return fail(2, arg + " needs a value");
      const std::string value = argv[++i];
      if (arg == "--screenshot") {
        if (value.empty()) return fail(2, "--screenshot needs a file name");
        screenshot = value;
      } else if (!parseMilliseconds(value, &afterMs)) {
        return fail(2, "--after must be a whole number of milliseconds (got '" + value + "')");
      }
    } else if (!arg.empty() && arg[0] == '-') {
      return fail(2, "unknown option '" + arg + "' (try --help)");
    } else if (path.empty()) {
      path = arg;
    } else {
      return fail(2, "more than one plug-in given ('" + path + "', '" + arg + "')");
    }
  }
  if (path.empty()) path = defaultPluginPath();
  if (!screenshot.empty() && afterMs < 0) afterMs = 500;

  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(path, &error);
  if (!plugin) return fail(1, error);
  if (!(plugin->effect()->flags & effFlagsHasEditor)) return fail(1, path + ": the plug-in has no editor");

  plugin->dispatch(effOpen);
  plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
  plugin->dispatch(effSetBlockSize, 0, kBlockSize);
  plugin->dispatch(effMainsChanged, 0, 1);
  plugin->dispatch(effStartProcess);

  // The editor's size; some editors know it only once open, so it is asked again then.
  int width = 400, height = 300;
  auto readSize = [&] {
    ERect* rect = nullptr;
    if (plugin->dispatch(effEditGetRect, 0, 0, &rect) && rect) {
      const int w = rect->right - rect->left, h = rect->bottom - rect->top;
      if (w > 0 && h > 0 && w <= 8192 && h <= 8192) {
        width = w;
        height = h;
      }
    }
  };
  readSize();
  std::string name = plugin->text(effGetEffectName);
  if (name.empty()) name = path;
  std::unique_ptr<ViewWindow> window = createViewWindow(width, height, name + " - zarnith-host view", &error);
  if (!window) return fail(1, error);

  AudioThread audio(plugin.get());
  audio.start();
  int status = 0;
  if (!plugin->dispatch(effEditOpen, 0, 0, window->parentHandle())) {
    status = fail(1, path + ": the plug-in's editor did not open");
  } else {
    readSize();
    window->resize(width, height);
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    while (window->processEvents()) {
      plugin->dispatch(effEditIdle);
      plugin->clearRequests();  // a viewer keeps no log of the requests
      const auto now = std::chrono::steady_clock::now();
      if (afterMs >= 0 && now - start >= std::chrono::milliseconds(afterMs)) {
        if (!screenshot.empty() && !window->saveScreenshot(screenshot, &error)) status = fail(1, error);
        break;
      }
      next += std::chrono::milliseconds(1000 / kIdleHz);
      if (next < now) next = now;
      std::this_thread::sleep_until(next);
    }
    plugin->dispatch(effEditClose);
  }
  audio.stop();
  plugin->dispatch(effStopProcess);
  plugin->dispatch(effMainsChanged, 0, 0);
  plugin->close();
  window.reset();  // after the editor has gone from it
  return status;
}
