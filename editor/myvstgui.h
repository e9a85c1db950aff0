// The plug-in's editor: one background picture with 34 controls, readouts and
// lamps over it, bound to the effect's parameters by tag.
#pragma once

#include <atomic>
#include <cstdint>

#include "editor/layout.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/ccontrol.h"

class CBitmap;
class CMovieBitmap;
class CParamDisplay;

class MyVstGUI : public AEffGUIEditor, public CControlListener {
 public:
  explicit MyVstGUI(AudioEffect* effect);
  ~MyVstGUI() override;

  bool open(void* ptr) override;
  void close() override;
  // Carries the filter-type states to their lamps and redraws what changed.
  void idle() override;
  // From any thread, the audio thread included: only stores values, never draws.
  void setParameter(VstInt32 index, float value) override;

  void valueChanged(CControl* control) override;

  void updateLfoRateDisplay();

  // The control at a position of the layout while the window is open, else none.
  CControl* getControl(int layoutIndex) const;
  bool isLfoSynced() const { return lfoSyncFlag.load(std::memory_order_relaxed) != 0; }

 private:
  MyVstGUI(const MyVstGUI&) = delete;
  MyVstGUI& operator=(const MyVstGUI&) = delete;

  CControl* controlForTag(VstInt32 tag) const;
  float parameter(VstInt32 index) const;
  void setControl(VstInt32 tag, float value);
  void buildControl(int position, CBitmap* const* images);

  CBitmap* backgroundBitmap;

  // Valid only while the window is open; written on the user-interface thread
  // before controlsLive is raised and after it is lowered.
  CControl* controls[zarnith::kControlCount];
  CParamDisplay* freqDisplay;
  CParamDisplay* lfoRateDisplay;
  CParamDisplay* scrambleOffsetDisplay;
  CMovieBitmap* filterTypeLeds[3];
  CMovieBitmap* silenceLed;
  CMovieBitmap* randBeatLed;
  CMovieBitmap* bypassLed;

  // Last states sent for the three filter-type lamps, carried to them by idle.
  std::atomic<uint8_t> indicatorState[3];
  // 1 while the LFO runs in sync; each editor keeps its own, handed to the rate
  // readout's formatter as user data.
  std::atomic<uint8_t> lfoSyncFlag;

  // Handshake with setParameter on other threads: close lowers controlsLive and
  // waits for calls already past the check before deleting any control.
  std::atomic<bool> controlsLive;
  std::atomic<int32_t> parameterCallsInFlight;
};
