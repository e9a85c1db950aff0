#include "editor/myvstgui.h"

#include <thread>

#include "editor/formatters.h"
#include "engine/parameter_ids.h"
#include "host/audioeffect.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cbuttons.h"
#include "toolkit/cfont.h"
#include "toolkit/cframe.h"
#include "toolkit/cknob.h"
#include "toolkit/cmoviebitmap.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cverticalswitch.h"

using zarnith::ControlKind;
using zarnith::ControlRole;
using zarnith::kLayout;

namespace {

constexpr int kImageSlots = 6;
// The images open loads, in loading order, and their slot in the list.
constexpr int32_t kOpenImages[kImageSlots] = {zarnith::kImageBypassLamp, zarnith::kImageLamp,
                                              zarnith::kImageKnob,       zarnith::kImageSwitch,
                                              zarnith::kImageOnOff,      zarnith::kImageButton};

// The lamp the effect lit for this filter type: the scrambler's random types
// (k / 3 as floats) light lamp k; any other value lights trunc(value x 2.9),
// held to the three lamps.
int filterLampFor(float type) {
  if (type == static_cast<float>(1 / 3.0)) return 1;
  if (type == static_cast<float>(2 / 3.0)) return 2;
  return zarnith::filterTypeLamp(type);
}

int imageSlot(int32_t id) {
  for (int i = 0; i < kImageSlots; ++i)
    if (kOpenImages[i] == id) return i;
  return -1;
}

// Counts setParameter calls past the open check, so close can wait them out.
class InFlight {
 public:
  explicit InFlight(std::atomic<int32_t>& counter) : counter(counter) { counter.fetch_add(1); }
  ~InFlight() { counter.fetch_sub(1); }

 private:
  std::atomic<int32_t>& counter;
};

}  // namespace

MyVstGUI::MyVstGUI(AudioEffect* effect)
    : AEffGUIEditor(effect),
      backgroundBitmap(nullptr),
      freqDisplay(nullptr),
      lfoRateDisplay(nullptr),
      scrambleOffsetDisplay(nullptr),
      filterTypeLeds{nullptr, nullptr, nullptr},
      silenceLed(nullptr),
      randBeatLed(nullptr),
      bypassLed(nullptr),
      indicatorState{{0}, {0}, {0}},
      lfoSyncFlag(0),
      controlsLive(false),
      parameterCallsInFlight(0) {
  for (CControl*& c : controls) c = nullptr;
  backgroundBitmap = new CBitmap(CResourceDescription(zarnith::kImageBackground));
  rect.top = 0;
  rect.left = 0;
  rect.bottom = static_cast<VstInt16>(backgroundBitmap->getHeight());
  rect.right = static_cast<VstInt16>(backgroundBitmap->getWidth());
}

MyVstGUI::~MyVstGUI() {
  // An effect closed with its window still open takes the window down first.
  if (frame) close();
  if (backgroundBitmap) backgroundBitmap->forget();
  backgroundBitmap = nullptr;
}

float MyVstGUI::parameter(VstInt32 index) const {
  return effect ? effect->getParameter(index) : 0.0f;
}

void MyVstGUI::buildControl(int position, CBitmap* const* images) {
  const zarnith::ControlPlace& place = kLayout[position];
  const CRect size(place.left, place.top, place.right, place.bottom);
  CBitmap* image = place.image ? images[imageSlot(place.image)] : nullptr;
  const int32_t imageHeight = image ? image->getHeight() : 0;
  const CPoint noOffset(0, 0);
  CControl* control = nullptr;
  switch (place.kind) {
    case ControlKind::kKnob:
      control = new CAnimKnob(size, this, place.tag, zarnith::kKnobFrames, zarnith::kKnobFrameHeight, image,
                              noOffset);
      break;
    case ControlKind::kSwitch:
      control = new CVerticalSwitch(size, this, place.tag, zarnith::kSwitchPositions,
                                    imageHeight / zarnith::kSwitchPositions, zarnith::kSwitchPositions, image,
                                    noOffset);
      break;
    case ControlKind::kOnOff:
      control = new COnOffButton(size, this, place.tag, image, kPreListenerUpdate);
      break;
    case ControlKind::kKick:
      control = new CKickButton(size, this, place.tag, imageHeight / 2, image, noOffset);
      break;
    case ControlKind::kLamp: {
      auto* lamp = new CMovieBitmap(size, this, zarnith::kLampTag, zarnith::kLampFrames,
                                    imageHeight / zarnith::kLampFrames, image, noOffset);
      control = lamp;
      switch (place.role) {
        case ControlRole::kFilterLampLp:
          filterTypeLeds[0] = lamp;
          break;
        case ControlRole::kFilterLampBp:
          filterTypeLeds[1] = lamp;
          break;
        case ControlRole::kFilterLampHp:
          filterTypeLeds[2] = lamp;
          break;
        case ControlRole::kSilenceLamp:
          silenceLed = lamp;
          break;
        case ControlRole::kRandBeatLamp:
          randBeatLed = lamp;
          break;
        default:
          bypassLed = lamp;
          break;
      }
      break;
    }
    case ControlKind::kDisplay: {
      auto* display = new CParamDisplay(size, nullptr, 1);
      display->setFontColor(MakeCColor(0, 255, 0, 255));
      display->setFont(kNormalFontVerySmall);
      control = display;
      if (place.role == ControlRole::kFreqDisplay) {
        freqDisplay = display;
        display->setStringConvert(zarnith::formatFrequency);
      } else if (place.role == ControlRole::kLfoRateDisplay) {
        lfoRateDisplay = display;
        display->setStringConvert(zarnith::formatLfoRate, &lfoSyncFlag);
      } else {
        scrambleOffsetDisplay = display;
        display->setStringConvert(zarnith::formatScrambleOffset);
      }
      break;
    }
  }
  controls[position] = control;

  switch (place.kind) {
    case ControlKind::kKnob:
    case ControlKind::kSwitch:
    case ControlKind::kOnOff:
    case ControlKind::kKick:
      control->setValue(parameter(place.tag));
      control->setTransparency(false);
      break;
    case ControlKind::kDisplay:
      if (place.role == ControlRole::kFreqDisplay)
        control->setValue(parameter(zarnith::kParamFreq) * 20000);
      else if (place.role == ControlRole::kLfoRateDisplay)
        updateLfoRateDisplay();
      else
        control->setValue(
            zarnith::truncToUint16(static_cast<double>(parameter(zarnith::kParamScramblerOffset)) * 32));
      break;
    case ControlKind::kLamp:
      break;  // set together once every lamp exists
  }
  frame->addView(control);
}

