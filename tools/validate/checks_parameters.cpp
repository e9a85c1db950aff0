// Parameters, programs and state: fuzzed values, calls from other threads while audio runs, the
// state carried onto a fresh instance, and garbage offered as state.
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "session.h"
#include "validate.h"

namespace validate {
namespace {

const float kRate = 44100.0f;
const int kBlock = 512;

// Everything that a host would save of an instance and compare after loading it.
struct Snapshot {
  std::vector<float> parameters;
  std::vector<unsigned char> chunk;
  VstIntPtr program = 0;
  bool operator==(const Snapshot& other) const {
    if (program != other.program || chunk != other.chunk || parameters.size() != other.parameters.size())
      return false;
    return std::memcmp(parameters.data(), other.parameters.data(), parameters.size() * sizeof(float)) == 0;
  }
};

bool usesChunks(LoadedPlugin& plugin) {
  return (plugin.effect()->flags & effFlagsProgramChunks) != 0;
}

std::vector<unsigned char> readChunk(LoadedPlugin& plugin, bool isPreset) {
  void* data = nullptr;
  const VstIntPtr size = plugin.dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
  if (!data || size <= 0 || size > (1 << 28)) return {};
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

Snapshot snapshot(LoadedPlugin& plugin) {
  Snapshot s;
  for (VstInt32 i = 0; i < plugin.effect()->numParams; ++i) s.parameters.push_back(plugin.getParameter(i));
  if (usesChunks(plugin)) s.chunk = readChunk(plugin, false);
  s.program = plugin.dispatch(effGetProgram);
  return s;
}

// Puts the instance into a state of its own: a program and every parameter at a random value.
void randomState(LoadedPlugin& plugin, Random& random) {
  if (plugin.effect()->numPrograms > 1)
    plugin.dispatch(effSetProgram, 0, random.range(0, plugin.effect()->numPrograms - 1));
  for (VstInt32 i = 0; i < plugin.effect()->numParams; ++i) plugin.setParameter(i, random.unit());
}

// Output of an instance for a fixed input, made on a thread of its own: plug-ins that draw random
// numbers per thread then start from the same sequence.
std::vector<float> renderOnFreshThread(LoadedPlugin& plugin, uint32_t seed, int blocks) {
  std::vector<float> out;
  std::thread thread([&] {
    Random random(seed);
    AudioBlock block(plugin.effect()->numInputs, plugin.effect()->numOutputs, kBlock);
    for (int i = 0; i < blocks; ++i) {
      processBlock(plugin, block, Signal::kNoise, kBlock, random);
      for (int c = 0; c < block.outputCount(); ++c)
        out.insert(out.end(), block.output(c), block.output(c) + kBlock);
    }
  });
  thread.join();
  return out;
}

}  // namespace

void checkParameterFuzz(CheckContext& context) {
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, kBlock);
  if (!plugin) return;
  Random random(context.seed());
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
  const VstInt32 count = plugin->effect()->numParams;
  const int rounds = context.scaled(200, 20);
  size_t longestText = 0;
  VstInt32 longestIndex = 0;
  for (int round = 0; round < rounds; ++round) {
    context.step("in range, round %d", round + 1);
    for (VstInt32 i = 0; i < count; ++i) {
      // The ends of the range come up often: they are where switches and divisions live.
      const int pick = random.range(0, 5);
      const float value = pick == 0 ? 0.0f : pick == 1 ? 1.0f : random.unit();
      plugin->setParameter(i, value);
      const float back = plugin->getParameter(i);
      if (!std::isfinite(back)) {
        context.fail("parameter %d set to %g reads back as %g", i, value, back);
        return;
      }
      if (round % 16 == 0) {
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
          const std::string text = plugin->text(opcode, i);
          if (text.size() > longestText) {
            longestText = text.size();
            longestIndex = i;
          }
        }
      }
    }
    processBlock(*plugin, block, Signal::kNoise, kBlock, random);
    if (!block.outputFinite(kBlock)) {
      context.fail("non-finite output after in-range values (round %d)", round + 1);
      return;
    }
  }
  const float outside[] = {-1.0f,
                           2.0f,
                           -1e30f,
                           1e30f,
                           std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           1e-40f};
  for (float value : outside) {
    context.step("every parameter set to %g, then a block", value);
    for (VstInt32 i = 0; i < count; ++i) {
      plugin->setParameter(i, value);
      plugin->getParameter(i);
      plugin->text(effGetParamDisplay, i);
    }
    processBlock(*plugin, block, Signal::kNoise, kBlock, random);
  }
  const VstInt32 badIndices[] = {-1, count, count + 1000, INT_MIN, INT_MAX};
  for (VstInt32 index : badIndices) {
    context.step("parameter index %d, which does not exist", index);
    plugin->setParameter(index, 0.5f);
    plugin->getParameter(index);
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay, effCanBeAutomated})
      plugin->text(opcode, index);
  }
  context.step("back in range");
  for (VstInt32 i = 0; i < count; ++i) plugin->setParameter(i, 0.5f);
  processBlock(*plugin, block, Signal::kNoise, kBlock, random);
  stopPlugin(*plugin);
  context.note(
      "%d parameters, %d rounds in range, %zu values and %zu indices out of range; longest text %zu bytes "
      "(parameter %d)",
      count, rounds, sizeof(outside) / sizeof(outside[0]), sizeof(badIndices) / sizeof(badIndices[0]),
      longestText, longestIndex);
}

