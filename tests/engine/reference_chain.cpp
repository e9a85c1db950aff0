#include "reference_chain.h"

#include <cmath>

void ReferenceChain::setFromParameters(const float* p) {
  freq = p[0];
  q = p[1];
  bitCrusher = p[4];
  modType = p[5];
  filterType = p[6];
  syncOn = p[7];
  lfoRateMult = p[8];
  beatDivisions = (unsigned)powf(2.0f, (float)(int)(p[9] * 6.0));
  envReverse = p[10];
  envTimeAMs = (int)(p[11] * 1000.0);
  envTimeBMs = (int)(p[12] * 1000.0);
  lfoDepth = p[16];
  lfoRate = p[17];
  envDepth = p[19];
  scramblerDry = p[23];
  scramblerWet = p[24];
  dryWetMix = p[25];
  volume = p[26];
  lfoType = p[28];
  lfoOffset = p[29];
  silenceInstr = p[30];
  scramblerOffset = p[31];
  scramblerReverse = p[32];
  randBeatDivisions = (unsigned)powf(2.0f, (float)(int)(p[33] * 6.0));
  processingHold = p[42];
}

int ReferenceChain::rand15() {
  randState = randState * 214013u + 2531011u;
  return (int)((randState >> 16) & 0x7fff);
}

float ReferenceChain::lfo() {
  double result;
  int N = t->timeSigNumerator;
  if (syncOn == 1.0f) {
    unsigned short s = (unsigned short)(int)(lfoRate * 16.0);
    double P = barPhase, B = beatsPerSecond;
    if (lfoType < 0.2) {
      result = std::sin(lfoOffset * 3.14 * B + P * s * 0.5 * 3.14) * lfoDepth / 2 + 0.5;
    } else if (lfoType < 0.8) {
      float tt = (float)((s * P + lfoOffset * B * 2) / N);
      result = (1 - (tt - (double)(unsigned)(long long)tt)) * lfoDepth;
    } else {
      double tt = s * P / 2 + lfoOffset * B * 2;
      unsigned m = (unsigned)(long long)tt;
      result = m % 2 == 0 ? lfoDepth : 0.0;
    }
  } else {
    unsigned short mult = lfoRateMult < 0.2 ? 1 : (lfoRateMult < 0.8 ? 10 : 100);
    double R = mult * (double)lfoRate;
    unsigned n = lfoSampleCounter;
    int S = hostSampleRate;
    if (lfoType < 0.2) {
      result = std::sin(N * (double)lfoOffset + 2 * 3.14 * R * n / S) * lfoDepth / 2 + 0.5;
    } else if (lfoType < 0.8) {
      float tt = (float)(R * n * N / S + N * (double)lfoOffset);
      result = (1 - (tt - (double)(unsigned)(long long)tt)) * lfoDepth;
    } else {
      double tt = R * n * N / S + N * (double)lfoOffset;
      unsigned m = (unsigned)(long long)tt;
      result = m % 2 == 0 ? lfoDepth : 0.0;
    }
  }
  return (float)result;
}

float ReferenceChain::envelope(float x) {
  float a = std::fabs(x);
  if (envelopeState < a)
    envelopeState = (float)(((double)envelopeState - a) * attackCoef + a);
  else if (envelopeState > a)
    envelopeState = (float)(((double)envelopeState - a) * releaseCoef + a);
  else
    envelopeState = a;
  if (envelopeState >= 1.0)
    envelopeState = 1.0f;
  else if (envelopeState <= 0.000001)
    envelopeState = 0.0f;
  float value;
  if (envReverse == 0.0f)
    value = (float)(envDepth * (double)envelopeState);
  else
    value = (float)(envDepth * (0.5 - envelopeState));
  if (value >= 1.0)
    value = 1.0f;
  else if (value <= 0.000001)
    value = 0.0f;
  return value;
}

