// The program bank: the factory programs, selection, names and how edits live in programs.
#include <gtest/gtest.h>

#include <cmath>

#include "plugin_test_support.h"

namespace {

// Slots in the order of the columns below.
const int kSlots[23] = {0, 1, 2, 6, 7, 8, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27};

// The factory bank as published; a slot the factory leaves alone (slot 20 of
// programs 3 and 16 to 31) starts at 0.0.
const struct {
  const char* name;
  float slots[23];
} kFactory[32] = {
    // clang-format off
    {"Scr1(V1.02)", {1.0f, 0.125f, 1.0f, 0.48f, 0.24f, 0.0f, 0.285f, 0.5f, 0.055f, 0.0f, 1.0f, 0.61f, 0.0f, 1.0f, 0.375f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Funky(V1.02)", {1.0f, 0.125f, 1.0f, 0.095f, 0.68f, 0.0f, 0.635f, 1.0f, 0.055f, 0.0f, 0.5f, 0.7f, 0.0f, 1.0f, 0.35f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Scram(V1.02)", {1.0f, 0.125f, 1.0f, 0.08f, 0.71f, 0.0f, 0.765f, 0.5f, 0.055f, 0.0f, 0.5f, 0.7f, 1.0f, 0.0f, 0.66f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Onyx(V1.02)", {0.405f, 0.125f, 1.0f, 0.48f, 0.24f, 0.0f, 0.285f, 0.5f, 0.055f, 1.0f, 0.5f, 0.61f, 0.0f, 0.0f, 0.375f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"LFOla(V1.02)", {1.0f, 0.695f, 1.0f, 0.14f, 0.215f, 0.0f, 0.525f, 0.0f, 0.055f, 0.0f, 0.0f, 0.67f, 1.0f, 0.0f, 0.405f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Woaww(V1.02)", {0.5f, 0.515f, 0.94f, 0.515f, 1.0f, 0.0f, 0.515f, 0.0f, 0.045f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Pelto(V1.02)", {0.5f, 0.515f, 0.94f, 0.52f, 0.925f, 0.0f, 0.545f, 0.5f, 0.14f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"viril(V1.02)", {1.0f, 1.0f, 1.0f, 0.4f, 1.0f, 0.5f, 0.3f, 1.0f, 0.03f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Bloody(V1.02)", {1.0f, 1.0f, 1.0f, 0.7f, 1.0f, 0.5f, 0.3f, 1.0f, 0.0f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Crush(V1.02)", {1.0f, 1.0f, 1.0f, 0.54f, 0.11f, 0.5f, 0.325f, 0.0f, 0.23f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Drastic(V1.02)", {1.0f, 1.0f, 1.0f, 0.4f, 0.08f, 0.5f, 0.395f, 0.5f, 0.22f, 0.0f, 0.5f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.1f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Stnth(V1.02)", {1.0f, 1.0f, 1.0f, 0.55f, 0.97f, 0.5f, 0.63f, 0.5f, 0.625f, 0.0f, 1.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Junglize(V1.02)", {0.135f, 1.0f, 0.0f, 0.4f, 0.16f, 0.0f, 0.87f, 0.0f, 0.15f, 0.0f, 0.5f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"Distorted(V1.02)", {1.0f, 1.0f, 1.0f, 0.065f, 0.1f, 0.5f, 0.25f, 0.5f, 0.28f, 0.0f, 0.0f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"LFOCrush(V1.02)", {0.17f, 0.775f, 0.705f, 0.17f, 0.1f, 0.0f, 0.295f, 0.0f, 0.045f, 0.0f, 0.5f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f}},
    {"ChaosReverse(V1.02)", {0.886719f, 0.558594f, 0.832031f, 0.433594f, 0.398438f, 0.230469f, 0.425781f, 0.333333f, 0.00390625f, 0.0f, 0.816406f, 0.574219f, 1.0f, 0.0f, 0.65625f, 0.0f, 0.5f, 0.234375f, 1.0f, 0.0f, 0.28125f, 0.308594f, 0.230469f}},
    {"Repeater(V2.0)", {1.0f, 0.62f, 1.0f, 0.72f, 0.755f, 0.0f, 0.105f, 1.0f, 0.055f, 0.0f, 1.0f, 0.566667f, 0.0f, 1.0f, 0.36f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.53125f, 0.0f, 0.0f}},
    {"Jazzy(V2.0)", {0.199219f, 0.488281f, 0.105469f, 0.988281f, 0.503906f, 0.59375f, 0.75f, 0.0f, 0.0351563f, 1.0f, 0.753906f, 0.613333f, 1.0f, 0.0f, 0.17f, 0.0f, 1.0f, 0.554688f, 0.0f, 0.0f, 0.9375f, 0.5f, 0.0976563f}},
    {"RAve(V2.0)", {0.494219f, 0.3025f, 0.590469f, 0.433281f, 1.0f, 0.59375f, 0.75f, 0.0f, 0.0351563f, 1.0f, 0.0f, 0.755f, 0.0f, 1.0f, 0.29f, 0.0f, 1.0f, 0.554688f, 1.0f, 0.0f, 0.46875f, 0.5f, 0.5f}},
    {"Redrum(V2.0)", {0.566406f, 0.386719f, 0.246094f, 0.65625f, 1.0f, 0.882813f, 0.722656f, 0.666667f, 0.449219f, 1.0f, 0.402344f, 0.828125f, 1.0f, 0.0f, 0.346719f, 0.0f, 1.0f, 0.953125f, 1.0f, 0.0f, 0.8125f, 0.375f, 0.796875f}},
    {"MiniMaximize(V2.0)", {0.351563f, 0.421875f, 0.386719f, 0.441406f, 0.304688f, 0.691406f, 0.410156f, 0.0f, 0.0742188f, 1.0f, 0.902344f, 0.921875f, 1.0f, 0.0f, 0.423281f, 0.0f, 1.0f, 0.257813f, 0.0f, 0.0f, 0.5f, 0.0116667f, 0.226563f}},
    {"Orient(V2.0)", {1.0f, 0.757813f, 0.703125f, 0.196563f, 0.742188f, 0.0f, 0.162812f, 0.0f, 0.757813f, 1.0f, 0.5f, 0.8f, 0.0f, 1.0f, 0.326875f, 0.0f, 0.5f, 0.976563f, 1.0f, 0.0f, 0.53125f, 0.451667f, 0.0f}},
    {"Drops(V2.0)", {1.0f, 0.757813f, 0.528125f, 0.535f, 0.742188f, 0.0f, 0.162812f, 0.333333f, 0.757813f, 1.0f, 1.0f, 0.301667f, 0.0f, 1.0f, 0.326875f, 0.0f, 1.0f, 0.976563f, 0.0f, 0.0f, 0.59375f, 0.451667f, 0.0f}},
    {"Reso(V2.0)", {0.640625f, 0.535156f, 0.5f, 0.195313f, 0.496094f, 0.679688f, 0.871094f, 0.333333f, 0.800781f, 0.0f, 0.0976563f, 0.453125f, 0.0f, 1.0f, 0.498125f, 0.0f, 1.0f, 0.203125f, 0.0f, 0.0f, 0.21875f, 0.980469f, 0.789063f}},
    {"Session(V2.0)", {0.640625f, 0.350156f, 0.5f, 0.185313f, 1.0f, 0.0f, 0.0f, 0.5f, 0.800781f, 0.0f, 0.0976563f, 0.648333f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.203125f, 0.0f, 0.0f, 0.21875f, 0.0f, 0.5f}},
    {"A la Chorus(V2.0)", {1.0f, 0.0671875f, 0.167969f, 0.465f, 0.894531f, 0.0f, 0.0f, 0.0f, 0.117188f, 0.0f, 0.5f, 0.195f, 0.0f, 1.0f, 0.455f, 0.0f, 0.94f, 0.882813f, 0.0f, 0.0f, 0.46875f, 0.0f, 0.0f}},
    {"A la Echo(V2.0)", {1.0f, 0.0671875f, 0.167969f, 0.355f, 0.894531f, 0.0f, 0.645f, 0.0f, 0.117188f, 0.0f, 0.5f, 0.195f, 0.0f, 1.0f, 0.375f, 0.0f, 0.94f, 0.882813f, 0.0f, 0.0f, 0.21875f, 0.0f, 0.0f}},
    {"N-oying(V2.0)", {0.324219f, 0.78125f, 0.792969f, 0.661563f, 0.0195313f, 0.292969f, 0.339844f, 0.666667f, 0.199219f, 0.0f, 0.3125f, 0.390625f, 0.0f, 0.0f, 0.65625f, 0.0f, 0.36f, 0.660156f, 1.0f, 0.0f, 0.15625f, 0.550781f, 0.773438f}},
    {"Whistle(V2.0)", {0.425781f, 0.683594f, 0.15625f, 0.602656f, 0.210938f, 0.976563f, 0.917969f, 0.578125f, 0.175781f, 1.0f, 0.933594f, 0.320313f, 0.0f, 0.0f, 0.226563f, 0.0f, 0.36f, 0.0898438f, 0.0f, 0.0f, 0.1875f, 0.0390625f, 0.0859375f}},
    {"Wind Rhytmic(V2.0)", {0.425781f, 0.683594f, 0.15625f, 0.517656f, 0.210938f, 0.976563f, 0.917969f, 0.578125f, 0.175781f, 1.0f, 0.933594f, 0.320313f, 0.0f, 0.0f, 0.226563f, 0.0f, 0.36f, 0.0898438f, 0.0f, 0.0f, 0.1875f, 0.0390625f, 0.0859375f}},
    {"LFO Rhytmes Sync(V2.0)", {0.726563f, 1.0f, 0.351563f, 0.144531f, 0.0f, 0.5f, 0.679688f, 0.0f, 0.0585938f, 1.0f, 0.5f, 0.433594f, 0.0f, 0.0f, 0.25f, 0.0f, 0.36f, 0.644531f, 0.0f, 0.0f, 0.875f, 0.00666668f, 0.394531f}},
    {"LFO Rhytmes(V2.0)", {0.726563f, 1.0f, 0.351563f, 0.144531f, 0.0f, 0.5f, 0.679688f, 0.0f, 0.0585938f, 0.0f, 0.5f, 0.433594f, 0.0f, 0.0f, 0.0f, 0.0f, 0.36f, 0.644531f, 0.0f, 0.0f, 0.875f, 0.00666668f, 0.394531f}},
    // clang-format on
};

// Which parameter reads each slot (slots 3, 4, 5, 9 have none; 11 is the level, index 13).
VstInt32 parameterOfSlot(int slot) {
  static const VstInt32 kParameter[28] = {16, 17, 19, -1, -1, -1, 0,  4,  8,  -1, 1,  13, 6,  2,
                                          7,  5,  9,  23, 24, 25, 10, 26, 29, 32, 30, 31, 33, 28};
  return kParameter[slot];
}

TEST(FactoryBank, EveryProgramHasItsPublishedNameAndValues) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  for (VstInt32 p = 0; p < 32; p++) {
    TextBuffer name;
    EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, p, 0, name.bytes), 1);
    EXPECT_EQ(name.text(), kFactory[p].name);

    plugin->dispatch(effSetProgram, 0, p);
    ASSERT_EQ(plugin->dispatch(effGetProgram), p);
    EXPECT_EQ(plugin->text(effGetProgramName), kFactory[p].name);
    const std::vector<unsigned char> chunk = getChunk(*plugin);
    ASSERT_EQ(chunk.size(), 140u);
    EXPECT_EQ(chunk[136], p);
    for (int column = 0; column < 23; column++) {
      const int slot = kSlots[column];
      const float expected = kFactory[p].slots[column];
      // The program as saved holds the value exactly ...
      EXPECT_EQ(chunkFloat(chunk, 4 * slot), expected) << "program " << p << " slot " << slot;
      // ... and the parameter reads it back (Scrambler Offset in 32nds).
      const VstInt32 index = parameterOfSlot(slot);
      const float read = index == 31 ? std::floor(expected * 32.0f) / 32.0f : expected;
      EXPECT_EQ(plugin->getParameter(index), read) << "program " << p << " parameter " << index;
    }
    // The level slot has no factory value and starts at 0.0.
    EXPECT_EQ(plugin->getParameter(13), 0.0f);
  }
}

TEST(Programs, AfterConstructionProgramZeroIsCurrent) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
  EXPECT_EQ(plugin->text(effGetProgramName), "Scr1(V1.02)");
  EXPECT_EQ(plugin->getParameter(0), 0.48f);
}

TEST(Programs, ProgramChangeAppliesValuesAndSwitchesTheBypassOff) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->setParameter(42, 1.0f);
  plugin->setParameter(2, 0.5f);
  plugin->setParameter(11, 0.9f);
  plugin->dispatch(effSetProgram, 0, 6);
  EXPECT_EQ(plugin->text(effGetProgramName), "Pelto(V1.02)");
  EXPECT_EQ(plugin->getParameter(17), 0.515f);
  EXPECT_EQ(plugin->getParameter(42), 0.0f);
  // Sens of the program sets both envelope times again.
  EXPECT_EQ(plugin->getParameter(11), 0.14f);
  EXPECT_EQ(plugin->getParameter(12), 0.14f);
}

TEST(Programs, ProgramNumbersOutsideTheBankAreIgnored) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->dispatch(effSetProgram, 0, 4);
  plugin->setParameter(0, 0.123f);
  for (VstIntPtr bad : {VstIntPtr(32), VstIntPtr(33), VstIntPtr(-1), VstIntPtr(-32), VstIntPtr(1) << 40}) {
    EXPECT_EQ(plugin->dispatch(effSetProgram, 0, bad), 0);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 4) << bad;
    EXPECT_EQ(plugin->getParameter(0), 0.123f) << bad;
  }
}

TEST(Programs, NamesByIndexOnlyInsideTheBank) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  TextBuffer last;
  EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, 31, 0, last.bytes), 1);
  EXPECT_EQ(last.text(), "LFO Rhytmes(V2.0)");
  for (VstInt32 bad : {32, 33, -1, 1000}) {
    TextBuffer buffer;
    EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, bad, 0, buffer.bytes), 0) << bad;
    EXPECT_TRUE(buffer.untouched()) << bad;
  }
  // The category (value) is ignored.
  TextBuffer withCategory;
  EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, 1, 7, withCategory.bytes), 1);
  EXPECT_EQ(withCategory.text(), "Funky(V1.02)");
}

