// The display helpers of the effect base: fixed-width decimals, decibels, integers.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "host/audioeffect.h"

namespace {

std::string floatText(float value, VstInt32 maxLen = kVstMaxParamStrLen) {
  char text[32];
  std::memset(text, '#', sizeof(text));
  AudioEffect::float2string(value, text, maxLen);
  EXPECT_EQ(text[maxLen + 1], '#') << "wrote past the terminator for " << value;
  return text;
}

std::string intText(VstInt32 value, VstInt32 maxLen = kVstMaxParamStrLen) {
  char text[32];
  std::memset(text, '#', sizeof(text));
  AudioEffect::int2string(value, text, maxLen);
  EXPECT_EQ(text[maxLen + 1], '#');
  return text;
}

std::string dBText(float value) {
  char text[32];
  AudioEffect::dB2string(value, text, kVstMaxParamStrLen);
  return text;
}

TEST(Float2String, EightCharactersWithDigitsCutNotRounded) {
  EXPECT_EQ(floatText(0.4f), "0.400000");
  EXPECT_EQ(floatText(1.0f), "1.000000");
  EXPECT_EQ(floatText(0.7f), "0.699999");
  EXPECT_EQ(floatText(0.285f), "0.284999");
  EXPECT_EQ(floatText(0.0f), "0.000000");
  EXPECT_EQ(floatText(-0.5f), "-0.50000");
  EXPECT_EQ(floatText(123.456f), "123.4560");  // 123.45600128...
  EXPECT_EQ(floatText(-20.0f), "-20.0000");
  EXPECT_EQ(floatText(0.999999f), "0.999998");  // 0.99999898672...
  EXPECT_EQ(floatText(1234567.0f), "1234567.");
  EXPECT_EQ(floatText(-123456.0f), "-123456.");
}

TEST(Float2String, MagnitudesThatDoNotFitAndOddValues) {
  EXPECT_EQ(floatText(1e7f), "Huge!");
  EXPECT_EQ(floatText(-1e6f), "-Huge!");
  EXPECT_EQ(floatText(std::numeric_limits<float>::infinity()), "Huge!");
  EXPECT_EQ(floatText(std::numeric_limits<float>::quiet_NaN()), "NaN");
  EXPECT_EQ(floatText(1e-30f), "0.000000");
}

TEST(Float2String, ShortLimitsCutTheText) {
  EXPECT_EQ(floatText(0.4f, 4), "0.40");
  EXPECT_EQ(floatText(0.4f, 0), "");
  EXPECT_EQ(intText(123456, 3), "123");
}

TEST(Int2String, DigitsSignAndHuge) {
  EXPECT_EQ(intText(0), "0");
  EXPECT_EQ(intText(20000), "20000");
  EXPECT_EQ(intText(-42), "-42");
  EXPECT_EQ(intText(99999999), "99999999");
  EXPECT_EQ(intText(100000000), "Huge!");
  EXPECT_EQ(intText(2147483647), "Huge!");
  EXPECT_EQ(intText(-9999999), "-9999999");
  EXPECT_EQ(intText(-10000000), "-Huge!");
  EXPECT_EQ(intText(-2147483647 - 1), "-Huge!");
}

TEST(DB2String, SilenceAndLevels) {
  EXPECT_EQ(dBText(0.0f), "-oo");
  EXPECT_EQ(dBText(-0.0f), "-oo");
  EXPECT_EQ(dBText(-1.0f), "-oo");
  EXPECT_EQ(dBText(1.0f), "0.000000");
  EXPECT_EQ(dBText(10.0f), "20.00000");
  EXPECT_EQ(dBText(0.1f), "-20.0000");  // 0.1f lies just above 0.1: -19.99999...
}

}  // namespace
