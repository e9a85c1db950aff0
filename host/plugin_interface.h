// The binary records and constants of the 2.4 plug-in C interface, written from
// its published layout. Pointer-sized fields follow the build's pointer size, so
// the same declarations serve the 64-bit Linux plug-in and the 32-bit Windows DLL.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define ZARNITH_CALL __cdecl
#else
#define ZARNITH_CALL
#endif

typedef intptr_t VstIntPtr;
typedef int32_t VstInt32;
typedef int16_t VstInt16;

struct AEffect;

typedef VstIntPtr(ZARNITH_CALL* audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                     VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr(ZARNITH_CALL* AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                       VstIntPtr value, void* ptr, float opt);
typedef void(ZARNITH_CALL* AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                               VstInt32 sampleFrames);
typedef void(ZARNITH_CALL* AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                                     VstInt32 sampleFrames);
typedef void(ZARNITH_CALL* AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float(ZARNITH_CALL* AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

#define ZARNITH_FOURCC(a, b, c, d) \
  ((VstInt32)(((uint32_t)(a) << 24) | ((uint32_t)(b) << 16) | ((uint32_t)(c) << 8) | (uint32_t)(d)))

const VstInt32 kEffectMagic = ZARNITH_FOURCC('V', 's', 't', 'P');
const VstInt32 kVstVersion = 2400;

struct AEffect {
  VstInt32 magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;  // deprecated accumulating entry
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags;
  VstIntPtr resvd1;
  VstIntPtr resvd2;
  VstInt32 initialDelay;
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object;
  void* user;
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

enum VstAEffectFlags {
  effFlagsHasEditor = 1 << 0,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsCanDoubleReplacing = 1 << 12,
};

enum AEffectOpcodes {
  effOpen = 0,
  effClose,
  effSetProgram,
  effGetProgram,
  effSetProgramName,
  effGetProgramName,
  effGetParamLabel,
  effGetParamDisplay,
  effGetParamName,
  effGetVu,  // deprecated
  effSetSampleRate,
  effSetBlockSize,
  effMainsChanged,
  effEditGetRect,
  effEditOpen,
  effEditClose,
  effEditDraw,   // deprecated
  effEditMouse,  // deprecated
  effEditKey,    // deprecated
  effEditIdle,
  effEditTop,    // deprecated
  effEditSleep,  // deprecated
  effIdentify,   // deprecated
  effGetChunk,
  effSetChunk,
  effProcessEvents,
  effCanBeAutomated,
  effString2Parameter,
  effGetNumProgramCategories,  // deprecated
  effGetProgramNameIndexed,
  effCopyProgram,    // deprecated
  effConnectInput,   // deprecated
  effConnectOutput,  // deprecated
  effGetInputProperties,
  effGetOutputProperties,
  effGetPlugCategory,
  effGetCurrentPosition,    // deprecated
  effGetDestinationBuffer,  // deprecated
  effOfflineNotify,
  effOfflinePrepare,
  effOfflineRun,
  effProcessVarIo,
  effSetSpeakerArrangement,
  effSetBlockSizeAndSampleRate,  // deprecated
  effSetBypass,
  effGetEffectName,
  effGetErrorText,  // deprecated
  effGetVendorString,
  effGetProductString,
  effGetVendorVersion,
  effVendorSpecific,
  effCanDo,
  effGetTailSize,
  effIdle,             // deprecated
  effGetIcon,          // deprecated
  effSetViewPosition,  // deprecated
  effGetParameterProperties,
  effKeysRequired,  // deprecated
  effGetVstVersion,
  effEditKeyDown,
  effEditKeyUp,
  effSetEditKnobMode,
  effGetMidiProgramName,
  effGetCurrentMidiProgram,
  effGetMidiProgramCategory,
  effHasMidiProgramsChanged,
  effGetMidiKeyName,
  effBeginSetProgram,
  effEndSetProgram,
  effGetSpeakerArrangement,
  effShellGetNextPlugin,
  effStartProcess,
  effStopProcess,
  effSetTotalSampleToProcess,
  effSetPanLaw,
  effBeginLoadBank,
  effBeginLoadProgram,
  effSetProcessPrecision,
  effGetNumMidiInputChannels,
  effGetNumMidiOutputChannels,
};
static_assert(effIdentify == 22 && effProcessEvents == 25 && effGetPlugCategory == 35, "opcode numbering");
static_assert(effSetBypass == 44 && effCanDo == 51 && effGetVstVersion == 58, "opcode numbering");
static_assert(effEditKeyDown == 59 && effGetSpeakerArrangement == 69 && effGetNumMidiOutputChannels == 79,
              "opcode numbering");

enum AudioMasterOpcodes {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterIOChanged = 13,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetAutomationState = 24,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterCanDo = 37,
  audioMasterGetLanguage = 38,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
};

enum VstPlugCategory { kPlugCategUnknown = 0, kPlugCategEffect = 1, kPlugCategSynth = 2 };

enum VstStringConstants {
  kVstMaxProgNameLen = 24,
  kVstMaxParamStrLen = 8,
  kVstMaxVendorStrLen = 64,
  kVstMaxProductStrLen = 64,
  kVstMaxEffectNameLen = 32,
};

struct VstTimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator;
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset;
  VstInt32 smpteFrameRate;
  VstInt32 samplesToNextClock;
  VstInt32 flags;
};

enum VstTimeInfoFlags {
  kVstTransportChanged = 1,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15,
};

enum VstEventTypes { kVstMidiType = 1, kVstSysExType = 6 };

struct VstEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  char data[16];
};

struct VstMidiEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 noteLength;
  VstInt32 noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstEvents {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];  // variable length: numEvents pointers follow
};

struct ERect {
  VstInt16 top;
  VstInt16 left;
  VstInt16 bottom;
  VstInt16 right;
};

struct VstKeyCode {
  VstInt32 character;
  unsigned char virt;
  unsigned char modifier;
};

enum VstModifierKeys {
  MODIFIER_SHIFT = 1,
  MODIFIER_ALTERNATE = 2,
  MODIFIER_COMMAND = 4,
  MODIFIER_CONTROL = 8
};

// Layout checks: hosts compiled elsewhere read these records by offset.
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");
static_assert(offsetof(VstTimeInfo, tempo) == 32 && offsetof(VstTimeInfo, barStartPos) == 40, "VstTimeInfo");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64 && offsetof(VstTimeInfo, flags) == 84,
              "VstTimeInfo");