void ReferenceChain::crush(float* x) {
  signed char steps = (signed char)(int)(bitCrusher * 15.0);
  int s = 15 - steps;
  int v = (int)((double)*x * 65535 * 1.0 / 2.0);
  v = (v >> s) * (1 << s);
  *x = (float)(v * 2 / 65535.0);
}

void ReferenceChain::ladder(int ch, float in, float* out) {
  float c = cutoffState;
  if (c < 0.0001) c = 0.0001f;
  double k = 1.0 - c;
  float p = (float)(c + (double)0.8f * c * k);
  float f = (float)((double)p + p - 1.0);
  float g = (float)((1 + 0.5 * k * (1 - k + (double)5.6f * k * k)) * q);
  float x = (float)(in - (double)g * ladder4[ch]);
  float t1 = ladder1[ch];
  ladder1[ch] = (float)(((double)x + ladderIn[ch]) * p - (double)ladder1[ch] * f);
  float t2 = ladder2[ch];
  ladder2[ch] = (float)(((double)ladder1[ch] + t1) * p - (double)ladder2[ch] * f);
  t1 = ladder3[ch];
  ladder3[ch] = (float)(((double)ladder2[ch] + t2) * p - (double)ladder3[ch] * f);
  ladder4[ch] = (float)(((double)ladder3[ch] + t1) * p - (double)ladder4[ch] * f);
  ladder4[ch] = (float)(ladder4[ch] - (double)ladder4[ch] * ladder4[ch] * ladder4[ch] * (double)0.166667f);
  ladderIn[ch] = x;
  if (filterType <= 0.33)
    *out = ladder4[ch];
  else if (filterType <= 0.66)
    *out = (float)(((double)ladder3[ch] - ladder4[ch]) * 3.0);
  else
    *out = (float)((double)x - ladder4[ch]);
}

void ReferenceChain::advance() {
  int N = t->timeSigNumerator;
  double barLength = N * t->sampleRate / beatsPerSecond;
  sliceLength = (int)((N * 1.0 / blockBeatDivisions) * t->sampleRate / beatsPerSecond);
  unsigned period = (unsigned)(long long)(N * 1.0 / randBeatDivisions * t->sampleRate / beatsPerSecond);
  if (barLength <= recordPos) recordPos = 0;
  slicePos = recordPos % sliceLength;
  if ((unsigned)recordPos % period == 0 && randBeatDivisions != 1) {
    int k = rand15() % 3;
    randomFilterType = (float)(k / 3.0);
  }
  if (slicePos == 0 && blockBeatDivisions != 1) {
    sliceIndex = (unsigned)rand15() % blockBeatDivisions;
    playGain = 0.0f;
    fadeInActive = true;
    silenceSlice = true;
    int r = rand15() % 64;
    if (silenceInstr * 64.0 < r) silenceSlice = false;
  }
  if (slicePos > sliceLength - 100.0 && !fadeOutActive) {
    playGain = 1.0f;
    fadeOutActive = true;
  }
  if (scramblerReverse == 0.0f)
    playPos = (int)(sliceIndex * sliceLength + slicePos);
  else
    playPos = (int)((sliceIndex + 1) * sliceLength - slicePos);
  playPos += offsetSamples;
  if (playPos <= 0) playPos = 0;
  if (barLength <= playPos) playPos = 0;
}

