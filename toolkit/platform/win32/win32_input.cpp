#include "toolkit/platform/win32/win32_input.h"

#include "toolkit/cview.h"

int32_t win32ButtonsFromKeyState(WPARAM keyState, bool altDown) {
  int32_t buttons = 0;
  if (keyState & MK_LBUTTON) buttons |= kLButton;
  if (keyState & MK_RBUTTON) buttons |= kRButton;
  if (keyState & MK_MBUTTON) buttons |= kMButton;
  if (keyState & MK_XBUTTON1) buttons |= kButton4;
  if (keyState & MK_XBUTTON2) buttons |= kButton5;
  if (keyState & MK_CONTROL) buttons |= kControl;
  if (keyState & MK_SHIFT) buttons |= kShift;
  if (altDown) buttons |= kAlt;
  return buttons;
}

int32_t win32LiveButtons(const Win32LiveInput& input, bool swapped) {
  int32_t buttons = 0;
  if (input.physicalLeft) buttons |= swapped ? kRButton : kLButton;
  if (input.physicalRight) buttons |= swapped ? kLButton : kRButton;
  if (input.middle) buttons |= kMButton;
  if (input.shift) buttons |= kShift;
  if (input.control) buttons |= kControl;
  if (input.alt) buttons |= kAlt;
  return buttons;
}

bool win32IsDoubleClick(UINT message) {
  return message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK ||
         message == WM_XBUTTONDBLCLK;
}
