// zarnith-host render: runs an audio file (or the built-in demo loop) through a
// plug-in offline, as a host would, with musical time, programs, parameter
// automation, MIDI notes and presets, and writes the result with libsndfile.
#include <cstdio>
#include <memory>
#include <string>

#include "audio_file.h"
#include "commands.h"
#include "plugin_loader.h"
#include "plugin_state.h"
#include "render_loop.h"
#include "render_plan.h"
#include "render_source.h"

namespace {

int fail(const Failure& f) {
  std::fprintf(stderr, "zarnith-host render: %s\n", f.message.c_str());
  return f.status;
}

}  // namespace

int runRender(int argc, char** argv) {
  RenderOptions o;
  Failure f;
  if (!parseRenderOptions(argc, argv, &o, &f)) {
    if (f.status == 0) return 0;
    return fail(f);
  }

  RenderSource source;
  if (!o.input.empty()) {
    if (!source.openFile(o.input, &f.message)) return fail(f);
  } else {
    source.openDemo(o.sampleRate, o.tempo, o.bars, o.numerator);
  }
  const double sampleRate = source.sampleRate();
  const long long totalFrames = source.frames() + static_cast<long long>(o.tail * sampleRate);

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

  RenderPlan plan;
  if (!planRender(*plugin, o, sampleRate, totalFrames, &plan, &f)) return fail(f);

  AudioWriter writer;
  if (!writer.open(o.output, o.bits, static_cast<int>(sampleRate), &f.message)) return fail(f);
  RenderStats stats;
  if (!runRenderLoop(*plugin, source, writer, o, plan, &stats, &f.message)) return fail(f);
  if (!o.savePreset.empty() && !savePreset(*plugin, o.savePreset, &f.message)) return fail(f);
  if (!writer.finish(&f.message)) return fail(f);

  if (o.report) {
    const long long done = stats.frames;
    const double nsPerFrame = done > 0 ? stats.processSeconds * 1e9 / done : 0.0;
    const double realTime = stats.processSeconds > 0.0 ? (done / sampleRate) / stats.processSeconds : 0.0;
    std::printf("rendered %lld frames (%.2f s at %.0f Hz) in %lld blocks\n", done, done / sampleRate,
                sampleRate, stats.blocks);
    std::printf("processing: %.1f ns per frame, %.0f x real time\n", nsPerFrame, realTime);
  }
  return 0;
}
