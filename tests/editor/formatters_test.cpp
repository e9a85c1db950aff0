// Readout texts, from the examples a musician sees on the panel, and their
// behaviour for values no effect sends (NaN, infinities, far out of range).
#include "editor/formatters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using namespace zarnith;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

std::string frequency(float v) {
  char text[kReadoutTextSize];
  formatFrequency(v, text);
  return text;
}

std::string lfoRate(float v, bool synced) {
  char text[kReadoutTextSize];
  std::atomic<uint8_t> flag(synced ? 1 : 0);
  formatLfoRate(v, text, &flag);
  return text;
}

std::string offset(float v) {
  char text[kReadoutTextSize];
  formatScrambleOffset(v, text);
  return text;
}

TEST(FrequencyReadout, ShowsWholeHertz) {
  EXPECT_EQ(frequency(0.5f * 20000), "10000 Hz");
  EXPECT_EQ(frequency(0.0f), "0 Hz");
  EXPECT_EQ(frequency(20000.0f), "20000 Hz");
  EXPECT_EQ(frequency(440.99f), "440 Hz");  // cut, not rounded
  // Freq 0.48 (the first factory program) times 20000 rounds to 9600 as a float.
  EXPECT_EQ(frequency(0.48f * 20000), "9600 Hz");
}

TEST(FrequencyReadout, AnyFloatGivesABoundedText) {
  EXPECT_EQ(frequency(kNaN), "0 Hz");
  EXPECT_EQ(frequency(kInf), "2147483647 Hz");
  EXPECT_EQ(frequency(-kInf), "-2147483648 Hz");
  EXPECT_EQ(frequency(-3.7f), "-3 Hz");
}

TEST(LfoRateReadout, FreeRunningShowsHertzWithThreeDecimals) {
  EXPECT_EQ(lfoRate(0.5f * 10.0f, false), "5.000 Hz");      // rate 0.5, multiplier x 10
  EXPECT_EQ(lfoRate(1.0f * 1.001f, false), "1.001 Hz");     // rate 1.0, multiplier x 1
  EXPECT_EQ(lfoRate(0.125f * 100.0f, false), "12.500 Hz");  // multiplier x 100
  EXPECT_EQ(lfoRate(0.0f, false), "0.000 Hz");
}

TEST(LfoRateReadout, SyncedShowsTheStepName) {
  // Step k of 16 is the value k / 16; names from the panel's rate table.
  const char* expected[17] = {"0",           "1/1",         "1/2",         "3 per beat",  "1/4",
                              "5 per beat",  "6 per beat",  "7 per beat",  "1/8",         "9 per beat",
                              "10 per beat", "11 per beat", "12 per beat", "13 per beat", "14 per beat",
                              "15 per beat", "1/16"};
  for (int k = 0; k <= 16; ++k) EXPECT_EQ(lfoRate(k / 16.0f, true), expected[k]) << "step " << k;
  EXPECT_EQ(lfoRate(0.2f, true), "3 per beat");  // 3.2 steps, truncated
  EXPECT_EQ(lfoRate(0.0624f, true), "0");
}

TEST(LfoRateReadout, SyncedNeverLeavesTheNameTable) {
  EXPECT_EQ(lfoRate(kNaN, true), "0");
  EXPECT_EQ(lfoRate(-0.5f, true), "0");
  EXPECT_EQ(lfoRate(-kInf, true), "0");
  EXPECT_EQ(lfoRate(1.07f, true), "1/16");
  EXPECT_EQ(lfoRate(16.0f, true), "1/16");  // 256 steps: past a byte's range
  EXPECT_EQ(lfoRate(kInf, true), "1/16");
  EXPECT_EQ(lfoRate(3.4e38f, true), "1/16");
}

TEST(LfoRateReadout, FreeRunningExtremesStayInsideTheBuffer) {
  EXPECT_EQ(lfoRate(kNaN, false).substr(lfoRate(kNaN, false).size() - 3), " Hz");
  std::string huge = lfoRate(3.4e38f, false);
  EXPECT_LT(huge.size(), static_cast<size_t>(kReadoutTextSize));
  EXPECT_EQ(huge.substr(huge.size() - 7), ".000 Hz");
}

TEST(LfoRateReadout, EachEditorsFlagDecides) {
  char a[kReadoutTextSize], b[kReadoutTextSize];
  std::atomic<uint8_t> syncedEditor(1), freeEditor(0);
  formatLfoRate(0.25f, a, &syncedEditor);
  formatLfoRate(0.25f, b, &freeEditor);
  EXPECT_STREQ(a, "1/4");
  EXPECT_STREQ(b, "0.250 Hz");
  formatLfoRate(0.25f, a, nullptr);  // no flag: free-running
  EXPECT_STREQ(a, "0.250 Hz");
}

TEST(ScrambleOffsetReadout, ShowsSixteenthsAroundZero) {
  EXPECT_EQ(offset(16.0f), "0");       // offset 0.5: 16 of 32 steps
  EXPECT_EQ(offset(0.0f), "-16/16");   // offset 0.0
  EXPECT_EQ(offset(32.0f), "+16/16");  // offset 1.0
  EXPECT_EQ(offset(17.0f), "+1/16");   // offset 17/32
  EXPECT_EQ(offset(15.0f), "-1/16");
  EXPECT_EQ(offset(16.9f), "0");  // 0.9 truncates toward zero
  EXPECT_EQ(offset(15.1f), "0");
}

TEST(ScrambleOffsetReadout, AnyFloatGivesABoundedText) {
  EXPECT_EQ(offset(kNaN), "0");
  EXPECT_EQ(offset(kInf), "+32767/16");
  EXPECT_EQ(offset(-kInf), "-32768/16");
  EXPECT_EQ(offset(1e9f), "+32767/16");
}

TEST(Narrowing, TruncatesTowardZeroAndSaturates) {
  EXPECT_EQ(truncToUint8(1.0), 1);
  EXPECT_EQ(truncToUint8(0.999), 0);
  EXPECT_EQ(truncToUint8(-0.7), 0);
  EXPECT_EQ(truncToUint8(-5.0), 0);
  EXPECT_EQ(truncToUint8(300.0), 255);
  EXPECT_EQ(truncToUint8(std::nan("")), 0);
  EXPECT_EQ(truncToUint16(0.61f * 6.0), 3);  // BEAT 0.61 snaps to step 3
  EXPECT_EQ(truncToUint16(1e12), 65535);
  EXPECT_EQ(truncToInt16(-16.5), -16);
  EXPECT_EQ(truncToInt16(-1e9), -32768);
  EXPECT_EQ(truncToInt32(static_cast<double>(kInf)), std::numeric_limits<int32_t>::max());
}

}  // namespace
