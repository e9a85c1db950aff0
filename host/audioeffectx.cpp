#include "audioeffectx.h"

#include <cmath>
#include <cstdint>

namespace {

// The modifier arrives as a float; anything that is not a small number is no modifier.
unsigned char modifierByte(float opt) {
  if (!(opt > -2147483648.0f && opt < 2147483648.0f)) return 0;
  return static_cast<unsigned char>(static_cast<int>(opt));
}

// The speaker-arrangement request is the one opcode whose value is a pointer. Hosts that do not
// serve it pass 0 or a small number there (as for every other opcode), so a value in the first
// 64 KiB, which no process maps, or one not aligned for a pointer is no place to write to.
void** answerSlot(VstIntPtr address) {
  const uintptr_t bits = static_cast<uintptr_t>(address);
  if (bits < 0x10000 || bits % alignof(void*) != 0) return nullptr;
  return reinterpret_cast<void**>(bits);
}

}  // namespace

void AudioEffectX::resume() {
  char midiRequest[] = "receiveVstMidiEvent";
  if (!(cEffect.flags & effFlagsIsSynth) && canDo(midiRequest) == 1) wantEvents(1);
}

bool AudioEffectX::wantEvents(VstInt32 filter) {
  return callHost(audioMasterWantMidi, 0, filter) != 0;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
  return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (opcode < effProcessEvents) return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  switch (opcode) {
    case effProcessEvents:
      return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
      return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
      return ptr && string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed:
      return ptr && getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1
                                                                                                        : 0;
    case effGetPlugCategory:
      return getPlugCategory();
    case effSetBypass:
      return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
      return ptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
      return ptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
      return ptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
      return getVendorVersion();
    case effVendorSpecific:
      return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
      return ptr ? canDo(static_cast<char*>(ptr)) : -1;
    case effGetTailSize:
      return getTailSize();
    case effGetVstVersion:
      return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
      if (editor) {
        VstKeyCode keyCode;
        keyCode.character = index;
        keyCode.virt = static_cast<unsigned char>(value);
        keyCode.modifier = modifierByte(opt);
        bool used = opcode == effEditKeyDown ? editor->onKeyDown(keyCode) : editor->onKeyUp(keyCode);
        return used ? 1 : 0;
      }
      return 0;
    case effSetEditKnobMode:
      if (editor) {
        editor->setKnobMode(static_cast<VstInt32>(value));
        return 1;
      }
      return 0;
    case effGetCurrentMidiProgram:
      return getCurrentMidiProgram();
    case effGetSpeakerArrangement:
      // No arrangement: both answers are null.
      if (void** input = answerSlot(value)) *input = nullptr;
      if (void** output = answerSlot(reinterpret_cast<VstIntPtr>(ptr))) *output = nullptr;
      return 0;
    case effStartProcess:
      return startProcess();
    case effStopProcess:
      return stopProcess();
    case effSetTotalSampleToProcess:
      return value;
    case effGetNumMidiInputChannels:
      return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
      return getNumMidiOutputChannels();
    default:
      return 0;
  }
}
