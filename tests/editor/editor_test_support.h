// A small host for editor tests: one effect with its editor, and a record of
// what the effect sends back through the host callback.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "editor/myvstgui.h"
#include "engine/myvst.h"

struct HostRequest {
  VstInt32 opcode;
  VstInt32 index;
  float value;
};

// Host requests of one effect, recorded from any thread.
class HostRecord {
 public:
  void add(const HostRequest& request);
  std::vector<HostRequest> edits() const;  // automate, begin and end edit only
  void clear();

 private:
  mutable std::mutex mutex;
  std::vector<HostRequest> requests;
};

class TestHost {
 public:
  TestHost();
  ~TestHost();

  MyVst* effect() const { return fx; }
  MyVstGUI* editor() const;
  HostRecord& record() { return requests; }
  // Whichever control of the open editor sits at this layout position.
  CControl* control(int layoutIndex) const;

 private:
  MyVst* fx;
  HostRecord requests;
};

// The calling thread's song position: 4/4 at 120 beats per minute, playing.
// A processing test advances ppqPos between blocks.
VstTimeInfo* testTimeInfo();