void checkParameterThreads(CheckContext& context) {
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, kBlock);
  if (!plugin) return;
  const VstInt32 count = plugin->effect()->numParams;
  const int programs = plugin->effect()->numPrograms;
  const int blocks = context.scaled(1500, 100);
  std::atomic<bool> stop{false};
  std::atomic<int> badBlocks{0};
  std::atomic<long> automationCalls{0}, stateCalls{0};
  context.step("audio, automation and state threads at once");
  std::thread audio([&] {
    Random random(context.seed());
    AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
    for (int i = 0; i < blocks; ++i) {
      processBlock(*plugin, block, Signal::kNoise, kBlock, random);
      if (!block.outputFinite(kBlock) || !block.guardsIntact()) badBlocks.fetch_add(1);
    }
    stop.store(true);
  });
  std::thread automation([&] {
    Random random(context.seed() + 1);
    while (!stop.load(std::memory_order_relaxed)) {
      for (VstInt32 i = 0; i < count && !stop.load(std::memory_order_relaxed); ++i) {
        plugin->setParameter(i, random.unit());
        plugin->getParameter(random.range(0, count > 0 ? count - 1 : 0));
        automationCalls.fetch_add(1, std::memory_order_relaxed);
      }
    }
  });
  std::thread state([&] {
    Random random(context.seed() + 2);
    while (!stop.load(std::memory_order_relaxed)) {
      const int action = random.range(0, 3);
      if (action == 0 && programs > 0) {
        plugin->dispatch(effSetProgram, 0, random.range(0, programs - 1));
      } else if (action == 1 && usesChunks(*plugin)) {
        std::vector<unsigned char> chunk = readChunk(*plugin, random.range(0, 1) == 1);
        if (!chunk.empty())
          plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data());
      } else if (action == 2 && count > 0) {
        plugin->text(effGetParamDisplay, random.range(0, count - 1));
      } else {
        plugin->text(effGetProgramName);
      }
      stateCalls.fetch_add(1, std::memory_order_relaxed);
    }
  });
  audio.join();
  automation.join();
  state.join();
  if (badBlocks.load() > 0)
    context.fail("%d of %d blocks had non-finite output or wrote past their end while other threads called",
                 badBlocks.load(), blocks);
  context.step("the instance still answers");
  if (count > 0) {
    plugin->setParameter(0, 0.25f);
    plugin->getParameter(0);
  }
  stopPlugin(*plugin);
  context.note("%d blocks, %ld parameter calls and %ld program/state calls from two other threads", blocks,
               automationCalls.load(), stateCalls.load());
}

