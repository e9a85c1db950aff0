// Translations of Win32 pointer input into the toolkit's buttons. Pure functions of the message
// fields and key states, so they are tested alone.
#pragma once

#include <windows.h>

#include <cstdint>

// Buttons of a pointer message from its key-state word (MK_ flags, logical buttons), plus Alt,
// which the word does not carry.
int32_t win32ButtonsFromKeyState(WPARAM keyState, bool altDown);

// Live state of the physical buttons and keys as logical buttons: with swapped buttons the
// physical right button is the logical left one, and the other way round.
struct Win32LiveInput {
  bool physicalLeft;
  bool physicalRight;
  bool middle;
  bool shift;
  bool control;
  bool alt;
};
int32_t win32LiveButtons(const Win32LiveInput& input, bool swapped);

// True for the double-click messages of any button.
bool win32IsDoubleClick(UINT message);
