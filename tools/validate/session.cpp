#include "session.h"

#include <dirent.h>
#include <malloc.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "host_time.h"
#include "realtime_probe.h"
#include "validate.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizer's own count (its header does not ship with every compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace validate {

namespace {

const int kGuardFrames = 16;
// A value no plug-in writes by chance: a quiet NaN with a payload of our own.
const uint32_t kGuardBits = 0x7FC0BEEFu;

float guardValue() {
  float value;
  std::memcpy(&value, &kGuardBits, sizeof(value));
  return value;
}

bool isGuard(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  return bits == kGuardBits;
}

int countEntries(const char* directory) {
  DIR* dir = opendir(directory);
  if (!dir) return -1;
  int count = 0;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  closedir(dir);
  return count - (std::strcmp(directory, "/proc/self/fd") == 0 ? 1 : 0);  // the directory's own
}

}  // namespace

uint32_t Random::next() {
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return static_cast<uint32_t>((state * 0x2545F4914F6CDD1Dull) >> 32);
}

AudioBlock::AudioBlock(int inputs, int outputs, int maxFrames) : capacity(maxFrames) {
  // At least one channel each, so that a plug-in reading a channel it did not announce reads ours.
  inputData.assign(static_cast<size_t>(inputs > 0 ? inputs : 1),
                   std::vector<float>(maxFrames + kGuardFrames));
  outputData.assign(static_cast<size_t>(outputs > 0 ? outputs : 1),
                    std::vector<float>(maxFrames + kGuardFrames));
  for (auto& channel : inputData) inputPointers.push_back(channel.data());
  for (auto& channel : outputData) outputPointers.push_back(channel.data());
}

void AudioBlock::fill(Signal signal, int frames, Random& random) {
  for (auto& channel : inputData) {
    for (int i = 0; i < frames; ++i) {
      float value = 0.0f;
      switch (signal) {
        case Signal::kNoise:
          value = (random.unit() * 2.0f - 1.0f) * 0.25f;
          break;
        case Signal::kSilence:
          break;
        case Signal::kDenormal:
          value = (random.unit() * 2.0f - 1.0f) * 1e-39f;
          break;
        case Signal::kNaN:
          value = std::numeric_limits<float>::quiet_NaN();
          break;
        case Signal::kInfinity:
          value = (i & 1) ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
          break;
      }
      channel[i] = value;
    }
    for (int i = frames; i < frames + kGuardFrames; ++i) channel[i] = guardValue();
  }
  for (auto& channel : outputData) {
    for (int i = 0; i < frames; ++i) channel[i] = 0.0f;
    for (int i = frames; i < frames + kGuardFrames; ++i) channel[i] = guardValue();
  }
  lastFrames = frames < 0 ? 0 : frames;
}

bool AudioBlock::outputFinite(int frames) const {
  for (const auto& channel : outputData)
    for (int i = 0; i < frames; ++i)
      if (!std::isfinite(channel[i])) return false;
  return true;
}

bool AudioBlock::guardsIntact() const {
  for (const auto& channel : outputData)
    for (int i = lastFrames; i < lastFrames + kGuardFrames; ++i)
      if (!isGuard(channel[i])) return false;
  return true;
}

std::unique_ptr<LoadedPlugin> startInstance(CheckContext& context, float sampleRate, int maxBlock) {
  std::unique_ptr<LoadedPlugin> plugin = context.load();
  if (!plugin) return nullptr;
  plugin->setTimeInfo(playingTime(sampleRate));
  startPlugin(*plugin, sampleRate, maxBlock);
  return plugin;
}

void startPlugin(LoadedPlugin& plugin, float sampleRate, int maxBlock) {
  plugin.dispatch(effOpen);
  plugin.dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  plugin.dispatch(effSetBlockSize, 0, maxBlock);
  plugin.dispatch(effMainsChanged, 0, 1);
  plugin.dispatch(effStartProcess);
}

void stopPlugin(LoadedPlugin& plugin) {
  plugin.dispatch(effStopProcess);
  plugin.dispatch(effMainsChanged, 0, 0);
}

VstTimeInfo playingTime(double sampleRate) {
  VstTimeInfo time = LoadedPlugin::defaultTimeInfo();
  time.sampleRate = sampleRate;
  return time;
}

void advanceTime(VstTimeInfo& time, int frames) {
  zarnith::advanceHostTime(time, frames);
}

void processBlock(LoadedPlugin& plugin, AudioBlock& block, Signal signal, int frames, Random& random) {
  block.fill(signal, frames, random);
  plugin.processReplacing(block.inputs(), block.outputs(), frames);
  advanceTime(plugin.timeInfo(), frames);
}

size_t liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return __sanitizer_get_current_allocated_bytes();
#else
  // The allocator's own statistics count the blocks it keeps per thread for reuse as
  // in use, and their number drifts with the pattern of earlier allocations: the count
  // of the entries in front of it is exact.
  if (liveBytesCounted()) return countedLiveBytes();
  malloc_trim(0);
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

int openFileCount() {
  return countEntries("/proc/self/fd");
}

int threadCount() {
  return countEntries("/proc/self/task");
}

}  // namespace validate
