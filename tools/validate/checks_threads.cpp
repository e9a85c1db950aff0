// The processing call as a real-time thread needs it (nothing allocated, locked or slept on), and
// instances created and run on several threads at once, each sounding as it does alone.
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "realtime_probe.h"
#include "session.h"
#include "validate.h"

namespace validate {
namespace {

const float kRate = 44100.0f;
const int kBlock = 512;

struct NoteEvents {
  VstMidiEvent notes[2];
  VstEvents list;
  NoteEvents() {
    std::memset(notes, 0, sizeof(notes));
    std::memset(&list, 0, sizeof(list));
    for (int i = 0; i < 2; ++i) {
      notes[i].type = kVstMidiType;
      notes[i].byteSize = sizeof(VstMidiEvent);
      notes[i].deltaFrames = i * 100;
      notes[i].midiData[0] = static_cast<char>(i == 0 ? 0x90 : 0x80);
      notes[i].midiData[1] = 64;
      notes[i].midiData[2] = 90;
    }
    list.numEvents = 2;
    list.events[0] = reinterpret_cast<VstEvent*>(&notes[0]);
    list.events[1] = reinterpret_cast<VstEvent*>(&notes[1]);
  }
};

std::string describe(const RealtimeCounts& counts) {
  char text[160];
  std::snprintf(text, sizeof(text), "%llu allocations, %llu frees, %llu locks, %llu sleeps",
                static_cast<unsigned long long>(counts.allocations),
                static_cast<unsigned long long>(counts.frees), static_cast<unsigned long long>(counts.locks),
                static_cast<unsigned long long>(counts.sleeps));
  return text;
}

void add(RealtimeCounts& total, const RealtimeCounts& more) {
  total.allocations += more.allocations;
  total.frees += more.frees;
  total.locks += more.locks;
  total.sleeps += more.sleeps;
}

// One instance's output for a program and a seed, made on the calling thread.
std::vector<float> render(LoadedPlugin& plugin, int program, uint32_t seed, int blocks) {
  plugin.setTimeInfo(playingTime(kRate));
  startPlugin(plugin, kRate, kBlock);
  if (plugin.effect()->numPrograms > 1)
    plugin.dispatch(effSetProgram, 0, program % plugin.effect()->numPrograms);
  Random random(seed);
  AudioBlock block(plugin.effect()->numInputs, plugin.effect()->numOutputs, kBlock);
  std::vector<float> out;
  out.reserve(static_cast<size_t>(blocks) * kBlock * block.outputCount());
  for (int i = 0; i < blocks; ++i) {
    processBlock(plugin, block, Signal::kNoise, kBlock, random);
    for (int c = 0; c < block.outputCount(); ++c)
      out.insert(out.end(), block.output(c), block.output(c) + kBlock);
  }
  stopPlugin(plugin);
  return out;
}

}  // namespace

void checkRealtime(CheckContext& context) {
  if (!realtimeProbeAvailable()) {
    context.skip("this build of the validator cannot watch the allocator (sanitizer build)");
    return;
  }
  context.step("create and start");
  const int maxBlock = 4096;
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, maxBlock);
  if (!plugin) return;
  Random random(context.seed());
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, maxBlock);
  NoteEvents events;
  const int programs = std::max(1, plugin->effect()->numPrograms);
  const int tested = std::min(programs, context.scaled(programs));
  const int blocks = context.scaled(40, 8);
  RealtimeCounts total, automation;
  int faultyPrograms = 0;
  for (int p = 0; p < tested; ++p) {
    context.step("program %d: processing watched", p);
    if (programs > 1) plugin->dispatch(effSetProgram, 0, p);
    RealtimeCounts program;
    for (int i = 0; i < blocks; ++i) {
      const int frames = (i % 5 == 0) ? random.range(1, maxBlock) : kBlock;
      block.fill(Signal::kNoise, frames, random);
      beginRealtimeWatch();
      plugin->dispatch(effProcessEvents, 0, 0, &events.list);
      plugin->processReplacing(block.inputs(), block.outputs(), frames);
      add(program, endRealtimeWatch());
      advanceTime(plugin->timeInfo(), frames);
      // Automation arrives on the audio thread between blocks, as hosts play it back.
      const VstInt32 count = plugin->effect()->numParams;
      if (count > 0) {
        beginRealtimeWatch();
        plugin->setParameter(random.range(0, count - 1), random.unit());
        add(automation, endRealtimeWatch());
      }
    }
    if (program.any()) {
      ++faultyPrograms;
      context.fail("program %d: %s in %d processing calls", p, describe(program).c_str(), blocks);
    }
    add(total, program);
  }
  stopPlugin(*plugin);
  context.note("%d programs, %d blocks each (with MIDI and automation): %s in processing", tested, blocks,
               describe(total).c_str());
  if (automation.any()) context.note("setParameter on the audio thread: %s", describe(automation).c_str());
}

void checkInstanceThreads(CheckContext& context) {
  const int instances = context.scaled(8, 2);
  const int blocks = context.scaled(200, 40);
  context.step("%d instances alone, one after the other", instances);
  std::vector<std::vector<float>> solo(static_cast<size_t>(instances));
  for (int i = 0; i < instances; ++i) {
    // Each on a fresh thread: plug-ins that draw random numbers per thread start alike.
    std::thread thread([&, i] {
      std::unique_ptr<LoadedPlugin> plugin = context.load();
      if (plugin) solo[static_cast<size_t>(i)] = render(*plugin, i, context.seed() + i, blocks);
    });
    thread.join();
    if (context.failed()) return;
  }
  context.step("%d instances created and run on %d threads at once", instances, instances);
  std::vector<std::vector<float>> together(static_cast<size_t>(instances));
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < instances; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (ready.load() < instances) std::this_thread::yield();
      std::unique_ptr<LoadedPlugin> plugin = context.load();
      if (plugin) together[static_cast<size_t>(i)] = render(*plugin, i, context.seed() + i, blocks);
    });
  }
  for (std::thread& thread : threads) thread.join();
  if (context.failed()) return;
  for (int i = 0; i < instances; ++i) {
    const std::vector<float>& a = solo[static_cast<size_t>(i)];
    const std::vector<float>& b = together[static_cast<size_t>(i)];
    if (a.size() != b.size() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) != 0) {
      size_t first = 0;
      while (first < a.size() && first < b.size() && std::memcmp(&a[first], &b[first], sizeof(float)) == 0)
        ++first;
      context.fail(
          "instance %d (program %d) run beside the others differs from its solo run from sample %zu on", i, i,
          first);
    }
  }
  context.note("%d instances on %d threads, each bit-identical to its solo run over %d blocks", instances,
               instances, blocks);
}

}  // namespace validate