void checkStateRoundTrip(CheckContext& context) {
  std::set<int> unsavedParameters;
  bool programNotCarried = false;
  const int cases = context.scaled(8, 2);
  const int blocks = context.scaled(300, 40);  // 3.5 s at full strictness
  for (int c = 0; c < cases; ++c) {
    Random random(context.seed() + 100 * c);
    context.step("case %d: an instance in a random state", c + 1);
    std::unique_ptr<LoadedPlugin> original = startInstance(context, kRate, kBlock);
    if (!original) return;
    randomState(*original, random);
    const bool chunks = usesChunks(*original);
    const Snapshot saved = snapshot(*original);
    context.step("case %d: its state onto a fresh instance", c + 1);
    std::unique_ptr<LoadedPlugin> copy = startInstance(context, kRate, kBlock);
    if (!copy) return;
    if (chunks) {
      std::vector<unsigned char> bank = saved.chunk;
      if (bank.empty()) {
        context.fail("the plug-in announces chunks but hands out none");
        return;
      }
      if (copy->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()) == 0) {
        context.fail("case %d: a fresh instance refuses the chunk another one saved", c + 1);
        return;
      }
    } else {
      copy->dispatch(effSetProgram, 0, saved.program);
      for (VstInt32 i = 0; i < original->effect()->numParams; ++i) copy->setParameter(i, saved.parameters[i]);
    }
    const Snapshot loaded = snapshot(*copy);
    if (!(loaded == saved)) {
      // With chunks, the chunk is the state: a parameter it leaves out (a readout, a working
      // value) may differ, and the output below shows whether that matters.
      for (size_t i = 0; i < saved.parameters.size() && i < loaded.parameters.size(); ++i) {
        if (std::memcmp(&saved.parameters[i], &loaded.parameters[i], sizeof(float)) != 0) {
          if (chunks) {
            unsavedParameters.insert(static_cast<int>(i));
            continue;
          }
          context.fail("case %d: parameter %zu is %.9g after loading, %.9g when saved", c + 1, i,
                       loaded.parameters[i], saved.parameters[i]);
          break;
        }
      }
      // Hosts keep the program number beside the state; with the same chunk, a different number
      // is the plug-in's own bookkeeping, and the output below tells whether it matters.
      if (loaded.program != saved.program) {
        if (chunks && loaded.chunk == saved.chunk)
          programNotCarried = true;
        else
          context.fail("case %d: program %ld after loading, %ld when saved", c + 1,
                       static_cast<long>(loaded.program), static_cast<long>(saved.program));
      }
      if (loaded.chunk != saved.chunk)
        context.fail("case %d: the loaded instance saves a different chunk", c + 1);
      if (context.failed()) return;
    }
    context.step("case %d: both instances render the same input", c + 1);
    const std::vector<float> expected = renderOnFreshThread(*original, context.seed() + c, blocks);
    const std::vector<float> actual = renderOnFreshThread(*copy, context.seed() + c, blocks);
    if (expected.size() != actual.size() ||
        std::memcmp(expected.data(), actual.data(), expected.size() * 4) != 0) {
      size_t first = 0;
      while (first < expected.size() && first < actual.size() &&
             std::memcmp(&expected[first], &actual[first], sizeof(float)) == 0)
        ++first;
      context.fail("case %d: the loaded instance sounds different from sample %zu on (%.9g instead of %.9g)",
                   c + 1, first, first < actual.size() ? actual[first] : 0.0f,
                   first < expected.size() ? expected[first] : 0.0f);
      return;
    }
  }
  context.note("%d states carried by the saved state onto fresh instances, each bit-identical over %d blocks",
               cases, blocks);
  if (programNotCarried) context.note("the program number is not carried by the chunk");
  if (!unsavedParameters.empty()) {
    std::string list;
    for (int index : unsavedParameters) list += (list.empty() ? "" : ", ") + std::to_string(index);
    context.note("parameters not carried by the chunk (without effect on the sound here): %s", list.c_str());
  }
}

