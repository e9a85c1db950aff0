#include "chain_fixture.h"

#include "tools/host_time.h"

VstTimeInfo standardTime() {
  VstTimeInfo t{};
  t.sampleRate = 44100.0;
  t.tempo = 120.0;
  t.ppqPos = 0.0;
  t.timeSigNumerator = 4;
  t.timeSigDenominator = 4;
  t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
  return t;
}

TestHost::TestHost() : time(standardTime()) {
  effect.reset(new MyVst(&TestHost::callback));
  effect->getAeffect()->user = this;
}

TestHost::~TestHost() {
  effect.reset();
}

VstIntPtr ZARNITH_CALL TestHost::callback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*,
                                          float) {
  if (opcode == audioMasterVersion) return 2400;
  TestHost* host = effect ? static_cast<TestHost*>(effect->user) : nullptr;
  if (!host) return 0;
  if (opcode == audioMasterWantMidi) host->midiRequests++;
  if (opcode == audioMasterGetTime) {
    host->timeRequests++;
    if (host->watchedOutput) host->outputAtTimeRequest = *host->watchedOutput;
    return host->provideTime ? reinterpret_cast<VstIntPtr>(&host->time) : 0;
  }
  return 0;
}

void TestHost::advance(int frames) {
  zarnith::advanceHostTime(time, frames);
}

void TestHost::process(std::vector<float>& left, std::vector<float>& right, int frames, int offset) {
  float* channels[2] = {left.data() + offset, right.data() + offset};
  effect->processReplacing(channels, channels, frames);
}

void makeTestSignal(std::vector<float>& left, std::vector<float>& right, int frames, int beatFrames) {
  left.assign(frames, 0.0f);
  right.assign(frames, 0.0f);
  uint32_t noise = 22222;
  float kick = 0.0f, hat = 0.0f;
  for (int i = 0; i < frames; i++) {
    const int inBeat = i % beatFrames;
    if (inBeat == 0) kick = 0.9f;
    if (inBeat == beatFrames / 2) hat = 0.4f;
    kick *= 0.9995f;
    hat *= 0.998f;
    noise = noise * 1103515245u + 12345u;
    const float white = static_cast<float>((noise >> 9) & 0xFFFF) / 32768.0f - 1.0f;
    const float bass = ((i / 100) % 2 ? 0.25f : -0.25f) * ((i / beatFrames) % 4 == 3 ? 0.5f : 1.0f);
    const float thump = ((i / 40) % 2 ? kick : -kick) * 0.6f;
    left[i] = thump + hat * white + bass;
    right[i] = thump - hat * white * 0.5f + bass * 0.8f;
  }
}