static_assert(sizeof(VstEvent) == 32 && sizeof(VstMidiEvent) == 32, "event size");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent");
static_assert(sizeof(ERect) == 8 && sizeof(VstKeyCode) == 8, "ERect/VstKeyCode");
static_assert(offsetof(VstKeyCode, virt) == 4 && offsetof(VstKeyCode, modifier) == 5, "VstKeyCode");
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(AEffect) == 192, "AEffect size (64-bit)");
static_assert(offsetof(AEffect, dispatcher) == 8 && offsetof(AEffect, numPrograms) == 40, "AEffect (64-bit)");
static_assert(offsetof(AEffect, flags) == 56 && offsetof(AEffect, resvd1) == 64, "AEffect (64-bit)");
static_assert(offsetof(AEffect, initialDelay) == 80 && offsetof(AEffect, ioRatio) == 92, "AEffect (64-bit)");
static_assert(offsetof(AEffect, object) == 96 && offsetof(AEffect, uniqueID) == 112, "AEffect (64-bit)");
static_assert(offsetof(AEffect, processReplacing) == 120 && offsetof(AEffect, future) == 136,
              "AEffect (64-bit)");
static_assert(sizeof(VstEvents) == 32 && offsetof(VstEvents, events) == 16, "VstEvents (64-bit)");
#elif UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(AEffect) == 144, "AEffect size (32-bit)");
static_assert(offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, numPrograms) == 20, "AEffect (32-bit)");
static_assert(offsetof(AEffect, flags) == 36 && offsetof(AEffect, resvd1) == 40, "AEffect (32-bit)");
static_assert(offsetof(AEffect, initialDelay) == 48 && offsetof(AEffect, ioRatio) == 60, "AEffect (32-bit)");
static_assert(offsetof(AEffect, object) == 64 && offsetof(AEffect, uniqueID) == 72, "AEffect (32-bit)");
static_assert(offsetof(AEffect, processReplacing) == 80 && offsetof(AEffect, future) == 88,
              "AEffect (32-bit)");
static_assert(sizeof(VstEvents) == 16 && offsetof(VstEvents, events) == 8, "VstEvents (32-bit)");
#endif
