// A host's threads on one effect at once: audio, automation and user interface.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "plugin_test_support.h"

namespace {

TEST(Concurrency, AudioThreadAndUserInterfaceShareTheEffectWithoutLocks) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  std::atomic<bool> stop{false};

  std::thread audio([&] {
    float in[2][128] = {}, out[2][128] = {};
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out[0], out[1]};
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[2] = 64;
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&note);
    while (!stop.load()) {
      plugin->dispatch(effProcessEvents, 0, 0, &events);
      plugin->processReplacing(inputs, outputs, 128);
      // The scrambler lights the filter-type indicators from this thread.
      plugin->setParameter(35, 0.0f);
      plugin->setParameter(36, 1.0f);
    }
  });

  for (int round = 0; round < 200; round++) {
    for (VstInt32 i = 0; i < 43; i++) {
      if (i == 34) continue;
      plugin->setParameter(i, (round % 10) / 10.0f);
      plugin->getParameter(i);
    }
    plugin->getParameter(14);
    plugin->getParameter(18);
    plugin->dispatch(effSetProgram, 0, round % 32);
    void* data = nullptr;
    plugin->dispatch(effGetChunk, 0, 0, &data);
  }
  stop.store(true);
  audio.join();
  // The effect is still whole: a value set now reads back, a program applies.
  plugin->setParameter(0, 0.25f);
  EXPECT_EQ(plugin->getParameter(0), 0.25f);
  // The loop edited every program's values, but not the names.
  plugin->dispatch(effSetProgram, 0, 6);
  EXPECT_EQ(plugin->dispatch(effGetProgram), 6);
  EXPECT_EQ(plugin->text(effGetProgramName), "Pelto(V1.02)");
}

TEST(Concurrency, InstancesCreatedOnSeveralThreadsAtOnce) {
  // Hosts scan and create plug-ins on worker threads: each construction makes the editor's
  // toolkit objects and starts the graphics library, each effClose stops it again.
  const int kThreads = 4;
  const int kInstancesPerThread = 3;
  std::atomic<int> ready{0};
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      for (int i = 0; i < kInstancesPerThread; ++i) {
        std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
        if (!plugin || plugin->effect()->numParams != 43) failures.fetch_add(1);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  // The library still works for the next instance.
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  EXPECT_EQ(plugin->text(effGetProgramName), "Scr1(V1.02)");
}

}  // namespace
