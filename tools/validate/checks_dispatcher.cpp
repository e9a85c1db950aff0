// Every opcode of the dispatcher: with buffers a careful host passes, and with the null pointers
// and small numbers a careless one passes. Each opcode runs in a process of its own, so that a
// crash names its opcode and the rest still run.
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "session.h"
#include "validate.h"

namespace validate {
namespace {

const float kRate = 44100.0f;
const int kBlock = 512;
const VstInt32 kHighestOpcode = 100;
const int kOpcodeTimeoutMs = 10000;

const char* const kOpcodeNames[] = {"effOpen",
                                    "effClose",
                                    "effSetProgram",
                                    "effGetProgram",
                                    "effSetProgramName",
                                    "effGetProgramName",
                                    "effGetParamLabel",
                                    "effGetParamDisplay",
                                    "effGetParamName",
                                    "effGetVu",
                                    "effSetSampleRate",
                                    "effSetBlockSize",
                                    "effMainsChanged",
                                    "effEditGetRect",
                                    "effEditOpen",
                                    "effEditClose",
                                    "effEditDraw",
                                    "effEditMouse",
                                    "effEditKey",
                                    "effEditIdle",
                                    "effEditTop",
                                    "effEditSleep",
                                    "effIdentify",
                                    "effGetChunk",
                                    "effSetChunk",
                                    "effProcessEvents",
                                    "effCanBeAutomated",
                                    "effString2Parameter",
                                    "effGetNumProgramCategories",
                                    "effGetProgramNameIndexed",
                                    "effCopyProgram",
                                    "effConnectInput",
                                    "effConnectOutput",
                                    "effGetInputProperties",
                                    "effGetOutputProperties",
                                    "effGetPlugCategory",
                                    "effGetCurrentPosition",
                                    "effGetDestinationBuffer",
                                    "effOfflineNotify",
                                    "effOfflinePrepare",
                                    "effOfflineRun",
                                    "effProcessVarIo",
                                    "effSetSpeakerArrangement",
                                    "effSetBlockSizeAndSampleRate",
                                    "effSetBypass",
                                    "effGetEffectName",
                                    "effGetErrorText",
                                    "effGetVendorString",
                                    "effGetProductString",
                                    "effGetVendorVersion",
                                    "effVendorSpecific",
                                    "effCanDo",
                                    "effGetTailSize",
                                    "effIdle",
                                    "effGetIcon",
                                    "effSetViewPosition",
                                    "effGetParameterProperties",
                                    "effKeysRequired",
                                    "effGetVstVersion",
                                    "effEditKeyDown",
                                    "effEditKeyUp",
                                    "effSetEditKnobMode",
                                    "effGetMidiProgramName",
                                    "effGetCurrentMidiProgram",
                                    "effGetMidiProgramCategory",
                                    "effHasMidiProgramsChanged",
                                    "effGetMidiKeyName",
                                    "effBeginSetProgram",
                                    "effEndSetProgram",
                                    "effGetSpeakerArrangement",
                                    "effShellGetNextPlugin",
                                    "effStartProcess",
                                    "effStopProcess",
                                    "effSetTotalSampleToProcess",
                                    "effSetPanLaw",
                                    "effBeginLoadBank",
                                    "effBeginLoadProgram",
                                    "effSetProcessPrecision",
                                    "effGetNumMidiInputChannels",
                                    "effGetNumMidiOutputChannels"};

std::string opcodeName(VstInt32 opcode) {
  const VstInt32 known = static_cast<VstInt32>(sizeof(kOpcodeNames) / sizeof(kOpcodeNames[0]));
  char text[64];
  if (opcode >= 0 && opcode < known)
    std::snprintf(text, sizeof(text), "%d (%s)", opcode, kOpcodeNames[opcode]);
  else
    std::snprintf(text, sizeof(text), "%d", opcode);
  return text;
}

// Opcodes that are no plain request: effClose ends the instance, effEditOpen takes a window of
// the host's (the editor check opens one).
bool skipped(VstInt32 opcode) {
  return opcode == effClose || opcode == effEditOpen;
}

// The call a child is making, in memory shared with the parent: a crash is reported with it.
char* currentCall = nullptr;
const size_t kCallTextSize = 160;

void announceCall(VstInt32 index, VstIntPtr value, const void* ptr, float opt) {
  if (!currentCall) return;
  std::snprintf(currentCall, kCallTextSize, "index %d, value %s, ptr %s, opt %g", index,
                value > 4096 || value < -4096 ? "a buffer" : std::to_string(value).c_str(),
                ptr ? "a buffer" : "null", opt);
}

VstIntPtr call(LoadedPlugin& plugin, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  announceCall(index, value, ptr, opt);
  return plugin.dispatch(opcode, index, value, ptr, opt);
}

// Runs work in a child of this process; an empty answer when it returned, else what happened.
template <typename Work>
std::string isolated(Work work) {
  if (currentCall) currentCall[0] = 0;
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return "could not fork";
  if (child == 0) {
    work();
    _exit(0);
  }
  timespec start, now;
  clock_gettime(CLOCK_MONOTONIC, &start);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) return "lost its process";
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long elapsedMs = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
    if (elapsedMs > kOpcodeTimeoutMs) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return "hung" + (currentCall && currentCall[0] ? " with " + std::string(currentCall) : std::string());
    }
    poll(nullptr, 0, 1);
  }
  const std::string with = currentCall && currentCall[0] ? " with " + std::string(currentCall) : "";
  if (WIFSIGNALED(status)) return std::string("crashed (") + strsignal(WTERMSIG(status)) + ")" + with;
  if (WEXITSTATUS(status) != 0) return "exited with status " + std::to_string(WEXITSTATUS(status));
  return "";
}

