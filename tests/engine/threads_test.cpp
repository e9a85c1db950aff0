// A host's threads on one effect: the audio thread processes (and lights the
// filter-type indicators) while another thread sets every parameter, switches
// and randomises programs and moves the saved state. Built for ThreadSanitizer,
// which reports any access that is not data-race-free.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "chain_fixture.h"

TEST(Threads, ProcessingWhileParametersAndProgramsChange) {
  TestHost host;
  MyVst& fx = *host.effect;
  // Random filter types: the indicators are set from the audio thread.
  fx.setParameter(zarnith::kParamRandBeatFType, 1.0f);
  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  bool finite = true;

  std::thread audio([&] {
    std::vector<float> left, right;
    makeTestSignal(left, right, 256, 2000);
    while (!stop.load()) {
      std::vector<float> l = left, r = right;
      float* channels[2] = {l.data(), r.data()};
      fx.processReplacing(channels, channels, 256);
      for (float x : l) finite = finite && std::isfinite(x);
      host.advance(256);
      blocks++;
    }
  });

  for (int round = 0; round < 60 || blocks.load() < 200; round++) {
    for (VstInt32 i = 0; i < 43; i++) {
      if (i == 34 || i == 42) continue;
      fx.setParameter(i, ((round + i) % 11) / 10.0f);
      fx.getParameter(i);
    }
    fx.getParameter(zarnith::kParamCutoffReadout);  // the moving cutoff
    fx.setProgram(round % 32);
    if (round % 5 == 0) fx.setParameter(zarnith::kParamRandomise, 1.0f);  // randomise
    void* data = nullptr;
    const VstInt32 size = fx.getChunk(&data, false);
    std::vector<unsigned char> saved(static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + size);
    fx.setChunk(saved.data(), size, false);
    if (round > 100000) break;
  }
  stop.store(true);
  audio.join();
  EXPECT_GT(blocks.load(), 0);
  EXPECT_TRUE(finite);
}

// Host automation writes the current program's slots while the user-interface
// thread switches, randomises, saves and restores programs: the bank itself is
// shared, slot by slot.
TEST(Threads, AutomationWhileTheBankChanges) {
  TestHost host;
  MyVst& fx = *host.effect;
  std::atomic<bool> stop{false};
  std::atomic<long> automated{0};

  std::thread automation([&] {
    for (int round = 0; !stop.load(); round++) {
      fx.setParameter(zarnith::kParamFreq, (round % 10) / 10.0f);
      fx.setParameter(zarnith::kParamScramblerOffset, (round % 7) / 7.0f);
      fx.setParameter(zarnith::kParamLfoRateMult, 0.5f);  // reads the program's Sync slot
      automated++;
    }
  });

  for (int round = 0; round < 200 || automated.load() < 200; round++) {
    fx.setProgram(round % 32);
    if (round % 3 == 0) fx.setParameter(zarnith::kParamRandomise, 1.0f);
    void* data = nullptr;
    const VstInt32 size = fx.getChunk(&data, false);
    std::vector<unsigned char> saved(static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + size);
    EXPECT_EQ(fx.setChunk(saved.data(), size, false), 1);
    if (round > 100000) break;
  }
  stop.store(true);
  automation.join();
  EXPECT_GT(automated.load(), 0);
}
