#include "editor_test_support.h"

#include <cstring>

namespace {

// The host callback finds its record through the effect's user pointer.
VstIntPtr ZARNITH_CALL hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/,
                                    void* /*ptr*/, float opt) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetTime:
      return reinterpret_cast<VstIntPtr>(testTimeInfo());
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      if (effect && effect->user) static_cast<HostRecord*>(effect->user)->add({opcode, index, opt});
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void HostRecord::add(const HostRequest& request) {
  std::lock_guard<std::mutex> lock(mutex);
  requests.push_back(request);
}

std::vector<HostRequest> HostRecord::edits() const {
  std::lock_guard<std::mutex> lock(mutex);
  return requests;
}

void HostRecord::clear() {
  std::lock_guard<std::mutex> lock(mutex);
  requests.clear();
}

namespace {

// The plug-in's entry glue installs the same factory.
MyVst* withEditorFactory(audioMasterCallback callback) {
  MyVst::setEditorFactory([](AudioEffect* effect) -> AEffEditor* { return new MyVstGUI(effect); });
  return new MyVst(callback);
}

}  // namespace

TestHost::TestHost() : fx(withEditorFactory(hostCallback)) {
  fx->getAeffect()->user = &requests;
}

TestHost::~TestHost() {
  fx->getAeffect()->user = nullptr;
  delete fx;
}

MyVstGUI* TestHost::editor() const {
  return static_cast<MyVstGUI*>(fx->getEditor());
}

CControl* TestHost::control(int layoutIndex) const {
  return editor()->getControl(layoutIndex);
}

VstTimeInfo* testTimeInfo() {
  // One per thread: a processing thread advances its own song position.
  thread_local VstTimeInfo info = [] {
    VstTimeInfo t;
    std::memset(&t, 0, sizeof(t));
    t.sampleRate = 44100;
    t.tempo = 120;
    t.ppqPos = 0;
    t.timeSigNumerator = 4;
    t.timeSigDenominator = 4;
    t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    return t;
  }();
  return &info;
}