// Zeroed, aligned, far larger than any answer the interface defines.
struct HostBuffer {
  alignas(16) unsigned char bytes[8192];
  HostBuffer() { std::memset(bytes, 0, sizeof(bytes)); }
};

// Runs every opcode's calls in a child. A plug-in with threads of its own is loaded afresh in
// each child (a forked copy holds no threads, and their locks may be held).
void eachOpcode(CheckContext& context, const char* mode, void (*calls)(LoadedPlugin&, VstInt32, Random&),
                std::vector<std::string>* faults) {
  std::unique_ptr<LoadedPlugin> shared = startInstance(context, kRate, kBlock);
  if (!shared) return;
  void* memory = mmap(nullptr, kCallTextSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  currentCall = memory == MAP_FAILED ? nullptr : static_cast<char*>(memory);
  const bool forkCopies = threadCount() == 1;
  for (VstInt32 opcode = -1; opcode <= kHighestOpcode; ++opcode) {
    if (skipped(opcode)) continue;
    context.step("opcode %s %s", opcodeName(opcode).c_str(), mode);
    const std::string outcome = isolated([&] {
      std::unique_ptr<LoadedPlugin> own;
      LoadedPlugin* plugin = shared.get();
      if (!forkCopies) {
        own = startInstance(context, kRate, kBlock);
        if (!own) _exit(3);
        plugin = own.get();
      }
      Random random(context.seed() + static_cast<uint32_t>(opcode));
      calls(*plugin, opcode, random);
      // The instance must still process after the request.
      if (currentCall) std::snprintf(currentCall, kCallTextSize, "the block processed after it");
      AudioBlock block(plugin->effect()->numInputs, plugin->effect()->numOutputs, kBlock);
      processBlock(*plugin, block, Signal::kNoise, kBlock, random);
      _exit(0);
    });
    if (!outcome.empty()) faults->push_back("opcode " + opcodeName(opcode) + " " + outcome);
  }
}

void validBufferCalls(LoadedPlugin& plugin, VstInt32 opcode, Random& random) {
  const VstInt32 indices[] = {0,       1,      -1, plugin.effect()->numParams, plugin.effect()->numPrograms,
                              INT_MAX, INT_MIN};
  const float opts[] = {0.0f, 1.0f, -1.0f, 44100.0f, std::numeric_limits<float>::quiet_NaN()};
  for (VstInt32 index : indices) {
    for (float opt : opts) {
      HostBuffer ptr, value;
      switch (opcode) {
        case effProcessEvents: {
          // A well-formed list: one note-on, one note-off.
          VstMidiEvent notes[2] = {};
          for (int i = 0; i < 2; ++i) {
            notes[i].type = kVstMidiType;
            notes[i].byteSize = sizeof(VstMidiEvent);
            notes[i].midiData[0] = static_cast<char>(i == 0 ? 0x90 : 0x80);
            notes[i].midiData[1] = 60;
            notes[i].midiData[2] = 100;
          }
          VstEvents* events = reinterpret_cast<VstEvents*>(ptr.bytes);
          events->numEvents = 2;
          events->events[0] = reinterpret_cast<VstEvent*>(&notes[0]);
          events->events[1] = reinterpret_cast<VstEvent*>(&notes[1]);
          call(plugin, opcode, index, 0, events, opt);
          break;
        }
        case effSetChunk:
          // A buffer of zeros, of a size it really has.
          call(plugin, opcode, index & 1, random.range(0, 4096), ptr.bytes, opt);
          break;
        case effCanDo:
          std::strcpy(reinterpret_cast<char*>(ptr.bytes), index == 1 ? "receiveVstTimeInfo" : "");
          call(plugin, opcode, index, 0, ptr.bytes, opt);
          break;
        case effGetSpeakerArrangement:
        case effSetSpeakerArrangement:
        case effProcessVarIo:
        case effOfflineNotify:
        case effOfflinePrepare:
        case effOfflineRun:
        case effVendorSpecific:
          // These take a record (or a pointer to one) in value as well.
          call(plugin, opcode, index, reinterpret_cast<VstIntPtr>(value.bytes), ptr.bytes, opt);
          break;
        case effSetProgram:
        case effSetBlockSize:
        case effMainsChanged:
          call(plugin, opcode, 0, index, ptr.bytes, opt);
          call(plugin, opcode, 0, index == INT_MIN ? 1 : 0, ptr.bytes, opt);
          break;
        case effSetSampleRate:
          call(plugin, opcode, index, 0, ptr.bytes, opt);
          call(plugin, opcode, 0, 0, nullptr, 44100.0f);
          break;
        default:
          call(plugin, opcode, index, index == INT_MIN ? 0 : index, ptr.bytes, opt);
          break;
      }
    }
  }
  plugin.dispatch(effMainsChanged, 0, 1);
}

void nullPointerCalls(LoadedPlugin& plugin, VstInt32 opcode, Random&) {
  // What a host that does not know an opcode passes: no buffer, and zero or a small number.
  const VstIntPtr values[] = {0, 1, 7, 32};
  for (VstInt32 index : {0, 1, -1})
    for (VstIntPtr value : values) {
      if (opcode == effSetSampleRate || opcode == effSetBlockSize || opcode == effMainsChanged)
        value = value ? value : 1;
      call(plugin, opcode, index, value, nullptr, 0.0f);
    }
  plugin.dispatch(effSetBlockSize, 0, kBlock);
  plugin.dispatch(effSetSampleRate, 0, 0, nullptr, kRate);
  plugin.dispatch(effMainsChanged, 0, 1);
}

void report(CheckContext& context, const std::vector<std::string>& faults, const char* what) {
  for (const std::string& fault : faults) context.fail("%s", fault.c_str());
  if (faults.empty()) context.note("opcodes -1 to %d %s: none crashed or hung", kHighestOpcode, what);
}

}  // namespace

void checkDispatcherFuzz(CheckContext& context) {
  std::vector<std::string> faults;
  eachOpcode(context, "with valid buffers", validBufferCalls, &faults);
  report(context, faults, "with valid buffers and odd indices, values and options");
}

void checkNullPointers(CheckContext& context) {
  std::vector<std::string> faults;
  eachOpcode(context, "with null pointers", nullPointerCalls, &faults);
  report(context, faults, "with null pointers");
}

}  // namespace validate