TEST(Programs, KovPresetIsNumberedOnlyByTheCurrentProgramName) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->dispatch(effSetProgram, 0, 4);
  char name[] = "KovPreset";
  plugin->dispatch(effSetProgramName, 0, 0, name);
  EXPECT_EQ(plugin->text(effGetProgramName), "KovPreset 5");
  EXPECT_EQ(plugin->text(effGetProgramNameIndexed, 4), "KovPreset");
  char other[] = "KovPreset2";
  plugin->dispatch(effSetProgramName, 0, 0, other);
  EXPECT_EQ(plugin->text(effGetProgramName), "KovPreset2");
  // Renaming touches only the current program.
  EXPECT_EQ(plugin->text(effGetProgramNameIndexed, 5), "Woaww(V1.02)");
}

TEST(Programs, LongNamesAreCutToTwentyThreeCharacters) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  char longName[] = "A very long program name that goes on and on";
  plugin->dispatch(effSetProgramName, 0, 0, longName);
  TextBuffer buffer;
  plugin->dispatch(effGetProgramName, 0, 0, buffer.bytes);
  EXPECT_EQ(buffer.text(), "A very long program nam");
  EXPECT_EQ(buffer.bytesWritten(), 24u);
  TextBuffer indexed;
  plugin->dispatch(effGetProgramNameIndexed, 0, 0, indexed.bytes);
  EXPECT_EQ(indexed.text(), "A very long program nam");
  EXPECT_EQ(indexed.bytesWritten(), 24u);
  // The neighbouring program is untouched by the cut name.
  EXPECT_EQ(plugin->text(effGetProgramNameIndexed, 1), "Funky(V1.02)");
}

TEST(Programs, EditsLiveInTheProgram) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->dispatch(effSetProgram, 0, 2);
  plugin->setParameter(0, 0.9f);
  plugin->dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(plugin->getParameter(0), 0.515f);
  plugin->dispatch(effSetProgram, 0, 2);
  EXPECT_EQ(plugin->getParameter(0), 0.9f);
  // Values that are not part of a program stay out of it.
  plugin->setParameter(15, 0.3f);
  plugin->dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(plugin->getParameter(15), 0.3f);
}

}  // namespace