bool MyVstGUI::open(void* ptr) {
  if (frame) close();  // a second open without close rebuilds from scratch
  AEffGUIEditor::open(ptr);

  CBitmap* images[kImageSlots];
  for (int i = 0; i < kImageSlots; ++i) images[i] = new CBitmap(CResourceDescription(kOpenImages[i]));

  // The readout and the sync button follow the sync state the effect has now, even
  // when it changed while the window was closed.
  lfoSyncFlag.store(zarnith::truncToUint8(parameter(zarnith::kParamSyncOn)), std::memory_order_relaxed);

  CRect size(0, 0, backgroundBitmap->getWidth(), backgroundBitmap->getHeight());
  frame = new CFrame(size, ptr, this);
  frame->setBackground(backgroundBitmap);

  for (int position = 0; position < zarnith::kControlCount; ++position) {
    buildControl(position, images);
    if (position == zarnith::kVolumeKnobPosition) setKnobMode(kLinearMode);
  }

  // Lamps start from the effect's current state, so they are right after a reopen:
  // the effect sends filter-type states only when the type changes.
  const int lit = filterLampFor(parameter(zarnith::kParamFilterType));
  for (int i = 0; i < 3; ++i) {
    uint8_t state = i == lit ? 1 : 0;
    indicatorState[i].store(state, std::memory_order_relaxed);
    filterTypeLeds[i]->setValue(state);
  }
  silenceLed->setValue(parameter(zarnith::kParamSilenceInstr) == 0.0f ? 0.0f : 1.0f);
  randBeatLed->setValue(
      zarnith::truncToUint16(static_cast<double>(parameter(zarnith::kParamRandBeatFType)) * 6) == 0 ? 0.0f
                                                                                                    : 1.0f);
  bypassLed->setValue(zarnith::truncToUint16(parameter(zarnith::kParamBypass)) == 0 ? 1.0f : 0.0f);

  // Every control holds its own claim on the images it shows.
  for (CBitmap* image : images) image->forget();

  controlsLive.store(true);
  // A parent was given but no window could be made in it (no display, a dead window id):
  // the host hears of the failure, and nothing stays open.
  if (ptr && !frame->getPlatformFrame()) {
    close();
    return false;
  }
  return true;
}

void MyVstGUI::close() {
  controlsLive.store(false);
  // A parameter change on another thread that already passed the check finishes
  // its stores before the controls go; new ones see the window closed.
  while (parameterCallsInFlight.load() != 0) std::this_thread::yield();

  if (frame) frame->forget();  // deletes every view, and with them the images
  frame = nullptr;
  for (CControl*& c : controls) c = nullptr;
  freqDisplay = lfoRateDisplay = scrambleOffsetDisplay = nullptr;
  for (CMovieBitmap*& lamp : filterTypeLeds) lamp = nullptr;
  silenceLed = randBeatLed = bypassLed = nullptr;
  AEffGUIEditor::close();
}

void MyVstGUI::idle() {
  AEffGUIEditor::idle();
  for (int i = 0; i < 3; ++i)
    if (filterTypeLeds[i]) filterTypeLeds[i]->setValue(indicatorState[i].load(std::memory_order_relaxed));
}

void MyVstGUI::valueChanged(CControl* control) {
  if (!control || !effect) return;
  effect->setParameterAutomated(control->getTag(), control->getValue());
}

CControl* MyVstGUI::getControl(int layoutIndex) const {
  if (layoutIndex < 0 || layoutIndex >= zarnith::kControlCount) return nullptr;
  return controls[layoutIndex];
}

