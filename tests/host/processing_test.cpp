// Processing as a host sees it through the loaded library: the time request of
// each block, the bypass, unity routing, the reported cutoff and filter type,
// hosts without usable time, and extreme input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "plugin_test_support.h"
#include "tools/host_time.h"

namespace {

struct Stereo {
  std::vector<float> l, r;
  Stereo(int frames, float left, float right) : l(frames, left), r(frames, right) {}
  float* p[2];
  float** ptrs() {
    p[0] = l.data();
    p[1] = r.data();
    return p;
  }
};

Stereo signal(int frames) {
  Stereo s(frames, 0.0f, 0.0f);
  for (int i = 0; i < frames; i++) {
    s.l[i] = 0.6f * std::sin(i * 0.031f) * ((i / 2205) % 2 ? 1.0f : 0.3f);
    s.r[i] = 0.5f * std::sin(i * 0.017f + 1.0f);
  }
  return s;
}

}  // namespace

TEST(Processing, EachBlockAsksForTheTimeOnceWithEveryField) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->clearRequests();
  Stereo in = signal(256), out(256, 0.0f, 0.0f);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 256);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 0);
  const std::vector<HostRequest> times = requestsWithOpcode(*plugin, audioMasterGetTime);
  ASSERT_EQ(times.size(), 2u);
  EXPECT_EQ(times[0].value, 0xFFFF);
  EXPECT_EQ(times[1].value, 0xFFFF);
}

TEST(Processing, ZeroFramesAndBypassWriteNothing) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  Stereo in = signal(512), out(512, 9.0f, -9.0f);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 0);
  EXPECT_EQ(out.l, std::vector<float>(512, 9.0f));
  plugin->setParameter(42, 1.0f);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 512);
  EXPECT_EQ(out.l, std::vector<float>(512, 9.0f));
  EXPECT_EQ(out.r, std::vector<float>(512, -9.0f));
  EXPECT_EQ(in.l, signal(512).l);  // not even the crushed input is written back
  plugin->setParameter(42, 0.0f);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 512);
  EXPECT_NE(out.l, std::vector<float>(512, 9.0f));
}

TEST(Processing, UnityRoutingPassesTheInputUnchanged) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->setParameter(23, 0.0f);  // Scrambler Dry
  plugin->setParameter(24, 0.0f);  // Scrambler Wet
  plugin->setParameter(25, 1.0f);  // Dry/Wet Mix: all dry
  plugin->setParameter(26, 0.5f);  // Volume: unity
  const Stereo original = signal(4096);
  Stereo in = original, out(4096, 0.0f, 0.0f);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 4096);
  EXPECT_EQ(out.l, original.l);
  EXPECT_EQ(out.r, original.r);
  // Volume 1.0 is +6 dB: exactly twice the input.
  plugin->setParameter(26, 1.0f);
  Stereo again = original;
  plugin->processReplacing(again.ptrs(), out.ptrs(), 4096);
  for (int i = 0; i < 4096; i += 13) ASSERT_EQ(out.l[i], 2.0f * original.l[i]) << i;
}

TEST(Processing, TheCutoffReadoutFollowsFreqAndTheModulation) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->setParameter(2, 0.0f);  // Sens 0: the cutoff jumps to its target
  plugin->setParameter(5, 0.0f);  // no modulation
  plugin->setParameter(0, 0.3f);
  Stereo in = signal(64), out(64, 0.0f, 0.0f);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 64);
  EXPECT_EQ(plugin->getParameter(18), 0.3f);
  // Envelope, not reversed, depth 1: silence lowers the target by 0.5 -> 0.
  plugin->setParameter(5, 1.0f);
  Stereo quiet(64, 0.0f, 0.0f);
  plugin->processReplacing(quiet.ptrs(), out.ptrs(), 64);
  EXPECT_EQ(plugin->getParameter(18), 0.0f);
  // A full-scale left input raises it by 0.5: 0.3 + 0.5.
  Stereo loud(64, 1.0f, 0.0f);
  plugin->processReplacing(loud.ptrs(), out.ptrs(), 64);
  EXPECT_EQ(plugin->getParameter(18), static_cast<float>(0.3f + 0.5));
}

TEST(Processing, RandomFilterTypesShowInTheFilterTypeParameter) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->setParameter(33, 1.0f);  // 64 periods a bar
  Stereo in = signal(88200), out(88200, 0.0f, 0.0f);
  bool seen[3] = {false, false, false};
  for (int block = 0; block < 88200 / 1378; block++) {
    float* i2[2] = {in.l.data() + block * 1378, in.r.data() + block * 1378};
    float* o2[2] = {out.l.data() + block * 1378, out.r.data() + block * 1378};
    plugin->processReplacing(i2, o2, 1378);
    zarnith::advanceHostTime(plugin->timeInfo(), 1378);
    const float type = plugin->getParameter(6);
    if (type == 0.0f) seen[0] = true;
    if (type == static_cast<float>(1 / 3.0)) seen[1] = true;
    if (type == static_cast<float>(2 / 3.0)) seen[2] = true;
  }
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
}

TEST(Processing, HostsWithoutUsableTimeAndExtremeInputStaySafe) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->setParameter(9, 1.0f);
  plugin->setParameter(33, 1.0f);
  plugin->setProvidesTime(false);
  Stereo in = signal(2048), out(2048, 0.0f, 0.0f);
  plugin->processReplacing(in.ptrs(), out.ptrs(), 2048);
  for (float x : out.l) ASSERT_TRUE(std::isfinite(x));
  plugin->setProvidesTime(true);
  VstTimeInfo& t = plugin->timeInfo();
  for (double tempo : {0.0, -1.0, 1e-300, 5.0, std::numeric_limits<double>::infinity()}) {
    t.tempo = tempo;
    Stereo more = signal(2048);
    plugin->processReplacing(more.ptrs(), out.ptrs(), 2048);
    for (float x : out.l) ASSERT_TRUE(std::isfinite(x)) << tempo;
  }
  t = LoadedPlugin::defaultTimeInfo();
  t.timeSigNumerator = 0;
  Stereo bad(2048, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity());
  plugin->processReplacing(bad.ptrs(), out.ptrs(), 2048);
  t = LoadedPlugin::defaultTimeInfo();
  plugin->setParameter(23, 0.0f);
  plugin->setParameter(24, 0.0f);
  plugin->setParameter(25, 0.0f);
  Stereo after = signal(4096);
  Stereo result(4096, 0.0f, 0.0f);
  plugin->processReplacing(after.ptrs(), result.ptrs(), 4096);
  float peak = 0.0f;
  for (int i = 256; i < 4096; i++) {
    ASSERT_TRUE(std::isfinite(result.l[i])) << i;
    peak = std::max(peak, std::fabs(result.l[i]));
  }
  EXPECT_GT(peak, 0.001f);  // sound again, not silenced for good
}
