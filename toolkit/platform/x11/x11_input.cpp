#include "x11_input.h"

#include <X11/keysym.h>

#include <cstdlib>

#include "toolkit/cview.h"

int32_t x11ButtonsFromState(unsigned int state, int32_t extraButtons) {
  int32_t buttons = extraButtons & (kButton4 | kButton5);
  if (state & Button1Mask) buttons |= kLButton;
  if (state & Button2Mask) buttons |= kMButton;
  if (state & Button3Mask) buttons |= kRButton;
  if (state & ShiftMask) buttons |= kShift;
  if (state & ControlMask) buttons |= kControl;
  if (state & Mod1Mask) buttons |= kAlt;
  return buttons;
}

int32_t x11ButtonFlag(unsigned int button) {
  switch (button) {
    case Button1:
      return kLButton;
    case Button2:
      return kMButton;
    case Button3:
      return kRButton;
    case 8:
      return kButton4;
    case 9:
      return kButton5;
    default:
      return 0;
  }
}

bool x11WheelFromButton(unsigned int button, int32_t& axis, float& distance) {
  switch (button) {
    case Button4:
      axis = kMouseWheelAxisY;
      distance = 1.f;
      return true;
    case Button5:
      axis = kMouseWheelAxisY;
      distance = -1.f;
      return true;
    case 6:
      axis = kMouseWheelAxisX;
      distance = -1.f;
      return true;
    case 7:
      axis = kMouseWheelAxisX;
      distance = 1.f;
      return true;
    default:
      return false;
  }
}

bool X11DoubleClickDetector::press(unsigned int button, unsigned long timeMs, int x, int y) {
  // Server times are 32-bit milliseconds that wrap; the difference survives the wrap.
  const unsigned long elapsed = (timeMs - lastTime) & 0xFFFFFFFFul;
  const bool isDouble = lastButton == button && elapsed <= interval && std::abs(x - lastX) <= slop &&
                        std::abs(y - lastY) <= slop;
  if (isDouble) {
    lastButton = 0;
  } else {
    lastButton = button;
    lastTime = timeMs;
    lastX = x;
    lastY = y;
  }
  return isDouble;
}

namespace {

// The interface's virtual key numbers for the keys the toolkit knows by name.
enum {
  kVirtBack = 1,
  kVirtTab = 2,
  kVirtReturn = 4,
  kVirtEscape = 6,
  kVirtSpace = 7,
  kVirtEnd = 9,
  kVirtHome = 10,
  kVirtLeft = 11,
  kVirtUp = 12,
  kVirtRight = 13,
  kVirtDown = 14,
  kVirtPageUp = 15,
  kVirtPageDown = 16,
};

unsigned char virtualKey(KeySym symbol) {
  switch (symbol) {
    case XK_BackSpace:
      return kVirtBack;
    case XK_Tab:
    case XK_ISO_Left_Tab:  // what Shift+Tab produces on most layouts
      return kVirtTab;
    case XK_Return:
    case XK_KP_Enter:
      return kVirtReturn;
    case XK_Escape:
      return kVirtEscape;
    case XK_space:
      return kVirtSpace;
    case XK_End:
    case XK_KP_End:
      return kVirtEnd;
    case XK_Home:
    case XK_KP_Home:
      return kVirtHome;
    case XK_Left:
    case XK_KP_Left:
      return kVirtLeft;
    case XK_Up:
    case XK_KP_Up:
      return kVirtUp;
    case XK_Right:
    case XK_KP_Right:
      return kVirtRight;
    case XK_Down:
    case XK_KP_Down:
      return kVirtDown;
    case XK_Page_Up:
    case XK_KP_Page_Up:
      return kVirtPageUp;
    case XK_Page_Down:
    case XK_KP_Page_Down:
      return kVirtPageDown;
    default:
      return 0;
  }
}

}  // namespace

bool x11TranslateKey(KeySym symbol, unsigned int state, VstKeyCode& key) {
  key.character = 0;
  key.virt = virtualKey(symbol);
  key.modifier = 0;
  if (state & ShiftMask) key.modifier |= MODIFIER_SHIFT;
  if (state & Mod1Mask) key.modifier |= MODIFIER_ALTERNATE;
  if (state & ControlMask) key.modifier |= MODIFIER_CONTROL;
  if (key.virt == 0) {
    // Printable Latin-1 keys carry their character (the keysym equals the code there).
    if (symbol >= 0x20 && symbol <= 0x7e) {
      key.character = static_cast<VstInt32>(symbol);
    } else if (symbol >= 0xa0 && symbol <= 0xff) {
      key.character = static_cast<VstInt32>(symbol);
    } else {
      return false;
    }
  }
  return true;
}
