// What the filter does to sine waves, independent of any stored checksum: each
// response passes and stops the bands it should, and resonance lifts the cutoff.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/dsp/ladder_filter.h"

namespace {

const double kRate = 44100.0;
const float kCutoff = 0.1f;            // about a tenth of the way to half the rate
const double kCutoffHz = 0.1 * 22050;  // the matching frequency

const float kLowPass = 0.0f;
const float kBandPass = 0.5f;
const float kHighPass = 1.0f;

// Gain of the filter at one frequency: output over input RMS once it has settled.
double gainAt(double hertz, float filterType, float q = 0.0f) {
  zarnith::LadderChannel left, right;
  double in = 0.0, out = 0.0;
  const int settle = 8820, measure = 44100;
  for (int i = 0; i < settle + measure; i++) {
    const float x = static_cast<float>(0.1 * std::sin(2.0 * 3.141592653589793 * hertz * i / kRate));
    float yL = 0.0f, yR = 0.0f;
    zarnith::runLadderFilter(left, right, kCutoff, q, filterType, &x, &x, &yL, &yR);
    if (i >= settle) {
      in += static_cast<double>(x) * x;
      out += static_cast<double>(yL) * yL;
    }
  }
  return std::sqrt(out / in);
}

}  // namespace

TEST(FilterResponse, EachTypePassesItsBandAndStopsTheOthers) {
  const double below = kCutoffHz / 20, above = kCutoffHz * 6;
  // Low-pass, four poles: the band below passes, the band above is far down.
  EXPECT_GT(gainAt(kCutoffHz / 8, kLowPass), 0.7);
  EXPECT_LT(gainAt(above, kLowPass), 0.02);
  // High-pass (the input less the low-pass, so a gentler slope): the mirror image.
  EXPECT_GT(gainAt(above, kHighPass), 0.7);
  EXPECT_LT(gainAt(below, kHighPass), 0.2);
  // Band-pass: the cutoff passes best, both sides are down.
  const double centre = gainAt(kCutoffHz, kBandPass);
  EXPECT_LT(gainAt(below, kBandPass), centre / 4);
  EXPECT_LT(gainAt(above, kBandPass), centre / 4);
}

TEST(FilterResponse, ResonanceRaisesTheLevelAtTheCutoff) {
  const double flat = gainAt(kCutoffHz, kLowPass, 0.0f);
  const double resonant = gainAt(kCutoffHz, kLowPass, 0.8f);
  EXPECT_GT(resonant, 2.0 * flat);
  // Three octaves below, the peak does not reach: the level stays below the peak's.
  EXPECT_LT(gainAt(kCutoffHz / 8, kLowPass, 0.8f), resonant / 2);
}
