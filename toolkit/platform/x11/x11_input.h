// Translations of X11 input fields into the toolkit's buttons, wheel distances and key codes.
// Pure functions of the event fields: no requests to the server, so they are tested alone.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "host/plugin_interface.h"

// Buttons and modifiers held according to an event's state field (the state before the event):
// left, middle, right, Shift, Control and Alt (Mod1). The extra buttons 8 and 9 have no state
// bits in X11; extraButtons carries the ones the caller saw pressed.
int32_t x11ButtonsFromState(unsigned int state, int32_t extraButtons = 0);
// The toolkit flag of a pointer button number: 1 left, 2 middle, 3 right, 8 and 9 the extra
// buttons; 0 for the wheel buttons 4 to 7 and anything else.
int32_t x11ButtonFlag(unsigned int button);
// Wheel buttons: 4 up and 5 down on the vertical axis, 6 left and 7 right on the horizontal
// one; one notch is distance 1 (up and right positive). False for other buttons.
bool x11WheelFromButton(unsigned int button, int32_t& axis, float& distance);

// X11 reports no double clicks: a second press of the same button soon enough and close
// enough to the first is one. The press after a double click starts a new pair.
class X11DoubleClickDetector {
 public:
  X11DoubleClickDetector(unsigned long intervalMs, int slopPixels) : interval(intervalMs), slop(slopPixels) {}
  // Records a press; true when it completes a double click.
  bool press(unsigned int button, unsigned long timeMs, int x, int y);
  void reset() { lastButton = 0; }

 private:
  unsigned long interval;
  int slop;
  unsigned int lastButton = 0;
  unsigned long lastTime = 0;
  int lastX = 0;
  int lastY = 0;
};

// A key event as the host's key forwarding would build it: the character for printable keys,
// the virtual key for the named ones (tab 2, arrows 11 to 14 among them), Shift, Alt and
// Control in the modifier byte. False for keys that carry neither (lone modifiers).
bool x11TranslateKey(KeySym symbol, unsigned int state, VstKeyCode& key);
