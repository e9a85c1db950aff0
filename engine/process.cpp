// Audio processing. For now the block passes through unchanged.
#include <algorithm>

#include "myvst.h"

void MyVst::resume() {
  std::fill(barBuffer[0].get(), barBuffer[0].get() + bufferLength, 0.0f);
  std::fill(barBuffer[1].get(), barBuffer[1].get() + bufferLength, 0.0f);
  AudioEffectX::resume();
}

void MyVst::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  getTimeInfo(0xffff);
  if (sampleFrames <= 0) return;
  for (int channel = 0; channel < 2; channel++) {
    if (inputs[channel] != outputs[channel])
      std::copy(inputs[channel], inputs[channel] + sampleFrames, outputs[channel]);
  }
}
