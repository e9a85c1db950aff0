// The effect's side of the audio thread: each block fetches the host's time
// and hands the block to the processing chain; resume clears the scrambler's
// memory.
#include "engine/processing_chain.h"
#include "myvst.h"

void MyVst::resume() {
  zarnith::clearBarBuffers(chain);
  AudioEffectX::resume();
}

void MyVst::lightFilterTypeLamp(void* context, int k) {
  MyVst* effect = static_cast<MyVst*>(context);
  effect->setParameter(zarnith::kParamLampLowPass, 0.0f);
  effect->setParameter(zarnith::kParamLampBandPass, 0.0f);
  effect->setParameter(zarnith::kParamLampHighPass, 0.0f);
  effect->setParameter(35 + k, 1.0f);
}

void MyVst::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  zarnith::prepareBlock(chain, params, getTimeInfo(0xffff));
  zarnith::runFrames(chain, params, inputs, outputs, sampleFrames);
}
