// The 43 parameters as a host sees them: values, names, labels and display texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "plugin_test_support.h"

namespace {

class Parameters : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin = loadZarnith();
    ASSERT_TRUE(plugin);
  }
  std::string display(VstInt32 index) {
    TextBuffer buffer;
    plugin->dispatch(effGetParamDisplay, index, 0, buffer.bytes);
    return buffer.text();
  }
  std::unique_ptr<LoadedPlugin> plugin;
};

const char* const kNames[43] = {"Freq",
                                "Q",
                                "Sens",
                                nullptr,
                                "Bit Crusher",
                                "Mod Type",
                                "Filter Type",
                                "Sync on/off",
                                "LFO Rate Mult.",
                                "BEAT",
                                "Env Reverse",
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr,
                                "LFO Depth",
                                "LFO Rate",
                                nullptr,
                                "Env Depth",
                                nullptr,
                                nullptr,
                                nullptr,
                                "Scrambler Dry",
                                "Scrambler Wet",
                                "Dry/Wet Mix",
                                "Volume",
                                nullptr,
                                "LFO Type",
                                "LFO Offset",
                                "Silence Instr",
                                "Scrambler Offset",
                                "Scrambler Reverse",
                                "Rand Beat F Type",
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr};

TEST_F(Parameters, NamesAreWholeAndNamelessIndicesLeaveTheBufferAlone) {
  for (VstInt32 i = -3; i < 46; i++) {
    TextBuffer buffer;
    plugin->dispatch(effGetParamName, i, 0, buffer.bytes);
    const char* expected = i >= 0 && i < 43 ? kNames[i] : nullptr;
    if (expected) {
      EXPECT_EQ(buffer.text(), expected) << "index " << i;
      EXPECT_EQ(buffer.bytesWritten(), std::strlen(expected) + 1) << "index " << i;
    } else {
      EXPECT_TRUE(buffer.untouched()) << "index " << i;
    }
  }
}

TEST_F(Parameters, LabelsOnlyForFreqQFilterTypeAndLevel) {
  for (VstInt32 i = -3; i < 46; i++) {
    TextBuffer buffer;
    plugin->dispatch(effGetParamLabel, i, 0, buffer.bytes);
    switch (i) {
      case 0:
        EXPECT_EQ(buffer.text(), "Hz");
        break;
      case 1:
        EXPECT_EQ(buffer.text(), "factor");
        break;
      case 6:
        EXPECT_EQ(buffer.text(), "");
        EXPECT_EQ(buffer.bytesWritten(), 1u);
        break;
      case 13:
        EXPECT_EQ(buffer.text(), "dB");
        break;
      default:
        EXPECT_TRUE(buffer.untouched()) << "index " << i;
    }
  }
}

TEST_F(Parameters, ValuesAfterConstructionAreProgramZeroAndTheInternalDefaults) {
  const struct {
    VstInt32 index;
    float value;
  } expected[] = {{0, 0.48f}, {1, 0.285f}, {2, 0.055f}, {3, 0.48f},   {4, 0.24f},   {5, 1.0f},    {6, 0.5f},
                  {7, 0.0f},  {8, 0.0f},   {9, 0.61f},  {10, 0.0f},   {11, 0.055f}, {12, 0.055f}, {13, 0.0f},
                  {14, 0.0f}, {15, 1.0f},  {16, 1.0f},  {17, 0.125f}, {18, 0.0f},   {19, 1.0f},   {20, 0.0f},
                  {21, 0.0f}, {22, 0.0f},  {23, 0.0f},  {24, 1.0f},   {25, 0.375f}, {26, 0.5f},   {27, 0.0f},
                  {28, 0.0f}, {29, 0.0f},  {30, 0.0f},  {31, 0.5f},   {32, 0.0f},   {33, 0.0f},   {34, 0.0f},
                  {35, 0.0f}, {36, 0.0f},  {37, 0.0f},  {38, 0.0f},   {39, 0.0f},   {40, 0.0f},   {41, 0.0f},
                  {42, 0.0f}};
  for (const auto& e : expected) EXPECT_EQ(plugin->getParameter(e.index), e.value) << "index " << e.index;
}

