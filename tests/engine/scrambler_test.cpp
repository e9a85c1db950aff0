// The beat scrambler's positions, draws, fades and routing, worked by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/dsp/beat_scrambler.h"

using namespace zarnith;

namespace {

// 4/4 at 120 BPM and 44.1 kHz: a bar of 88200 samples.
ScramblerTime bar(uint32_t divisions, int32_t offset = 0) {
  ScramblerTime t;
  t.numerator = 4;
  t.sampleRate = 44100.0;
  t.beatsPerSecond = 2.0;
  t.barLength = 88200.0;
  t.beatDivisions = divisions;
  t.sliceLength = scramblerSliceLength(t);
  t.offsetSamples = offset;
  return t;
}

// A random source that replays given numbers and records how many were drawn.
struct Draws {
  std::vector<int> values;
  size_t next = 0;
  int operator()() { return values.at(next++ % values.size()); }
};

struct Lamps {
  std::vector<int> lit;
  void operator()(int k) { lit.push_back(k); }
};

ScramblerSettings settings(uint32_t randDivisions = 1, float reverse = 0.0f, float silence = 0.0f) {
  return ScramblerSettings{randDivisions, reverse, silence};
}

}  // namespace

TEST(BeatScrambler, SliceLengthsOfTheBar) {
  EXPECT_EQ(bar(1).sliceLength, 88200);
  EXPECT_EQ(bar(4).sliceLength, 22050);
  EXPECT_EQ(bar(64).sliceLength, 1378);  // 1378.125: 8 positions are left at the end
  EXPECT_EQ(scramblerFilterTypePeriod(bar(1), 8), 11025u);
  // D = 0 (a negative "BEAT") must not fault: the length saturates.
  EXPECT_EQ(bar(0).sliceLength, INT32_MAX);
}

TEST(BeatScrambler, SliceStartDrawsIndexAndSilenceInOrder) {
  BeatScrambler s;
  Draws rnd{{6, 63}};  // slice 6 % 4 = 2; silence draw 63
  Lamps lamps;
  scramblerAdvance(s, bar(4), settings(), rnd, lamps);
  EXPECT_EQ(rnd.next, 2u);
  EXPECT_EQ(s.sliceIndex, 2u);
  EXPECT_EQ(s.playGain, 0.0f);
  EXPECT_TRUE(s.fadeInActive);
  EXPECT_FALSE(s.silenceSlice);  // 0 x 64 < 63
  EXPECT_EQ(s.playPos, 2 * 22050);
  EXPECT_TRUE(lamps.lit.empty());

  // Inside a slice no draw happens.
  s.recordPos = 100;
  scramblerAdvance(s, bar(4), settings(), rnd, lamps);
  EXPECT_EQ(rnd.next, 2u);
  EXPECT_EQ(s.playPos, 2 * 22050 + 100);
}

TEST(BeatScrambler, SilenceDrawAgainstSilenceInstr) {
  for (int r : {0, 1, 32, 63}) {
    BeatScrambler s;
    Draws none{{0, r}};
    Lamps lamps;
    scramblerAdvance(s, bar(4), settings(1, 0.0f, 0.0f), none, lamps);
    EXPECT_EQ(s.silenceSlice, r == 0) << r;  // "Silence Instr" 0 still silences on r = 0
    BeatScrambler all;
    Draws same{{0, r}};
    scramblerAdvance(all, bar(4), settings(1, 0.0f, 1.0f), same, lamps);
    EXPECT_TRUE(all.silenceSlice) << r;  // 1.0: every slice
    BeatScrambler half;
    Draws again{{0, r}};
    scramblerAdvance(half, bar(4), settings(1, 0.0f, 0.5f), again, lamps);
    EXPECT_EQ(half.silenceSlice, r <= 32) << r;
  }
}

