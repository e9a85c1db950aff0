// zarnith.clap's processing against the 2.4 build's, fed the same audio, time and
// changes: parameter events land on their own sample, the host's transport becomes
// the effect's bar position, and no transport is the effect's own unusable time.
#include <cmath>
#include <thread>

#include "clap_test_support.h"

namespace {

// Sample positions that CLAP's fixed-point beat time carries exactly: 32768 Hz and
// 120 BPM put every sample on a multiple of 2^-14 beat.
const double kRate = 32768.0;
const double kTempo = 120.0;

struct Vst {
  std::unique_ptr<LoadedPlugin> plugin;
  explicit Vst(int program) : plugin(loadVst()) {
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    plugin->dispatch(effSetBlockSize, 0, 1024);
    plugin->dispatch(effSetProgram, 0, program);
    plugin->dispatch(effMainsChanged, 0, 1);
  }
  // Processes frames [from, to) of in into out, with the host's time at from.
  void run(std::vector<float>& in, std::vector<float>& out, uint32_t from, uint32_t to, double ppq,
           int numerator = 4, bool time = true) {
    VstTimeInfo& info = plugin->timeInfo();
    info.sampleRate = kRate;
    info.tempo = kTempo;
    info.ppqPos = ppq + from / kRate * kTempo / 60.0;
    info.timeSigNumerator = numerator;
    plugin->setProvidesTime(time);
    const size_t half = in.size() / 2;
    float* inputs[2] = {in.data() + from, in.data() + half + from};
    float* outputs[2] = {out.data() + from, out.data() + half + from};
    plugin->processReplacing(inputs, outputs, static_cast<VstInt32>(to - from));
  }
};

using ClapProcessing = ClapFixture;

// The scrambler draws from the C runtime's random numbers, one sequence per thread and
// per library: a fresh thread starts both libraries' sequences at the same place.
template <typename F>
void onFreshThread(F fn) {
  std::thread thread(fn);
  thread.join();
}

void loadProgram(ClapHost& host, int program) {
  const auto* load = host.extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
  ASSERT_TRUE(load->from_location(host.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                  std::to_string(program).c_str()));
}

}  // namespace

TEST_F(ClapProcessing, ParameterEventsApplyAtTheirSample) {
  const uint32_t frames = 1024;
  auto host = create();
  loadProgram(*host, 19);
  ASSERT_TRUE(activate(*host, kRate, frames));
  Vst vst(19);
  const std::vector<float> signal = testSignal(frames, 5);
  std::vector<float> in = signal, out(in.size()), vstIn = signal, vstOut(in.size());

  // Freq at 100, Filter Type and Volume together at 613, the bypass at 900.
  ClapEvents events;
  events.paramValue(100, 0, 0.9);
  events.paramValue(613, 6, 0.1);
  events.paramValue(613, 26, 0.3);
  events.paramValue(900, 42, 1.0);
  clap_event_transport_t t = clapTransport(0.0, kTempo, 4, 4);
  onFreshThread([&] {
    EXPECT_EQ(clapProcess(*host, in, out, frames, &t, &events), CLAP_PROCESS_CONTINUE);
    // The 2.4 build gets the same changes between blocks split at the same samples.
    vst.run(vstIn, vstOut, 0, 100, 0.0);
    vst.plugin->setParameter(0, 0.9f);
    vst.run(vstIn, vstOut, 100, 613, 0.0);
    vst.plugin->setParameter(6, 0.1f);
    vst.plugin->setParameter(26, 0.3f);
    vst.run(vstIn, vstOut, 613, 900, 0.0);
    vst.plugin->setParameter(42, 1.0f);
    vst.run(vstIn, vstOut, 900, frames, 0.0);
  });
  EXPECT_EQ(out, vstOut);
  EXPECT_EQ(value(*host, 26), vst.plugin->getParameter(26));
  // The input buffers are the host's: the effect's write-back went to a copy.
  EXPECT_EQ(in, signal);
}

TEST_F(ClapProcessing, TransportGivesTheBarPositionAndNoTransportIsUnusableTime) {
  const uint32_t block = 256, blocks = 24;
  // Program 30 runs the LFO locked to the bar; a song starting at beat 2.5 of a 3/4 bar.
  std::vector<std::vector<float>> outputs;
  for (bool transport : {true, false}) {
    auto host = create();
    loadProgram(*host, 30);
    ASSERT_TRUE(activate(*host, kRate, block));
    Vst vst(30);
    std::vector<float> in = testSignal(block * blocks, 9), vstIn = in;
    std::vector<float> out(in.size()), vstOut(in.size());
    // In place, as CLAP allows for the paired ports.
    onFreshThread([&] {
      for (uint32_t b = 0; b < blocks; b++) {
        std::vector<float> blockIn(2 * block), blockOut(2 * block);
        for (uint32_t i = 0; i < block; i++) {
          blockIn[i] = in[b * block + i];
          blockIn[block + i] = in[in.size() / 2 + b * block + i];
        }
        const double ppq = 2.5 + b * block / kRate * kTempo / 60.0;
        clap_event_transport_t t = clapTransport(ppq, kTempo, 3, 4);
        t.bar_start = 0;
        EXPECT_EQ(clapProcess(*host, blockIn, blockIn, block, transport ? &t : nullptr, nullptr),
                  CLAP_PROCESS_CONTINUE);
        for (uint32_t i = 0; i < block; i++) {
          out[b * block + i] = blockIn[i];
          out[out.size() / 2 + b * block + i] = blockIn[block + i];
        }
        vst.run(vstIn, vstOut, b * block, (b + 1) * block, 2.5, 3, transport);
      }
    });
    EXPECT_EQ(out, vstOut) << (transport ? "with" : "without") << " transport";
    outputs.push_back(out);
  }
  EXPECT_NE(outputs[0], outputs[1]) << "the sound does not depend on the host's time";
}