TEST_F(Parameters, FreqAliasSensCopiesAndInternalValues) {
  plugin->setParameter(3, 0.7f);
  EXPECT_EQ(plugin->getParameter(0), 0.7f);
  EXPECT_EQ(chunkFloat(getChunk(*plugin), 4 * 6), 0.7f);

  plugin->setParameter(2, 0.3f);
  EXPECT_EQ(plugin->getParameter(2), 0.3f);
  EXPECT_EQ(plugin->getParameter(11), 0.3f);
  EXPECT_EQ(plugin->getParameter(12), 0.3f);
  plugin->setParameter(11, 0.02f);
  plugin->setParameter(12, 0.002f);
  EXPECT_EQ(plugin->getParameter(11), 0.02f);
  EXPECT_EQ(plugin->getParameter(12), 0.002f);
  EXPECT_EQ(plugin->getParameter(2), 0.3f);

  plugin->setParameter(15, 0.25f);
  EXPECT_EQ(plugin->getParameter(15), 0.25f);
  plugin->setParameter(41, 1.0f);
  EXPECT_EQ(plugin->getParameter(41), 0.0f);
  EXPECT_EQ(plugin->getParameter(42), 1.0f);
  plugin->setParameter(42, 0.5f);
  EXPECT_EQ(plugin->getParameter(42), 0.5f);
  // Indices that store nothing keep reading 0.
  for (VstInt32 i : {14, 20, 21, 22, 27, 35, 36, 37, 38, 39, 40}) {
    plugin->setParameter(i, 0.75f);
    EXPECT_EQ(plugin->getParameter(i), 0.0f) << i;
  }
}

TEST_F(Parameters, ValuesOutsideTheRangeAreStoredUnchanged) {
  for (VstInt32 i : {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 13, 16, 17, 19, 23, 24, 25, 26, 28, 29, 30, 32, 33}) {
    plugin->setParameter(i, -2.5f);
    EXPECT_EQ(plugin->getParameter(i), -2.5f) << i;
    plugin->setParameter(i, 7.0f);
    EXPECT_EQ(plugin->getParameter(i), 7.0f) << i;
  }
}

TEST_F(Parameters, ScramblerOffsetIsHeldInThirtySecondsWhileTheProgramKeepsTheValue) {
  const struct {
    float set, read;
  } cases[] = {{0.5f, 0.5f}, {0.51f, 0.5f}, {0.999f, 0.96875f},
               {1.0f, 1.0f}, {0.0f, 0.0f},  {0.03125f, 0.03125f}};
  for (const auto& c : cases) {
    plugin->setParameter(31, c.set);
    EXPECT_EQ(plugin->getParameter(31), c.read) << c.set;
    EXPECT_EQ(chunkFloat(getChunk(*plugin), 4 * 25), c.set);
  }
  // Beyond the range the offset stays at the nearest end; the program still keeps the value.
  plugin->setParameter(31, -0.5f);
  EXPECT_EQ(plugin->getParameter(31), 0.0f);
  plugin->setParameter(31, 1e30f);
  EXPECT_EQ(plugin->getParameter(31), 1.0f);
  EXPECT_EQ(chunkFloat(getChunk(*plugin), 4 * 25), 1e30f);
  plugin->setParameter(31, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(plugin->getParameter(31), 0.0f);
}

TEST_F(Parameters, IndicesOutsideTheSetChangeNothing) {
  float before[43];
  for (VstInt32 i = 0; i < 43; i++) before[i] = plugin->getParameter(i);
  for (VstInt32 index : {-1, 43, 44, 100, -100000, 0x7FFFFFFF}) {
    plugin->setParameter(index, 0.9f);
    EXPECT_EQ(plugin->getParameter(index), 0.0f) << index;
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
      TextBuffer buffer;
      plugin->dispatch(opcode, index, 0, buffer.bytes);
      EXPECT_TRUE(buffer.untouched()) << "opcode " << opcode << " index " << index;
    }
  }
  for (VstInt32 i = 0; i < 43; i++) EXPECT_EQ(plugin->getParameter(i), before[i]) << i;
}

