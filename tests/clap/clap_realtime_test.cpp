// zarnith.clap's process allocates and locks nothing: blocks with parameter events at
// their samples, note-ons, transport changes inside a block, the bypass and the random
// filter types that light the editor's lamps from the audio thread.
#include "allocation_counter.h"
#include "clap_test_support.h"

namespace {

using ClapRealtime = ClapFixture;

}  // namespace

TEST_F(ClapRealtime, ProcessAllocatesAndLocksNothing) {
  auto host = create();
  const clap_plugin_t* p = host->plugin();
  ASSERT_TRUE(activate(*host, 44100.0, 256));
  const uint32_t block = 256;
  std::vector<float> in = testSignal(block, 11), out(in.size());
  float* inputs[2] = {in.data(), in.data() + block};
  float* outputs[2] = {out.data(), out.data() + block};
  clap_audio_buffer_t inBuffer{inputs, nullptr, 2, 0, 0};
  clap_audio_buffer_t outBuffer{outputs, nullptr, 2, 0, 0};
  // The host's own list would lock and grow: this one only takes the events.
  clap_output_events_t quietOut{nullptr,
                                [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
  std::vector<ClapEvents> blocks(40);
  for (uint32_t b = 0; b < blocks.size(); b++) {
    if (b == 0) blocks[b].paramValue(0, 33, 1.0);  // random filter types light the lamps
    if (b == 10) blocks[b].paramValue(17, 5, 0.5);
    if (b % 5 == 0) blocks[b].noteOn(7, 60, 0.8);
    if (b == 20) blocks[b].transport(100, clapTransport(9.0, 140.0, 3, 4));
    if (b == 30) blocks[b].paramValue(200, 42, 1.0);
  }
  long totalAllocations = 0, totalLocks = 0;
  host->asAudioThread([&] {
    for (uint32_t b = 0; b < blocks.size(); b++) {
      clap_event_transport_t transport = clapTransport(b * block * (140.0 / 60.0) / 44100.0, 140.0, 4, 4);
      clap_process_t process{};
      process.frames_count = block;
      process.transport = &transport;
      process.audio_inputs = &inBuffer;
      process.audio_outputs = &outBuffer;
      process.audio_inputs_count = 1;
      process.audio_outputs_count = 1;
      process.in_events = &blocks[b].list;
      process.out_events = &quietOut;
      realtime::allocations = realtime::locks = 0;
      realtime::counting = true;
      const int32_t status = p->process(p, &process);
      realtime::counting = false;
      EXPECT_EQ(status, CLAP_PROCESS_CONTINUE);
      totalAllocations += realtime::allocations;
      totalLocks += realtime::locks;
    }
  });
  EXPECT_EQ(totalAllocations, 0);
  EXPECT_EQ(totalLocks, 0);
  // The counter sees the plug-in's allocations at all: creating one allocates.
  realtime::allocations = 0;
  realtime::counting = true;
  auto another = create();
  realtime::counting = false;
  EXPECT_GT(realtime::allocations, 0);
}
