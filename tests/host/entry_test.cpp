// Loading and closing the library: the entry, the record a host sees, the first requests.
#include <gtest/gtest.h>

#include "plugin_test_support.h"

namespace {

TEST(Entry, HostAnsweringVersionZeroGetsNoEffectAndNoFurtherRequest) {
  // Watch the host side directly: load reports why, and only the version was asked.
  LoadedPlugin::Options options;
  options.versionAnswer = 0;
  loadZarnith();  // keeps the library resident
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(ZARNITH_PLUGIN_PATH, options, &error);
  EXPECT_FALSE(plugin);
  EXPECT_NE(error.find("returned no effect"), std::string::npos) << error;
}

TEST(Entry, AnyNonZeroVersionGetsTheRecord) {
  LoadedPlugin::Options options;
  options.versionAnswer = 1;
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith(options);
  ASSERT_TRUE(plugin);
  const AEffect& e = *plugin->effect();
  EXPECT_EQ(e.magic, 0x56737450);  // 'VstP'
  EXPECT_EQ(e.numParams, 43);
  EXPECT_EQ(e.numPrograms, 32);
  EXPECT_EQ(e.numInputs, 2);
  EXPECT_EQ(e.numOutputs, 2);
  EXPECT_EQ(e.uniqueID, 0x41446C79);  // 'ADly'
  EXPECT_EQ(e.version, 1);
  // Editor, replacing and program chunks.
  EXPECT_EQ(e.flags, 0x31);
  EXPECT_EQ(e.resvd1, 0);
  EXPECT_EQ(e.resvd2, 0);
  EXPECT_EQ(e.initialDelay, 0);
  EXPECT_EQ(e.realQualities, 0);
  EXPECT_EQ(e.offQualities, 0);
  EXPECT_EQ(e.ioRatio, 1.0f);
  EXPECT_NE(e.object, nullptr);
  EXPECT_NE(e.dispatcher, nullptr);
  EXPECT_NE(e.process, nullptr);
  EXPECT_NE(e.setParameter, nullptr);
  EXPECT_NE(e.getParameter, nullptr);
  EXPECT_NE(e.processReplacing, nullptr);
  EXPECT_NE(e.processDoubleReplacing, nullptr);
  for (char byte : e.future) EXPECT_EQ(byte, 0);
}

TEST(Entry, VersionRequestFirstThenExactlyOneWantMidiWithTheRecord) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  const std::vector<HostRequest> requests = plugin->requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].opcode, audioMasterVersion);
  EXPECT_EQ(requests[0].effect, nullptr);
  EXPECT_EQ(requests[1].opcode, audioMasterWantMidi);
  EXPECT_EQ(requests[1].value, 1);
  EXPECT_EQ(requests[1].effect, plugin->effect());
}

TEST(Entry, MainsOnAsksForMidiAgainAndMainsOffDoesNot) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->clearRequests();
  EXPECT_EQ(plugin->dispatch(effMainsChanged, 0, 0), 0);
  EXPECT_TRUE(plugin->requests().empty());
  EXPECT_EQ(plugin->dispatch(effMainsChanged, 0, 1), 0);
  EXPECT_EQ(plugin->dispatch(effMainsChanged, 0, 1), 0);
  const std::vector<HostRequest> midi = requestsWithOpcode(*plugin, audioMasterWantMidi);
  ASSERT_EQ(midi.size(), 2u);
  EXPECT_EQ(midi[0].value, 1);
  EXPECT_EQ(plugin->requests().size(), 2u);
}

TEST(Entry, CloseAnswersOneAndSeveralInstancesLiveApart) {
  std::unique_ptr<LoadedPlugin> first = loadZarnith();
  std::unique_ptr<LoadedPlugin> second = loadZarnith();
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->effect(), second->effect());
  first->setParameter(0, 0.9f);
  EXPECT_EQ(second->getParameter(0), 0.48f);
  EXPECT_EQ(first->close(), 1);
  // The other instance is untouched by the first one's close.
  EXPECT_EQ(second->getParameter(0), 0.48f);
  EXPECT_EQ(second->close(), 1);
}

TEST(Entry, ProgramChangeFromTheHostSendsNoAutomation) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->clearRequests();
  plugin->dispatch(effSetProgram, 0, 5);
  plugin->setParameter(0, 0.3f);
  EXPECT_TRUE(plugin->requests().empty());
}

TEST(Entry, EachProcessingBlockAsksOnceForTheTimeWithTheFullMask) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  float left[64] = {0}, right[64] = {0}, outLeft[64] = {0}, outRight[64] = {0};
  float* inputs[2] = {left, right};
  float* outputs[2] = {outLeft, outRight};
  plugin->clearRequests();
  plugin->processReplacing(inputs, outputs, 64);
  plugin->processReplacing(inputs, outputs, 64);
  const std::vector<HostRequest> time = requestsWithOpcode(*plugin, audioMasterGetTime);
  ASSERT_EQ(time.size(), 2u);
  EXPECT_EQ(time[0].value, 0xFFFF);
  EXPECT_EQ(time[0].effect, plugin->effect());
}

TEST(Entry, DeprecatedAndDoublePrecisionEntriesLeaveTheBuffersAlone) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  AEffect* e = plugin->effect();
  float in[8], out[8];
  for (int i = 0; i < 8; i++) {
    in[i] = 0.25f * i;
    out[i] = -1.0f;
  }
  float* inputs[2] = {in, in};
  float* outputs[2] = {out, out};
  e->process(e, inputs, outputs, 8);
  double din[8] = {1, 2, 3, 4, 5, 6, 7, 8}, dout[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  double* dinputs[2] = {din, din};
  double* doutputs[2] = {dout, dout};
  e->processDoubleReplacing(e, dinputs, doutputs, 8);
  for (int i = 0; i < 8; i++) {
    EXPECT_EQ(out[i], -1.0f);
    EXPECT_EQ(dout[i], 9.0);
  }
}

}  // namespace
