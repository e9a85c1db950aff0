#include "demo_loop.h"

#include <cmath>
#include <cstdint>

namespace {

const double kPi = 3.14159265358979323846;

// A small deterministic noise source, so every render of the loop is the same.
struct Noise {
  uint32_t state = 0x1234567u;
  double next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

void addKick(std::vector<double>& mono, double sampleRate, size_t start) {
  const size_t length = static_cast<size_t>(0.35 * sampleRate);
  double phase = 0.0;
  for (size_t i = 0; i < length && start + i < mono.size(); i++) {
    const double t = i / sampleRate;
    const double frequency = 45.0 + 110.0 * std::exp(-t * 30.0);  // the pitch drops quickly
    phase += 2.0 * kPi * frequency / sampleRate;
    mono[start + i] += 0.9 * std::sin(phase) * std::exp(-t * 9.0);
  }
}

void addSnare(std::vector<double>& mono, double sampleRate, size_t start, Noise& noise) {
  const size_t length = static_cast<size_t>(0.25 * sampleRate);
  double low = 0.0;
  for (size_t i = 0; i < length && start + i < mono.size(); i++) {
    const double t = i / sampleRate;
    const double white = noise.next();
    low += 0.3 * (white - low);
    const double body = std::sin(2.0 * kPi * 190.0 * t) * std::exp(-t * 25.0);
    mono[start + i] += 0.45 * (white - 0.5 * low) * std::exp(-t * 14.0) + 0.35 * body;
  }
}

void addHat(std::vector<double>& mono, double sampleRate, size_t start, double level, Noise& noise) {
  const size_t length = static_cast<size_t>(0.05 * sampleRate);
  double previous = 0.0;
  for (size_t i = 0; i < length && start + i < mono.size(); i++) {
    const double white = noise.next();
    const double high = white - previous;  // a first difference keeps the hiss
    previous = white;
    mono[start + i] += level * high * std::exp(-(i / sampleRate) * 70.0);
  }
}

// A saw bass through a one-pole low-pass, one note per eighth of the pattern.
void addBass(std::vector<double>& mono, double sampleRate, double beatFrames, int beats) {
  static const int kNotes[16] = {36, 0, 36, 39, 0, 36, 43, 0, 41, 0, 41, 39, 0, 34, 36, 0};
  double phase = 0.0, smoothed = 0.0;
  const size_t eighth = static_cast<size_t>(beatFrames / 2.0);
  for (size_t i = 0; i < mono.size(); i++) {
    const size_t step = i / eighth;
    const int note = kNotes[step % 16];
    const double inStep = static_cast<double>(i - step * eighth) / eighth;
    double value = 0.0;
    if (note != 0 && static_cast<int>(step) < beats * 2) {
      const double frequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
      phase += frequency / sampleRate;
      phase -= std::floor(phase);
      value = (2.0 * phase - 1.0) * (inStep < 0.85 ? 1.0 : (1.0 - inStep) / 0.15);
    }
    smoothed += 0.08 * (value - smoothed);
    mono[i] += 0.35 * smoothed;
  }
}

}  // namespace

std::vector<float> makeDemoLoop(double sampleRate, double tempo, int bars, int beatsPerBar) {
  if (!(sampleRate > 0.0) || !(tempo > 0.0) || bars <= 0 || beatsPerBar <= 0) return {};
  const double beatFrames = sampleRate * 60.0 / tempo;
  const int beats = bars * beatsPerBar;
  const size_t frames = static_cast<size_t>(beatFrames * beats);
  std::vector<double> drums(frames, 0.0), hats(frames, 0.0), bass(frames, 0.0);
  Noise noise;
  // The two-step pattern: kick on 1 and the "and" of 3, snare on 2 and 4, hats on eighths.
  for (int beat = 0; beat < beats; beat++) {
    const size_t at = static_cast<size_t>(beat * beatFrames);
    const int inBar = beat % beatsPerBar;
    if (inBar == 0) addKick(drums, sampleRate, at);
    if (inBar == 2) addKick(drums, sampleRate, static_cast<size_t>((beat + 0.5) * beatFrames));
    if (inBar % 2 == 1) addSnare(drums, sampleRate, at, noise);
    addHat(hats, sampleRate, at, 0.18, noise);
    addHat(hats, sampleRate, static_cast<size_t>((beat + 0.5) * beatFrames), 0.28, noise);
  }
  addBass(bass, sampleRate, beatFrames, beats);
  std::vector<float> stereo(frames * 2);
  for (size_t i = 0; i < frames; i++) {
    // Hats lean right and bass a little left, so the two channels differ.
    const double left = drums[i] + 0.8 * hats[i] + 1.1 * bass[i];
    const double right = drums[i] + 1.2 * hats[i] + 0.9 * bass[i];
    stereo[2 * i] = static_cast<float>(std::tanh(left) * 0.9);
    stereo[2 * i + 1] = static_cast<float>(std::tanh(right) * 0.9);
  }
  return stereo;
}