TEST(BeatScrambler, FilterTypeDrawComesFirstAndLightsOneLamp) {
  BeatScrambler s;
  Draws rnd{{5, 7, 40}};  // filter type 5 % 3 = 2, then slice 7 % 8 = 7, then silence
  Lamps lamps;
  scramblerAdvance(s, bar(8), settings(2), rnd, lamps);
  EXPECT_EQ(rnd.next, 3u);
  EXPECT_EQ(s.randomFilterType, static_cast<float>(2 / 3.0));
  ASSERT_EQ(lamps.lit.size(), 1u);
  EXPECT_EQ(lamps.lit[0], 2);
  EXPECT_EQ(s.sliceIndex, 7u);
  // Next period start of 2 divisions: 44100. The 8-slice grid also starts a slice there.
  s.recordPos = 44100;
  Draws more{{4, 3, 63}};
  scramblerAdvance(s, bar(8), settings(2), more, lamps);
  EXPECT_EQ(s.randomFilterType, static_cast<float>(1 / 3.0));
  EXPECT_EQ(s.sliceIndex, 3u);
  // Rand Beat divisions 1: never a filter-type draw.
  BeatScrambler off;
  Draws one{{1, 1}};
  scramblerAdvance(off, bar(1), settings(1), one, lamps);
  EXPECT_EQ(one.next, 0u);
}

TEST(BeatScrambler, SixtyFourSlicesLeaveAShortLastSlice) {
  BeatScrambler s;
  Draws rnd{{0, 63}};
  Lamps lamps;
  s.recordPos = 64 * 1378;  // 88192, 8 positions before the bar end
  scramblerAdvance(s, bar(64), settings(), rnd, lamps);
  EXPECT_EQ(rnd.next, 2u);  // an extra slice start with its own draws
  EXPECT_TRUE(s.fadeInActive);
  // Its 8 positions lie before the fade-out window of a full slice.
  EXPECT_FALSE(s.fadeOutActive);
  s.recordPos = 88199;
  scramblerAdvance(s, bar(64), settings(), rnd, lamps);
  EXPECT_EQ(s.slicePos, 88199 % 1378);
  s.recordPos = 88200;  // past the bar: back to 0
  scramblerAdvance(s, bar(64), settings(), rnd, lamps);
  EXPECT_EQ(s.recordPos, 0);
}

TEST(BeatScrambler, ForwardAndBackwardPlayPositions) {
  Lamps lamps;
  {
    BeatScrambler s;
    Draws rnd{{2, 63}};
    scramblerAdvance(s, bar(4), settings(1, 0.0f), rnd, lamps);
    EXPECT_EQ(s.playPos, 2 * 22050);
  }
  {
    BeatScrambler s;
    Draws rnd{{2, 63}};
    scramblerAdvance(s, bar(4), settings(1, 0.25f), rnd, lamps);
    EXPECT_EQ(s.playPos, 3 * 22050);  // backwards starts one past the slice end
    s.recordPos = 10;
    scramblerAdvance(s, bar(4), settings(1, 0.25f), rnd, lamps);
    EXPECT_EQ(s.playPos, 3 * 22050 - 10);
  }
  {
    BeatScrambler s;
    Draws rnd{{3, 63}};
    scramblerAdvance(s, bar(4), settings(1, 1.0f), rnd, lamps);
    EXPECT_EQ(s.playPos, 0);  // 4 x 22050 reaches the bar length
  }
}

TEST(BeatScrambler, OffsetShiftsAndClampsThePlayPosition) {
  Lamps lamps;
  const int32_t halfBeat = 11025;  // (0 - 16) x 22050 / 32
  BeatScrambler s;
  Draws rnd{{0, 63}};
  scramblerAdvance(s, bar(4, -halfBeat), settings(), rnd, lamps);
  EXPECT_EQ(s.playPos, 0);  // before the bar start: held at 0
  s.recordPos = 20000;
  scramblerAdvance(s, bar(4, -halfBeat), settings(), rnd, lamps);
  EXPECT_EQ(s.playPos, 20000 - halfBeat);
  s.sliceIndex = 3;
  s.recordPos = 20000;
  scramblerAdvance(s, bar(4, halfBeat), settings(), rnd, lamps);
  EXPECT_EQ(s.playPos, 0);  // 66150 + 20000 + 11025 is past the bar: position 0, not wrapped
}

