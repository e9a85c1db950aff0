// The 140-byte saved state: what it holds, how it restores, and what it refuses.
#include <gtest/gtest.h>

#include "plugin_test_support.h"

namespace {

VstIntPtr setChunk(LoadedPlugin& plugin, std::vector<unsigned char> bytes, VstIntPtr size,
                   bool isPreset = false) {
  return plugin.dispatch(effSetChunk, isPreset ? 1 : 0, size, bytes.data());
}

TEST(Chunk, HoldsTheCurrentProgramLittleEndianWithItsNumberAtByte136) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->dispatch(effSetProgram, 0, 7);
  const std::vector<unsigned char> chunk = getChunk(*plugin);
  ASSERT_EQ(chunk.size(), 140u);
  EXPECT_EQ(chunk[136], 7);
  // Freq of "viril(V1.02)" is 0.4: 0x3ECCCCCD, lowest byte first.
  EXPECT_EQ(chunk[24], 0xCD);
  EXPECT_EQ(chunk[25], 0xCC);
  EXPECT_EQ(chunk[26], 0xCC);
  EXPECT_EQ(chunk[27], 0x3E);
  EXPECT_EQ(chunkFloat(chunk, 24), plugin->getParameter(0));
  // Bytes never written stay zero: slots 3, 4 and 11, the name area and the tail.
  for (size_t offset : {12u, 16u, 44u}) {
    for (size_t i = 0; i < 4; i++) EXPECT_EQ(chunk[offset + i], 0) << offset + i;
  }
  for (size_t i = 112; i < 136; i++) EXPECT_EQ(chunk[i], 0) << i;
  for (size_t i = 137; i < 140; i++) EXPECT_EQ(chunk[i], 0) << i;
}

TEST(Chunk, RestoresOnAFreshInstanceAndKeepsTheProgramName) {
  std::unique_ptr<LoadedPlugin> source = loadZarnith();
  ASSERT_TRUE(source);
  source->dispatch(effSetProgram, 0, 7);
  source->setParameter(0, 0.625f);
  source->setParameter(31, 0.51f);
  const std::vector<unsigned char> saved = getChunk(*source);

  std::unique_ptr<LoadedPlugin> target = loadZarnith();
  ASSERT_TRUE(target);
  target->setParameter(42, 1.0f);
  EXPECT_EQ(setChunk(*target, saved, 140), 1);
  EXPECT_EQ(target->dispatch(effGetProgram), 7);
  EXPECT_EQ(target->text(effGetProgramName), "viril(V1.02)");
  EXPECT_EQ(target->getParameter(0), 0.625f);
  EXPECT_EQ(target->getParameter(31), 0.5f);
  EXPECT_EQ(chunkFloat(getChunk(*target), 100), 0.51f);
  EXPECT_EQ(target->getParameter(42), 0.0f);
  // Only the current program is saved: the others keep their factory values.
  target->dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(target->getParameter(0), 0.48f);
}

TEST(Chunk, RoundTripOnTheSameInstanceKeepsEveryNamedValue) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->dispatch(effSetProgram, 0, 19);
  plugin->setParameter(16, 0.3f);
  plugin->setParameter(42, 1.0f);
  float before[43];
  for (VstInt32 i = 0; i < 43; i++) before[i] = plugin->getParameter(i);
  void* data = nullptr;
  ASSERT_EQ(plugin->dispatch(effGetChunk, 0, 0, &data), 140);
  // The host hands back the very buffer it was given.
  EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 140, data), 1);
  EXPECT_EQ(plugin->dispatch(effGetProgram), 19);
  for (VstInt32 i = 0; i < 42; i++) {
    if (i == 14 || i == 18) continue;  // read-and-lower and the processing's cutoff
    EXPECT_EQ(plugin->getParameter(i), before[i]) << i;
  }
  EXPECT_EQ(plugin->getParameter(42), 0.0f);
}

TEST(Chunk, TheLevelIsNotSaved) {
  std::unique_ptr<LoadedPlugin> source = loadZarnith();
  std::unique_ptr<LoadedPlugin> target = loadZarnith();
  ASSERT_TRUE(source && target);
  source->setParameter(13, 0.7f);
  EXPECT_EQ(setChunk(*target, getChunk(*source), 140), 1);
  EXPECT_EQ(target->getParameter(13), 0.0f);
}

TEST(Chunk, BadStatesAreRefusedAndChangeNothing) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  plugin->dispatch(effSetProgram, 0, 3);
  plugin->setParameter(0, 0.2f);
  const std::vector<unsigned char> good = getChunk(*plugin);
  const std::vector<unsigned char> presetBefore = getChunk(*plugin, true);

  std::vector<unsigned char> other = good;
  other[136] = 9;
  other[24] = 0;  // a different Freq
  other.resize(200, 0);
  for (VstIntPtr size : {VstIntPtr(0), VstIntPtr(-1), VstIntPtr(139), VstIntPtr(141), VstIntPtr(200),
                         (VstIntPtr(1) << 32) + 140}) {
    EXPECT_EQ(setChunk(*plugin, other, size), 0) << size;
    EXPECT_EQ(setChunk(*plugin, other, size, true), 0) << size;
  }
  EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 140, nullptr), 0);
  for (unsigned char program : {32, 33, 200, 255}) {
    std::vector<unsigned char> bad = good;
    bad[136] = program;
    EXPECT_EQ(setChunk(*plugin, bad, 140), 0) << int(program);
    EXPECT_EQ(setChunk(*plugin, bad, 140, true), 0) << int(program);
  }
  EXPECT_EQ(plugin->dispatch(effGetProgram), 3);
  EXPECT_EQ(plugin->getParameter(0), 0.2f);
  EXPECT_EQ(getChunk(*plugin, true), presetBefore);
}

TEST(Chunk, PresetStateIsKeptVerbatimButNeverApplied) {
  std::unique_ptr<LoadedPlugin> plugin = loadZarnith();
  ASSERT_TRUE(plugin);
  // Before any refresh the buffer holds nothing the plug-in wrote.
  const std::vector<unsigned char> fresh = getChunk(*plugin, true);
  ASSERT_EQ(fresh.size(), 140u);
  for (unsigned char byte : fresh) EXPECT_EQ(byte, 0);

  std::vector<unsigned char> preset(140);
  for (size_t i = 0; i < preset.size(); i++) preset[i] = static_cast<unsigned char>(i * 7);
  preset[136] = 12;
  EXPECT_EQ(setChunk(*plugin, preset, 140, true), 1);
  EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
  EXPECT_EQ(plugin->getParameter(0), 0.48f);
  EXPECT_EQ(getChunk(*plugin, true), preset);
}

}  // namespace