void checkGarbageChunks(CheckContext& context) {
  context.step("create and start");
  std::unique_ptr<LoadedPlugin> plugin = startInstance(context, kRate, kBlock);
  if (!plugin) return;
  if (!usesChunks(*plugin)) {
    context.skip("the plug-in keeps no chunks (its state is its parameters)");
    return;
  }
  Random random(context.seed());
  randomState(*plugin, random);
  Snapshot before = snapshot(*plugin);
  const std::vector<unsigned char> valid = before.chunk;
  AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
  int refused = 0, taken = 0, offered = 0, takenBroken = 0;
  auto offer = [&](const char* what, const void* data, VstIntPtr size, VstInt32 isPreset) {
    ++offered;
    const VstIntPtr answer = plugin->dispatch(effSetChunk, isPreset, size, const_cast<void*>(data));
    if (answer == 0) {
      ++refused;
      if (!(snapshot(*plugin) == before)) {
        context.fail("%s: refused, but the state changed", what);
        return false;
      }
      return true;
    }
    ++taken;
    // Taken: a format without checks of its own may take anything. It must not crash on it, and
    // the saved state must put it right again.
    processBlock(*plugin, block, Signal::kNoise, kBlock, random);
    if (!block.outputFinite(kBlock)) ++takenBroken;
    std::vector<unsigned char> restore = valid;
    plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(restore.size()), restore.data());
    for (int i = 0; i < 8; ++i) processBlock(*plugin, block, Signal::kNoise, kBlock, random);
    before = snapshot(*plugin);  // readouts move with processing
    if (!block.outputFinite(kBlock)) {
      context.fail("%s: taken, and the saved state loaded again does not bring finite output back", what);
      return false;
    }
    return true;
  };
  const int randomCases = context.scaled(2000, 100);
  context.step("a null pointer with a size");
  offer("null data", nullptr, static_cast<VstIntPtr>(valid.size()), 0);
  context.step("sizes 0 and negative");
  unsigned char few[16] = {};
  offer("size 0", few, 0, 0);
  offer("negative size", few, -1, 0);
  context.step("truncated copies of a good chunk");
  const size_t step = valid.size() > 256 ? valid.size() / 128 : 1;
  for (size_t length = 0; length < valid.size(); length += step) {
    char what[64];
    std::snprintf(what, sizeof(what), "the first %zu of %zu bytes", length, valid.size());
    if (!offer(what, valid.data(), static_cast<VstIntPtr>(length), 0)) return;
    if (!offer(what, valid.data(), static_cast<VstIntPtr>(length), 1)) return;
  }
  context.step("random bytes");
  for (int i = 0; i < randomCases; ++i) {
    const size_t length = (i % 2 == 0) ? valid.size() : static_cast<size_t>(random.range(1, 4096));
    std::vector<unsigned char> bytes(length);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(random.next());
    // Some with a good chunk's start, so that a header check alone does not turn them away.
    if (i % 3 == 0) std::memcpy(bytes.data(), valid.data(), std::min(valid.size(), length) / 2);
    char what[64];
    std::snprintf(what, sizeof(what), "%zu random bytes (case %d)", length, i + 1);
    if (!offer(what, bytes.data(), static_cast<VstIntPtr>(length), i % 4 == 0 ? 1 : 0)) return;
  }
  context.step("the good chunk again");
  std::vector<unsigned char> again = valid;
  plugin->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(again.size()), again.data());
  if (readChunk(*plugin, false) != valid) context.fail("the saved chunk no longer gives the saved state");
  stopPlugin(*plugin);
  context.note(
      "%d chunks offered: %d refused without a change, %d taken (%d of them gave non-finite output until the "
      "saved state was loaded again)",
      offered, refused, taken, takenBroken);
}

}  // namespace validate
