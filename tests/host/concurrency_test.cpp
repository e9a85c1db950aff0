// A host's threads on one effect at once: audio, automation and user interface.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

}  // namespace