CControl* MyVstGUI::controlForTag(VstInt32 tag) const {
  return getControl(zarnith::layoutIndexOfTag(tag));
}

void MyVstGUI::setControl(VstInt32 tag, float value) {
  if (CControl* c = controlForTag(tag)) c->setValue(value);
}

void MyVstGUI::setParameter(VstInt32 index, float value) {
  InFlight guard(parameterCallsInFlight);
  if (!controlsLive.load()) return;  // window closed: nothing is remembered

  // Read only for the indices that use it: reading some parameters has effects.
  auto current = [this, index] { return parameter(index); };
  switch (index) {
    case zarnith::kParamFreq: {
      const float p = current();
      setControl(zarnith::kParamFreq, p);
      freqDisplay->setValue(p * 20000);
      break;
    }
    case zarnith::kParamQ:
    case zarnith::kParamSens:
    case zarnith::kParamBitCrusher:
    case zarnith::kParamEnvReverse:
    case zarnith::kParamLfoDepth:
    case zarnith::kParamEnvDepth:
    case zarnith::kParamScramblerDry:
    case zarnith::kParamScramblerWet:
    case zarnith::kParamDryWetMix:
    case zarnith::kParamVolume:
    case zarnith::kParamLfoOffset:
    case zarnith::kParamScramblerReverse:
    case zarnith::kParamModType:
    case zarnith::kParamFilterType:
    case zarnith::kParamLfoRateMult:
    case zarnith::kParamLfoType:
      setControl(index, current());
      break;
    case zarnith::kParamSyncOn: {
      const uint8_t sync = zarnith::truncToUint8(current());
      lfoSyncFlag.store(sync, std::memory_order_relaxed);
      setControl(zarnith::kParamSyncOn, sync);
      break;
    }
    case zarnith::kParamBeat:
      setControl(zarnith::kParamBeat,
                 static_cast<float>(zarnith::truncToUint16(static_cast<double>(current()) * 6) / 6.0));
      break;
    case zarnith::kParamLfoRate: {
      const float p = current();
      const uint8_t sync = zarnith::truncToUint8(parameter(zarnith::kParamSyncOn));
      lfoSyncFlag.store(sync, std::memory_order_relaxed);
      if (sync == 0)
        setControl(zarnith::kParamLfoRate, p);
      else
        setControl(zarnith::kParamLfoRate,
                   static_cast<float>(zarnith::truncToUint16(static_cast<double>(p) * 16) / 16.0));
      updateLfoRateDisplay();
      break;
    }
    case zarnith::kParamSilenceInstr:
      setControl(zarnith::kParamSilenceInstr, current());
      silenceLed->setValue(parameter(zarnith::kParamSilenceInstr) == 0.0f ? 0.0f : 1.0f);
      break;
    case zarnith::kParamScramblerOffset: {
      const uint16_t steps = zarnith::truncToUint16(static_cast<double>(current()) * 32);
      setControl(zarnith::kParamScramblerOffset, static_cast<float>(steps / 32.0));
      scrambleOffsetDisplay->setValue(steps);
      break;
    }
    case zarnith::kParamRandBeatFType: {
      setControl(zarnith::kParamRandBeatFType,
                 static_cast<float>(zarnith::truncToUint16(static_cast<double>(current()) * 6) / 6.0));
      const float snapped = static_cast<float>(
          zarnith::truncToUint16(static_cast<double>(parameter(zarnith::kParamRandBeatFType)) * 6) / 6.0);
      randBeatLed->setValue(snapped == 0.0f ? 0.0f : 1.0f);
      break;
    }
    case zarnith::kParamLampLowPass:
    case zarnith::kParamLampBandPass:
    case zarnith::kParamLampHighPass:
      // Possibly the audio thread: only the byte is stored; idle lights the lamp.
      indicatorState[index - zarnith::kParamLampLowPass].store(zarnith::truncToUint8(value),
                                                               std::memory_order_relaxed);
      break;
    case zarnith::kParamBypass: {
      const float p = current();
      bypassLed->setValue(zarnith::truncToUint16(p) == 0 ? 1.0f : 0.0f);
      setControl(zarnith::kParamBypass, p);
      break;
    } break;
    default:
      break;
  }
}

void MyVstGUI::updateLfoRateDisplay() {
  if (!lfoRateDisplay) return;
  if (lfoSyncFlag.load(std::memory_order_relaxed) == 0) {
    const float m = parameter(zarnith::kParamLfoRateMult);
    float multiplier;
    if (m < 0.33)
      multiplier = 1.001f;
    else if (m <= 0.66)
      multiplier = 10.0f;
    else
      multiplier = 100.0f;
    lfoRateDisplay->setValue(parameter(zarnith::kParamLfoRate) * multiplier);
  } else {
    lfoRateDisplay->setValue(static_cast<float>(
        zarnith::truncToUint16(static_cast<double>(parameter(zarnith::kParamLfoRate)) * 16) / 16.0));
  }
}
