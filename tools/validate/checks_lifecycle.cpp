// Instances created, used and closed again and again: nothing of them may stay behind (memory,
// files, threads). And the list of every check.
#include <poll.h>

#include <string>

#include "session.h"
#include "validate.h"

namespace validate {

namespace {

const float kRate = 44100.0f;
const int kBlock = 512;

// Threads a plug-in ends on close may take a moment to go.
int settledThreadCount(int expected) {
  int count = threadCount();
  for (int i = 0; i < 50 && count > expected; ++i) {
    poll(nullptr, 0, 10);
    count = threadCount();
  }
  return count;
}

}  // namespace

void checkOpenClose(CheckContext& context) {
  auto cycle = [&](int number) {
    context.step("cycle %d: create", number);
    std::unique_ptr<LoadedPlugin> plugin = context.load();
    if (!plugin) return false;
    context.step("cycle %d: start, process, stop", number);
    plugin->setTimeInfo(playingTime(kRate));
    startPlugin(*plugin, kRate, kBlock);
    Random random(context.seed() + number);
    AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
    for (int i = 0; i < 4; ++i) processBlock(*plugin, block, Signal::kNoise, kBlock, random);
    stopPlugin(*plugin);
    context.step("cycle %d: close", number);
    plugin.reset();
    return true;
  };
  // The first cycles set up what a process sets up once.
  for (int i = 1; i <= 3; ++i)
    if (!cycle(i)) return;
  const size_t heap = liveHeapBytes();
  const int files = openFileCount();
  const int threads = threadCount();
  const int cycles = context.scaled(60, 6);
  for (int i = 1; i <= cycles; ++i)
    if (!cycle(3 + i)) return;
  const long grown = static_cast<long>(liveHeapBytes()) - static_cast<long>(heap);
  const int moreFiles = openFileCount() - files;
  const int moreThreads = settledThreadCount(threads) - threads;
  // A lost block per cycle, however small, adds up to more than this.
  if (grown > 8L * cycles) context.fail("the heap grew by %ld bytes over %d cycles", grown, cycles);
  if (moreFiles > 0) context.fail("%d more open files after %d cycles", moreFiles, cycles);
  if (moreThreads > 0) context.fail("%d more threads after %d cycles", moreThreads, cycles);
  context.note("%d cycles: heap %+ld bytes, files %+d, threads %+d", cycles, grown, moreFiles, moreThreads);
}

const std::vector<CheckInfo>& allChecks() {
  static const std::vector<CheckInfo> checks = {
      {"open-close", "instances created, run and closed again and again leave no memory, files or threads", 1,
       120, checkOpenClose},
      {"block-sizes", "blocks of 0 to 65536 frames, fixed and random", 1, 120, checkBlockSizes},
      {"sample-rates", "sample rates from 8 kHz to 768 kHz", 2, 120, checkSampleRates},
      {"tempos", "tempos and time signatures from extreme to ordinary", 2, 120, checkTempos},
      {"time-records", "broken time records: none, zero, NaN, negative, infinite, jumping", 3, 120,
       checkTimeRecords},
      {"parameter-fuzz", "parameters in range (finite output) and out of range (no crash)", 1, 120,
       checkParameterFuzz},
      {"parameter-threads", "parameters, programs and state from other threads while processing", 4, 180,
       checkParameterThreads},
      {"realtime", "no allocation, lock or sleep in the processing call", 3, 120, checkRealtime},
      {"state-roundtrip",
       "the saved state onto a fresh instance gives the same state and bit-identical output", 2, 180,
       checkStateRoundTrip},
      {"garbage-chunks", "garbage and truncated state refused without a change", 3, 120, checkGarbageChunks},
      {"dispatcher-fuzz", "every opcode with valid buffers and odd indices and values", 4, 300,
       checkDispatcherFuzz},
      {"null-pointers", "every opcode with null pointers, reported per opcode", 4, 300, checkNullPointers},
      {"denormal-cost", "denormal and silent input cost no more than normal input", 5, 180,
       checkDenormalCost},
      {"nan-recovery", "output finite again soon after NaN or infinite input", 5, 180, checkNanRecovery},
      {"instance-threads", "instances created and run on several threads, each equal to its solo run", 6, 180,
       checkInstanceThreads},
#ifdef ZARNITH_HAVE_VIEW
      {"editor-cycles", "editor open, idle and close again and again with automation running, without growth",
       6, 300, checkEditorCycles},
#endif
  };
  return checks;
}

}  // namespace validate
