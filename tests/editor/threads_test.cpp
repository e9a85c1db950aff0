// The editor while the audio thread runs: the scrambler's random filter types reach
// the editor from that thread, while the user-interface thread idles, changes
// parameters and opens and closes the window. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "editor_test_support.h"
#include "engine/parameter_ids.h"
#include "tools/host_time.h"

namespace {

constexpr int kBlock = 512;

void processBlocks(MyVst* fx, int blocks, std::atomic<bool>* done) {
  std::vector<float> inL(kBlock, 0.25f), inR(kBlock, -0.25f), outL(kBlock), outR(kBlock);
  float* in[2] = {inL.data(), inR.data()};
  float* out[2] = {outL.data(), outR.data()};
  VstTimeInfo* time = testTimeInfo();
  for (int b = 0; b < blocks; ++b) {
    fx->processReplacing(in, out, kBlock);
    zarnith::advanceHostTime(*time, kBlock);
  }
  done->store(true);
}

int litLamps(MyVstGUI* gui) {
  int lit = 0;
  for (int position : {26, 27, 28}) lit += gui->getControl(position)->getValue() == 1.0f ? 1 : 0;
  return lit;
}

TEST(EditorThreads, RandomFilterTypesFromTheAudioThreadReachTheLampsAtIdle) {
  TestHost host;
  MyVst* fx = host.effect();
  MyVstGUI* gui = host.editor();
  fx->setSampleRate(44100.0f);
  fx->setParameter(zarnith::kParamRandBeatFType, 1.0f);  // a random filter type 64 times a bar
  ASSERT_TRUE(gui->open(nullptr));

  std::atomic<bool> done(false);
  std::thread audio(processBlocks, fx, 600, &done);
  int cycles = 0;
  while (!done.load()) {
    gui->idle();
    fx->setParameter(zarnith::kParamFreq, (cycles % 100) / 100.0f);
    if (++cycles % 50 == 0) {
      // Reopening while the audio thread keeps sending lamp states.
      gui->close();
      ASSERT_TRUE(gui->open(nullptr));
    }
    std::this_thread::yield();
  }
  audio.join();

  // A few more blocks on this thread, so the last lamp sequence is whole.
  std::atomic<bool> ignored(false);
  processBlocks(fx, 8, &ignored);
  gui->idle();
  EXPECT_EQ(litLamps(gui), 1);  // the last random choice, exactly one lamp
  // The lamp shows the filter type the effect now reports.
  const int type =
      static_cast<int>(fx->getParameter(zarnith::kParamFilterType) * 3.0 + 0.5);  // 0, 1/3 or 2/3
  EXPECT_EQ(gui->getControl(26 + type)->getValue(), 1.0f);
  gui->close();
}

}  // namespace