TEST(BeatScrambler, FadeOutStartsInTheLastNinetyNinePositions) {
  Lamps lamps;
  Draws rnd{{0, 63}};
  BeatScrambler s;
  s.recordPos = 22050 - 100;  // slicePos 21950 is not above 21950
  scramblerAdvance(s, bar(4), settings(), rnd, lamps);
  EXPECT_FALSE(s.fadeOutActive);
  s.recordPos = 22050 - 99;
  scramblerAdvance(s, bar(4), settings(), rnd, lamps);
  EXPECT_TRUE(s.fadeOutActive);
  EXPECT_EQ(s.playGain, 1.0f);
}

TEST(BeatScrambler, ZeroSliceOrPeriodLengthSkipsTheDraws) {
  ScramblerTime t = bar(64);
  t.sampleRate = 10.0;  // a bar of 20 samples: shorter than 64 slices
  t.barLength = 20.0;
  t.sliceLength = scramblerSliceLength(t);
  ASSERT_EQ(t.sliceLength, 0);
  BeatScrambler s;
  Draws rnd{{1, 1, 1}};
  Lamps lamps;
  for (int i = 0; i < 40; i++) {
    s.recordPos = i;
    scramblerAdvance(s, t, settings(64), rnd, lamps);
    EXPECT_GE(s.playPos, 0);
    EXPECT_LT(s.playPos, 20);
  }
  EXPECT_EQ(rnd.next, 0u);
  EXPECT_TRUE(lamps.lit.empty());
  // D = 0 draws nothing either (no modulo by zero).
  BeatScrambler z;
  scramblerAdvance(z, bar(0), settings(), rnd, lamps);
  EXPECT_EQ(rnd.next, 0u);
}

namespace {

struct Route {
  float bufL[4] = {0.5f, 0.25f, 0, 0};
  float bufR[4] = {-0.5f, 0.125f, 0, 0};
  BeatScrambler s;
  float outL = 0.75f;  // F
  float outR = -0.25f;
  Route(int recordPos, int playPos) {
    s.recordPos = recordPos;
    s.playPos = playPos;
  }
  void run(float dry, float wet, float mix = 0.25f) {
    scramblerRecordAndRoute(s, bufL, bufR, 0.5f, 1.0f, outL, outR, dry, wet, mix);
  }
};

}  // namespace

TEST(BeatScramblerRouting, TheFourSwitchPairsAndTheRest) {
  // X = (0.5, 1.0), F = (0.75, -0.25), w = 0.25, play = buffer[1] = (0.25, 0.125), gain 1.
  {
    Route r(2, 1);
    r.run(0.0f, 0.0f);
    EXPECT_EQ(r.outL, 0.75f * 0.75f + 0.25f * 0.5f);  // (1 - w) F + w X
    EXPECT_EQ(r.outR, 0.75f * -0.25f + 0.25f * 1.0f);
    EXPECT_EQ(r.bufL[2], 0.0f);  // nothing recorded
  }
  {
    Route r(2, 1);
    r.run(1.0f, 0.0f);
    EXPECT_EQ(r.outL, 0.75f * 0.75f + 0.25f * 0.25f);  // (1 - w) F + w play
    EXPECT_EQ(r.bufL[2], 0.25f * 0.5f);                // w X recorded
    EXPECT_EQ(r.bufR[2], 0.25f * 1.0f);
  }
  {
    Route r(2, 1);
    r.run(0.0f, 1.0f);
    EXPECT_EQ(r.outL, 0.75f * 0.25f + 0.25f * 0.5f);  // (1 - w) play + w X
    EXPECT_EQ(r.outR, 0.75f * 0.125f + 0.25f * 1.0f);
    EXPECT_EQ(r.bufL[2], 0.75f * 0.75f);  // (1 - w) F recorded
  }
  {
    Route r(2, 1);
    r.run(1.0f, 1.0f);
    EXPECT_EQ(r.outL, 0.25f);
    EXPECT_EQ(r.outR, 0.125f);
    EXPECT_EQ(r.bufL[2], 0.25f * 0.5f + 0.75f * 0.75f);
  }
  {
    Route r(2, 1);
    r.run(0.5f, 1.0f);  // any other pair: F unchanged, but the wet share is recorded
    EXPECT_EQ(r.outL, 0.75f);
    EXPECT_EQ(r.outR, -0.25f);
    EXPECT_EQ(r.bufL[2], 0.75f * 0.75f);
  }
}

