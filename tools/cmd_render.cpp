// zarnith-host render: runs audio files (or the built-in demo loop) through a
// plug-in offline, as a host would, with musical time, a moving transport,
// programs, parameter automation, MIDI notes, presets and banks, and writes
// the results with libsndfile. Several inputs or programs make a batch: each
// render gets a fresh instance, and a failure leaves the others to go on.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "audio_file.h"
#include "commands.h"
#include "plugin_loader.h"
#include "plugin_state.h"
#include "render_batch.h"
#include "render_loop.h"
#include "render_plan.h"
#include "render_source.h"

namespace fs = std::filesystem;

namespace {

int fail(const Failure& f) {
  std::fprintf(stderr, "zarnith-host render: %s\n", f.message.c_str());
  return f.status;
}

// A file of this process's own in the temporary folder, removed with the object.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& role) {
#ifdef _WIN32
    const long long id = 0;
#else
    const long long id = static_cast<long long>(getpid());
#endif
    path_ =
        (fs::temp_directory_path() / ("zarnith-host-" + role + "-" + std::to_string(id) + ".wav")).string();
  }
  ~ScratchFile() {
    std::error_code ec;
    fs::remove(path_, ec);
  }
  const std::string& path() const {
    return path_;
  }

 private:
  std::string path_;
};

bool copyStream(std::istream& in, std::ostream& out) {
  char buffer[1 << 16];
  while (in) {
    in.read(buffer, sizeof(buffer));
    if (in.gcount() > 0 && !out.write(buffer, in.gcount())) return false;
  }
  return in.eof() && out.flush();
}

struct JobResult {
  std::string output;
  double seconds = 0.0;  // of audio
  RenderStats stats;
};

// One render in a fresh instance of the plug-in.
bool renderJob(const RenderOptions& o, const RenderJob& job, bool severalPrograms,
               const std::string& stdinCopy, const std::string& stdoutCopy, std::set<std::string>* written,
               JobResult* result, Failure* f) {
  f->status = 1;
  if (!job.inputError.empty()) {
    f->message = job.inputError;
    return false;
  }
  RenderSource source;
  if (job.input == "-") {
    if (!source.openFile(stdinCopy, &f->message)) {
      f->message = "standard input: " + f->message.substr(f->message.find(": ") + 2);
      return false;
    }
  } else if (!job.input.empty()) {
    if (!source.openFile(job.input, &f->message)) return false;
  } else {
    source.openDemo(o.sampleRate, o.tempo, o.bars, o.numerator);
  }
  const double sampleRate = source.sampleRate();
  const long long totalFrames = source.frames() + static_cast<long long>(o.tail * sampleRate);

  const std::string pluginPath = o.plugin.empty() ? defaultPluginPath() : o.plugin;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(pluginPath, &f->message);
  if (!plugin) return false;
  AEffect* effect = plugin->effect();
  if (effect->numInputs < 1 || effect->numOutputs < 1 || !effect->processReplacing) {
    f->message = pluginPath + ": the plug-in has no replacing audio processing";
    return false;
  }
  plugin->dispatch(effOpen);
  plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  plugin->dispatch(effSetBlockSize, 0, o.blockSize);

  RenderOptions jobOptions = o;
  jobOptions.program = job.program;
  RenderPlan plan;
  if (!planRender(*plugin, pluginPath, jobOptions, sampleRate, totalFrames, &plan, f)) return false;

  std::string output = o.output == "-" ? stdoutCopy : o.output;
  if (!o.outDir.empty()) {
    const VstIntPtr program = plugin->dispatch(effGetProgram);
    char name[256] = {};
    plugin->dispatch(effGetProgramNameIndexed, static_cast<VstInt32>(program), 0, name);
    output = jobOutputPath(o, job, static_cast<int>(program), name, severalPrograms);
    if (!written->insert(output).second) {
      f->message = output + ": another render of this batch writes the same file (see --name)";
      return false;
    }
  }
  AudioWriter writer;
  if (!writer.open(output, o.bits, static_cast<int>(sampleRate), &f->message)) return false;
  if (!runRenderLoop(*plugin, source, writer, jobOptions, plan, &result->stats, &f->message)) return false;
  if (!o.savePreset.empty() && !savePreset(*plugin, o.savePreset, &f->message)) return false;
  if (!o.saveBank.empty() && !saveBank(*plugin, o.saveBank, &f->message)) return false;
  if (!writer.finish(&f->message)) return false;
  result->output = o.output == "-" ? "-" : output;
  result->seconds = result->stats.frames / sampleRate;
  return true;
}

}  // namespace