TEST_F(Parameters, DisplayTextsOfFreqQFilterTypeAndLevel) {
  // Freq: whole hertz of 20000 x freq.
  EXPECT_EQ(display(0), "9600");
  plugin->setParameter(0, 1.0f);
  EXPECT_EQ(display(0), "20000");
  plugin->setParameter(0, 0.0f);
  EXPECT_EQ(display(0), "0");
  plugin->setParameter(0, 0.25f);
  EXPECT_EQ(display(0), "5000");

  // Q: eight characters, digits cut rather than rounded.
  EXPECT_EQ(display(1), "0.284999");
  plugin->setParameter(1, 0.5f);
  EXPECT_EQ(display(1), "0.500000");
  plugin->setParameter(1, 1.0f);
  EXPECT_EQ(display(1), "1.000000");
  plugin->setParameter(1, 0.7f);
  EXPECT_EQ(display(1), "0.699999");
  plugin->setParameter(1, 0.4f);
  EXPECT_EQ(display(1), "0.400000");
  plugin->setParameter(1, -0.5f);
  EXPECT_EQ(display(1), "-0.50000");
  plugin->setParameter(1, 12.75f);
  EXPECT_EQ(display(1), "12.75000");

  // Filter Type names the response that sounds; "Band Pass" and "High Pass" are one
  // character longer than a display may be. 0.33f and 0.66f lie just above the
  // double thresholds, so they already belong to the next range.
  plugin->setParameter(6, 0.3299f);
  EXPECT_EQ(display(6), "Low Pass");
  plugin->setParameter(6, 0.0f);
  EXPECT_EQ(display(6), "Low Pass");
  for (float v : {0.33f, 0.5f, 0.6599f}) {
    plugin->setParameter(6, v);
    EXPECT_EQ(display(6), "Band Pas") << v;
  }
  for (float v : {0.66f, 0.67f, 1.0f}) {
    plugin->setParameter(6, v);
    EXPECT_EQ(display(6), "High Pas") << v;
  }

  // Level in decibels.
  EXPECT_EQ(display(13), "-oo");
  plugin->setParameter(13, 1.0f);
  EXPECT_EQ(display(13), "0.000000");
  plugin->setParameter(13, 0.5f);  // 20 log10(0.5) = -6.0206
  EXPECT_EQ(display(13), "-6.02059");
  plugin->setParameter(13, 10.0f);
  EXPECT_EQ(display(13), "20.00000");
  plugin->setParameter(13, -1.0f);
  EXPECT_EQ(display(13), "-oo");

  // No display for the other indices.
  for (VstInt32 i = 0; i < 43; i++) {
    if (i == 0 || i == 1 || i == 6 || i == 13) continue;
    TextBuffer buffer;
    plugin->dispatch(effGetParamDisplay, i, 0, buffer.bytes);
    EXPECT_TRUE(buffer.untouched()) << i;
  }
}