TEST(BeatScramblerRouting, PlayingTheOwnPositionPlaysTheFreshRecording) {
  Route r(1, 1);
  r.s.playGain = 0.5f;
  r.run(1.0f, 1.0f);
  const float rec = 0.25f * 0.5f + 0.75f * 0.75f;  // w X + (1 - w) F = 0.6875
  EXPECT_EQ(r.bufL[1], rec);
  EXPECT_EQ(r.outL, rec * 0.5f);
}

TEST(BeatScramblerRouting, FadeInTakesOneHundredAndOneFramesInDoubleSteps) {
  Route r(3, 0);
  r.s.playGain = 0.0f;
  r.s.fadeInActive = true;
  float expect = 0.0f;
  int frames = 0;
  while (r.s.fadeInActive && frames < 1000) {
    r.run(1.0f, 1.0f);
    frames++;
    expect = static_cast<float>(static_cast<double>(expect) + 0.01);
    if (expect > 1.0f) expect = 1.0f;
    EXPECT_EQ(r.s.playGain, expect) << frames;
  }
  EXPECT_EQ(frames, 101);
  EXPECT_EQ(r.s.playGain, 1.0f);
}

TEST(BeatScramblerRouting, FadeOutOverlappingAFadeInEndsAtZero) {
  Route r(3, 0);
  r.s.playGain = 0.0f;  // a slice start during a running fade-out
  r.s.fadeInActive = true;
  r.s.fadeOutActive = true;
  r.run(1.0f, 1.0f);
  // 0 + 0.01 gives 0.01f, just below 0.01; minus the double 0.01 is negative: 0.
  EXPECT_EQ(r.s.playGain, 0.0f);
  EXPECT_FALSE(r.s.fadeOutActive);
  EXPECT_TRUE(r.s.fadeInActive);
  r.run(1.0f, 1.0f);
  EXPECT_EQ(r.s.playGain, 0.01f);
  // From 1.0 the fade-out needs 101 frames to drop below 0.
  Route d(3, 0);
  d.s.playGain = 1.0f;
  d.s.fadeOutActive = true;
  int frames = 0;
  while (d.s.fadeOutActive && frames < 1000) {
    d.run(1.0f, 1.0f);
    frames++;
  }
  EXPECT_EQ(frames, 101);
  EXPECT_EQ(d.s.playGain, 0.0f);
}

// The block check reads four samples at a time and the rest one by one: a NaN
// or infinity at any position of any length is found, and large finite values
// (the largest float, the smallest denormal, signed zeros) are not.
TEST(BeatScramblerRecord, BrokenSampleFoundAtEveryPosition) {
  const float broken[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()};
  const float finite[] = {std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                          std::numeric_limits<float>::denorm_min(), -0.0f, 0.0f};
  for (int count = 0; count <= 11; count++) {
    std::vector<float> samples(static_cast<size_t>(count) + 1, 0.25f);
    for (int k = 0; k < count; k++) samples[k] = finite[k % 5];
    samples[count] = broken[0];  // just beyond the block: never read
    EXPECT_FALSE(anyNonFinite(samples.data(), count)) << count;
    for (int at = 0; at < count; at++) {
      for (float bad : broken) {
        std::vector<float> withBad = samples;
        withBad[at] = bad;
        EXPECT_TRUE(anyNonFinite(withBad.data(), count)) << count << " at " << at;
      }
    }
  }
}
