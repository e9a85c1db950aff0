// The LV2 bundle's editor embedded as an LV2 host embeds it (ui:parent, idle
// interface), driven by pointer events through XTest: a knob drag reaches the
// host as a touch gesture with port writes, and the written values reach the
// plug-in. Needs a display (Xvfb).
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "plugin_loader.h"
#include "x11_test_host.h"

namespace {

class Lv2Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    host.reset(new x11test::TestHost());
    ASSERT_NE(host->display(), nullptr);
    guard.reset(new x11test::ErrorHandlerGuard());
    std::string error;
    plugin = LoadedPlugin::load(ZARNITH_LV2_BUNDLE, &error);
    ASSERT_NE(plugin, nullptr) << error;
    ASSERT_TRUE(plugin->effect()->flags & effFlagsHasEditor);
    for (VstInt32 i = 0; i < plugin->effect()->numParams; i++) index[plugin->text(effGetParamName, i)] = i;
    parent = host->createWindow(428, 405);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))),
              1);
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 428);
    EXPECT_EQ(rect->bottom - rect->top, 405);
    pumpFor(100);
    moveTo(420, 400);
    pumpFor(10);
    plugin->clearRequests();
  }
  void TearDown() override {
    if (!host) return;
    if (plugin) plugin->dispatch(effEditClose);
    plugin.reset();
    EXPECT_EQ(x11test::ErrorHandlerGuard::errors(), 0) << "X errors reached the host";
    guard.reset();
    if (parent) XDestroyWindow(host->display(), parent);
    host.reset();
  }
  void pumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      plugin->dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  void moveTo(int x, int y) { host->moveTo(parent, x, y); }
  void button(bool down) { host->button(1, down); }
  // One run of the plug-in, so that what the host holds reaches it.
  void process() {
    std::vector<float> buffer(4 * 256, 0.0f);
    float* in[2] = {&buffer[0], &buffer[256]};
    float* out[2] = {&buffer[512], &buffer[768]};
    plugin->processReplacing(in, out, 256);
  }
  // The float the plug-in saves in its state at a byte offset.
  float saved(int offset) {
    void* data = nullptr;
    EXPECT_EQ(plugin->dispatch(effGetChunk, 0, 0, &data), 140);
    float v = -1.0f;
    if (data) std::memcpy(&v, static_cast<char*>(data) + offset, sizeof(float));
    return v;
  }

  std::unique_ptr<x11test::TestHost> host;
  std::unique_ptr<x11test::ErrorHandlerGuard> guard;
  Window parent = 0;
  std::unique_ptr<LoadedPlugin> plugin;
  std::map<std::string, VstInt32> index;
};

TEST_F(Lv2Editor, KnobDragIsOneTouchGestureWhoseValuesReachThePlugin) {
  const VstInt32 freq = index.at("Freq");
  const float start = plugin->getParameter(freq);
  const int x = 35 + 24, y = 54 + 24;  // the Freq knob's centre
  moveTo(x, y);
  pumpFor(10);
  button(true);
  pumpFor(10);
  for (int step = 1; step <= 4; ++step) {
    moveTo(x, y - step * 10);
    pumpFor(10);
  }
  button(false);
  pumpFor(20);

  std::vector<HostRequest> edits;
  for (const HostRequest& r : plugin->requests())
    if (r.opcode == audioMasterAutomate || r.opcode == audioMasterBeginEdit || r.opcode == audioMasterEndEdit)
      edits.push_back(r);
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
  float previous = start;
  for (const HostRequest& r : edits) {
    EXPECT_EQ(r.index, freq);
    if (r.opcode != audioMasterAutomate) continue;
    EXPECT_GT(r.opt, previous) << "an upward drag raises the value";
    previous = r.opt;
  }
  // 40 pixels of 200 for the whole range.
  EXPECT_NEAR(previous, start + 0.2f, 0.02f);
  EXPECT_EQ(plugin->getParameter(freq), previous);
  process();
  EXPECT_EQ(saved(4 * 6), previous) << "the plug-in did not receive the port value";
}

TEST_F(Lv2Editor, RandomiseWritesEveryChangedPortInItsOwnGesture) {
  const int x = 60 + 13, y = 320 + 28;  // the randomise button
  std::vector<float> before;
  for (VstInt32 i = 0; i < plugin->effect()->numParams; i++) before.push_back(plugin->getParameter(i));
  moveTo(x, y);
  pumpFor(10);
  button(true);
  pumpFor(10);
  button(false);
  pumpFor(20);

  std::set<VstInt32> open, written;
  for (const HostRequest& r : plugin->requests()) {
    if (r.opcode == audioMasterBeginEdit) {
      EXPECT_TRUE(open.insert(r.index).second) << "gesture begun twice: " << r.index;
    } else if (r.opcode == audioMasterEndEdit) {
      EXPECT_EQ(open.erase(r.index), 1u) << "gesture ended without a beginning: " << r.index;
    } else if (r.opcode == audioMasterAutomate) {
      EXPECT_EQ(open.count(r.index), 1u) << "write outside a gesture: " << r.index;
      written.insert(r.index);
    }
  }
  EXPECT_TRUE(open.empty());
  int changed = 0;
  for (VstInt32 i = 0; i < plugin->effect()->numParams; i++) {
    if (plugin->getParameter(i) == before[i]) continue;
    ++changed;
    EXPECT_EQ(written.count(i), 1u) << "changed without telling the host: " << i;
  }
  EXPECT_GE(changed, 10);
  process();
  EXPECT_EQ(saved(4 * 6), plugin->getParameter(index.at("Freq")));
  EXPECT_EQ(saved(4 * 10), plugin->getParameter(index.at("Q")));
}

}  // namespace
