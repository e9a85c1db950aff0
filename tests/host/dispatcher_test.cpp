// The dispatcher's answers to every opcode, including those it does not serve.
#include <gtest/gtest.h>

#include "plugin_test_support.h"

namespace {

class Dispatcher : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin = loadZarnith();
    ASSERT_TRUE(plugin);
  }
  std::unique_ptr<LoadedPlugin> plugin;
};

TEST_F(Dispatcher, InquiriesAnswerTheEffectsIdentity) {
  EXPECT_EQ(plugin->dispatch(effIdentify), 0x4E764566);  // 'NvEf'
  EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(plugin->dispatch(effGetVendorVersion), 1000);
  EXPECT_EQ(plugin->dispatch(effGetPlugCategory), 1);
  EXPECT_EQ(plugin->dispatch(effGetProgram), 0);

  for (VstInt32 opcode : {effGetEffectName, effGetVendorString, effGetProductString}) {
    TextBuffer buffer;
    EXPECT_EQ(plugin->dispatch(opcode, 0, 0, buffer.bytes), 1) << opcode;
  }
  EXPECT_EQ(plugin->text(effGetEffectName), "filter");
  EXPECT_EQ(plugin->text(effGetVendorString), "Kovrane Audio Production");
  EXPECT_EQ(plugin->text(effGetProductString), "Filter");
}

TEST_F(Dispatcher, CanDoIsExactAndCaseSensitive) {
  auto canDo = [&](const char* text) {
    char buffer[64];
    std::strcpy(buffer, text);
    return plugin->dispatch(effCanDo, 0, 0, buffer);
  };
  EXPECT_EQ(canDo("receiveVstEvents"), 1);
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
  EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo("receiveVstTimeinfo"), -1);
  EXPECT_EQ(canDo("sendVstEvents"), -1);
  EXPECT_EQ(canDo("receiveVstEvents "), -1);
  EXPECT_EQ(canDo(""), -1);
  EXPECT_EQ(plugin->dispatch(effCanDo, 0, 0, nullptr), -1);
}

TEST_F(Dispatcher, UnservedAndUnknownOpcodesAnswerZero) {
  char buffer[256] = {0};
  const VstInt32 zeroOpcodes[] = {effGetVu,
                                  effEditDraw,
                                  effEditMouse,
                                  effEditKey,
                                  effEditTop,
                                  effEditSleep,
                                  effString2Parameter,
                                  effGetNumProgramCategories,
                                  effCopyProgram,
                                  effConnectInput,
                                  effConnectOutput,
                                  effGetInputProperties,
                                  effGetOutputProperties,
                                  effGetCurrentPosition,
                                  effGetDestinationBuffer,
                                  effOfflineNotify,
                                  effOfflinePrepare,
                                  effOfflineRun,
                                  effProcessVarIo,
                                  effSetSpeakerArrangement,
                                  effSetBlockSizeAndSampleRate,
                                  effSetBypass,
                                  effGetErrorText,
                                  effVendorSpecific,
                                  effGetTailSize,
                                  effIdle,
                                  effGetIcon,
                                  effSetViewPosition,
                                  effGetParameterProperties,
                                  effKeysRequired,
                                  effGetMidiProgramName,
                                  effGetMidiProgramCategory,
                                  effHasMidiProgramsChanged,
                                  effGetMidiKeyName,
                                  effBeginSetProgram,
                                  effEndSetProgram,
                                  effShellGetNextPlugin,
                                  effStartProcess,
                                  effStopProcess,
                                  effSetPanLaw,
                                  effBeginLoadBank,
                                  effBeginLoadProgram,
                                  effSetProcessPrecision,
                                  effGetNumMidiInputChannels,
                                  effGetNumMidiOutputChannels,
                                  80,
                                  81,
                                  100,
                                  1000,
                                  -1,
                                  -1000};
  for (VstInt32 opcode : zeroOpcodes) {
    std::memset(buffer, 0, sizeof(buffer));
    EXPECT_EQ(plugin->dispatch(opcode, 1, 1, buffer, 1.0f), 0) << "opcode " << opcode;
  }
  EXPECT_EQ(plugin->dispatch(effGetCurrentMidiProgram), -1);
  EXPECT_EQ(plugin->dispatch(effCanBeAutomated, 0), 1);
  EXPECT_EQ(plugin->dispatch(effCanBeAutomated, 42), 1);
  EXPECT_EQ(plugin->dispatch(effCanBeAutomated, 500), 1);
  EXPECT_EQ(plugin->dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
  EXPECT_EQ(plugin->dispatch(effSetTotalSampleToProcess, 0, -7), -7);
  EXPECT_EQ(plugin->dispatch(effOpen), 0);
  EXPECT_EQ(plugin->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
  EXPECT_EQ(plugin->dispatch(effSetBlockSize, 0, 512), 0);
}

TEST_F(Dispatcher, EditorRectAnswersAsTheEditorFlagSays) {
  // Without an editor every editor request answers 0 (unit-tested on the effect);
  // with one, the rectangle is the editor's.
  const bool hasEditor = (plugin->effect()->flags & effFlagsHasEditor) != 0;
  ERect* rect = nullptr;
  EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), hasEditor ? 1 : 0);
  EXPECT_EQ(rect != nullptr, hasEditor);
  // A host that passes no place for the answer gets 0 either way.
  EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, SpeakerArrangementAnswersNullInBothPointers) {
  void* inputArrangement = reinterpret_cast<void*>(0x1234);
  void* outputArrangement = reinterpret_cast<void*>(0x5678);
  EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inputArrangement),
                             &outputArrangement),
            0);
  EXPECT_EQ(inputArrangement, nullptr);
  EXPECT_EQ(outputArrangement, nullptr);
  // Null pointers from the host are not written through.
  EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
  // Nor are the small numbers a host that fills every opcode alike passes in value, nor a
  // misaligned address.
  for (VstIntPtr notAPointer : {VstIntPtr(1), VstIntPtr(-1) & 0xFFFF, VstIntPtr(4096)})
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, notAPointer, nullptr), 0) << notAPointer;
  alignas(void*) char bytes[2 * sizeof(void*)];
  std::memset(bytes, '#', sizeof(bytes));
  EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(bytes + 1), bytes + 1),
            0);
  for (char byte : bytes) EXPECT_EQ(byte, '#');
}

TEST_F(Dispatcher, TextRequestsWithNullBuffersAreIgnored) {
  for (VstInt32 opcode : {effGetProgramName, effSetProgramName, effGetParamLabel, effGetParamDisplay,
                          effGetParamName, effGetEffectName, effGetVendorString, effGetProductString,
                          effGetProgramNameIndexed, effGetChunk, effSetChunk, effProcessEvents}) {
    plugin->dispatch(opcode, 0, 0, nullptr);
  }
  EXPECT_EQ(plugin->dispatch(effGetEffectName, 0, 0, nullptr), 0);
  EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);
  EXPECT_EQ(plugin->dispatch(effGetChunk, 0, 0, nullptr), 0);
  EXPECT_EQ(plugin->text(effGetProgramName), "Scr1(V1.02)");
}

}  // namespace