int runRender(int argc, char** argv) {
  RenderOptions o;
  Failure f;
  if (!parseRenderOptions(argc, argv, &o, &f)) {
    if (f.status == 0) return 0;
    return fail(f);
  }
  std::vector<std::string> programNames;
  if (o.program == "all") {
    const std::string pluginPath = o.plugin.empty() ? defaultPluginPath() : o.plugin;
    std::unique_ptr<LoadedPlugin> catalogue = LoadedPlugin::load(pluginPath, &f.message);
    if (!catalogue) return fail(f);
    for (VstInt32 i = 0; i < catalogue->effect()->numPrograms; i++) {
      char name[256] = {};
      catalogue->dispatch(effGetProgramNameIndexed, i, 0, name);
      programNames.push_back(name);
    }
  }
  std::vector<RenderJob> jobs;
  if (!planJobs(o, programNames, &jobs, &f)) return fail(f);

  // Standard input is kept in a file, so that its length is known and it can loop.
  ScratchFile stdinCopy("stdin"), stdoutCopy("stdout");
  for (const std::string& input : o.inputs) {
    if (input != "-") continue;
    std::ofstream copy(stdinCopy.path(), std::ios::binary | std::ios::trunc);
    if (!copy || !copyStream(std::cin, copy)) {
      f.message = "standard input: cannot keep a copy in " + stdinCopy.path();
      return fail(f);
    }
  }
  FILE* report = o.output == "-" ? stderr : stdout;
  const bool batch = jobs.size() > 1;
  int failed = 0;
  std::set<std::string> written;
  const auto start = std::chrono::steady_clock::now();
  double audioSeconds = 0.0;
  for (size_t i = 0; i < jobs.size(); i++) {
    JobResult result;
    RenderOptions jobOptions = o;
    if (batch) jobOptions.quiet = true;  // progress lines instead of a bar
    const bool ok = renderJob(jobOptions, jobs[i], programNames.size() > 1, stdinCopy.path(),
                              stdoutCopy.path(), &written, &result, &f);
    const std::string counter = "[" + std::to_string(i + 1) + "/" + std::to_string(jobs.size()) + "] ";
    if (!ok) {
      failed++;
      if (!batch) return fail(f);
      std::fprintf(stderr, "zarnith-host render: %s%s\n", counter.c_str(), f.message.c_str());
      continue;
    }
    audioSeconds += result.seconds;
    if (batch && !o.quiet) {
      const std::string input = jobs[i].input.empty() ? "built-in loop" : jobs[i].input;
      std::fprintf(stderr, "zarnith-host render: %s%s -> %s\n", counter.c_str(), input.c_str(),
                   result.output.c_str());
    }
    if (o.report) {
      const RenderStats& s = result.stats;
      const double nsPerFrame = s.frames > 0 ? s.processSeconds * 1e9 / s.frames : 0.0;
      const double realTime = s.processSeconds > 0.0 ? result.seconds / s.processSeconds : 0.0;
      std::fprintf(report, "rendered %lld frames (%.2f s at %.0f Hz) in %lld blocks\n", s.frames,
                   result.seconds, s.frames / std::max(result.seconds, 1e-9), s.blocks);
      std::fprintf(report, "processing: %.1f ns per frame, %.0f x real time\n", nsPerFrame, realTime);
    }
    if (o.output == "-") {
      std::ifstream in(stdoutCopy.path(), std::ios::binary);
      if (!in || !copyStream(in, std::cout)) {
        f.message = "standard output: write failed";
        return fail(f);
      }
    }
  }
  if (batch) {
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!o.quiet || failed > 0)
      std::fprintf(stderr,
                   "zarnith-host render: %zu of %zu renders done, %d failed (%.1f s of audio in %.1f s)\n",
                   jobs.size() - failed, jobs.size(), failed, audioSeconds, wall);
  }
  return failed > 0 ? 1 : 0;
}