void ReferenceChain::process(const VstTimeInfo& time, float** inputs, float** outputs, int frames) {
  float* in[2] = {inputs[0], inputs[1]};
  float* out[2] = {outputs[0], outputs[1]};
  previousBarPhase = barPhase;
  t = &time;
  hostSampleRate = (int)t->sampleRate;
  blockBeatDivisions = beatDivisions;
  attackCoef = (float)std::exp(std::log(0.01) / (envTimeAMs * t->sampleRate * 0.001));
  releaseCoef = (float)std::exp(std::log(0.01) / (envTimeBMs * t->sampleRate * 0.001));
  int n = (int)(t->ppqPos / t->timeSigNumerator);
  barPhase = (float)(t->ppqPos - n * t->timeSigNumerator);
  beatsPerSecond = t->tempo / 60.0;
  int k = (int)(scramblerOffset * 32.0);
  offsetSamples = (int)((k - 16) * (t->sampleRate / beatsPerSecond) / 32.0);
  if (barPhase != previousBarPhase) barPos = (int)(barPhase * t->sampleRate / beatsPerSecond);
  if (barPos == 0) recordPos = 0;
  advance();
  const double barLength = t->timeSigNumerator * t->sampleRate / beatsPerSecond;

  for (int i = 0; i < frames; i++) {
    if (processingHold == 1.0f) continue;
    float dry[2] = {in[0][i], in[1][i]};
    modValue = 0.5f;
    if (modType > 0.2 && modType <= 0.8) modValue = lfo();
    float crushed[2] = {dry[0], dry[1]};
    crush(&crushed[0]);
    crush(&crushed[1]);
    lfoSampleCounter++;
    if (modType > 0.8) modValue = envelope(dry[0]);
    in[0][i] = crushed[0];
    in[1][i] = crushed[1];

    float target = (float)(modValue - 0.5 + freq);
    if (target >= 1.0)
      target = 1.0f;
    else if (target < 0.000001)
      target = 0.0f;
    if (cutoffState < target)
      cutoffState = (float)(((double)cutoffState - target) * attackCoef + target);
    else
      cutoffState = (float)(((double)cutoffState - target) * releaseCoef + target);
    if (cutoffState >= 1.0)
      cutoffState = 1.0f;
    else if (cutoffState <= 0.000001)
      cutoffState = 0.0f;

    if (randBeatDivisions != 1) filterType = randomFilterType;
    for (int ch = 0; ch < 2; ch++) {
      float* states[5] = {&ladderIn[ch], &ladder1[ch], &ladder2[ch], &ladder3[ch], &ladder4[ch]};
      for (float* s : states)
        if (std::fabs(*s) < 0.000001) *s = 0.0f;
    }
    ladder(0, in[0][i], &out[0][i]);
    ladder(1, in[1][i], &out[1][i]);
    if (silenceSlice) out[0][i] = out[1][i] = 0.0f;

    double w = dryWetMix;
    std::vector<float>* buffer[2] = {&bufferL, &bufferR};
    for (int ch = 0; ch < 2; ch++) {
      double rec = 0;
      if (scramblerDry == 1.0f) rec += w * dry[ch];
      if (scramblerWet == 1.0f) rec += (1 - w) * out[ch][i];
      (*buffer[ch])[recordPos] = (float)rec;
    }
    if (fadeInActive) {
      playGain = (float)(playGain + 0.01);
      if (playGain > 1.0) {
        playGain = 1.0f;
        fadeInActive = false;
      }
    }
    if (fadeOutActive) {
      playGain = (float)(playGain - 0.01);
      if (playGain < 0.0) {
        playGain = 0.0f;
        fadeOutActive = false;
      }
    }
    for (int ch = 0; ch < 2; ch++) {
      double play = (double)(*buffer[ch])[playPos] * playGain;
      double F = out[ch][i], X = dry[ch];
      if (scramblerDry == 0.0f && scramblerWet == 0.0f)
        out[ch][i] = (float)((1 - w) * F + w * X);
      else if (scramblerDry == 1.0f && scramblerWet == 0.0f)
        out[ch][i] = (float)((1 - w) * F + w * play);
      else if (scramblerDry == 0.0f && scramblerWet == 1.0f)
        out[ch][i] = (float)((1 - w) * play + w * X);
      else if (scramblerDry == 1.0f && scramblerWet == 1.0f)
        out[ch][i] = (float)play;
    }
    recordPos++;
    barPos++;
    if (barLength <= barPos) {
      recordPos = 0;
      barPos = 0;
    }
    advance();
    out[0][i] = (float)(out[0][i] * (volume * 2.0));
    out[1][i] = (float)(out[1][i] * (volume * 2.0));
  }
}