TEST_F(Parameters, DisplaysNeverExceedEightCharactersWhateverTheValue) {
  const float inf = std::numeric_limits<float>::infinity();
  const float values[] = {0.0f,
                          -0.0f,
                          1e-30f,
                          -1e-30f,
                          0.999999f,
                          99.99f,
                          -99.99f,
                          1234567.0f,
                          1e7f,
                          -1e6f,
                          1e9f,
                          -1e9f,
                          1e30f,
                          -1e30f,
                          inf,
                          -inf,
                          std::numeric_limits<float>::quiet_NaN(),
                          3.4e38f,
                          -3.4e38f,
                          5000.0f,
                          -5000.0f};
  for (VstInt32 index : {0, 1, 6, 13}) {
    for (float v : values) {
      plugin->setParameter(index, v);
      TextBuffer buffer;
      plugin->dispatch(effGetParamDisplay, index, 0, buffer.bytes);
      EXPECT_LE(buffer.bytesWritten(), 9u) << "index " << index << " value " << v;
      EXPECT_GT(buffer.text().size(), 0u) << "index " << index << " value " << v;
    }
  }
  plugin->setParameter(1, 1e9f);
  EXPECT_EQ(display(1), "Huge!");
  plugin->setParameter(0, 1e9f);
  EXPECT_EQ(display(0), "Huge!");
  plugin->setParameter(0, -0.05f);
  EXPECT_EQ(display(0), "-1000");
}

TEST(Randomise, DrawsTheFixedSequenceIntoTheCurrentProgramWhateverTheValue) {
  // The first numbers of the generator from state 1 (each thread starts there):
  // 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464, 5705,
  // 28145, 23281, 16827, 9961, 491, 2995, 11942, 4827, 5436, 32391.
  const struct {
    VstInt32 index;
    float value;
  } expected[] = {
      {29, 41 / 256.0f},
      {28, 35 / 256.0f},
      {7, 0.0f},
      {16, 132 / 256.0f},
      {17, 225 / 256.0f},
      {19, 108 / 256.0f},
      {5, 214 / 256.0f},
      {4, 174 / 256.0f},
      {8, 82 / 256.0f},
      {0, 144 / 256.0f},
      {1, 73 / 256.0f},
      {6, 241 / 256.0f},
      {2, 241 / 256.0f},
      {9, 187 / 256.0f},
      {23, 1.0f},
      {24, 1.0f},
      {25, 179 / 256.0f},
      {10, 0.0f},
      {31, 27 / 32.0f},
      {32, 0.0f},
      {33, 135 / 256.0f},
      // Volume, Silence Instr and the level keep their values.
      {26, 0.5f},
      {30, 0.0f},
      {13, 0.0f},
  };
  for (float trigger : {0.0f, 1.0f}) {
    std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
    ASSERT_TRUE(plugin);
    plugin->dispatch(effSetProgram, 0, 3);
    plugin->setParameter(42, 1.0f);
    // A fresh thread starts its own sequence from the beginning.
    std::thread([&] { plugin->setParameter(34, trigger); }).join();
    EXPECT_EQ(plugin->dispatch(effGetProgram), 3);
    for (const auto& e : expected) EXPECT_EQ(plugin->getParameter(e.index), e.value) << "index " << e.index;
    EXPECT_EQ(plugin->getParameter(42), 0.0f);  // applied as a program change
    EXPECT_EQ(plugin->getParameter(34), 0.0f);
    EXPECT_EQ(plugin->text(effGetProgramName), "Onyx(V1.02)");
    EXPECT_EQ(chunkFloat(getChunk(*plugin), 4 * 25), 219 / 256.0f);
  }
}

TEST(Randomise, EachThreadHasItsOwnSequence) {
  std::unique_ptr<LoadedPlugin> a = loadZarnith();
  std::unique_ptr<LoadedPlugin> b = loadZarnith();
  ASSERT_TRUE(a && b);
  std::thread([&] {
    a->setParameter(34, 1.0f);
    // The second draw in the same thread continues the sequence: 21 numbers later.
    b->setParameter(34, 1.0f);
  }).join();
  EXPECT_EQ(a->getParameter(29), 41 / 256.0f);
  EXPECT_NE(b->getParameter(29), 41 / 256.0f);
  std::thread([&] { b->setParameter(34, 1.0f); }).join();
  EXPECT_EQ(b->getParameter(29), 41 / 256.0f);
}

}  // namespace
