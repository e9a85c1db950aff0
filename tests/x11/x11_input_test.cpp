// Translation of X11 pointer and key fields into the toolkit's buttons, wheel and key codes.
#include <gtest/gtest.h>
// clang-format off
#include <X11/keysym.h>
// clang-format on

#include "toolkit/cview.h"
#include "toolkit/platform/x11/x11_input.h"

TEST(X11Input, StateBitsBecomeButtonsAndModifiers) {
  EXPECT_EQ(x11ButtonsFromState(0), 0);
  EXPECT_EQ(x11ButtonsFromState(Button1Mask), kLButton);
  EXPECT_EQ(x11ButtonsFromState(Button2Mask), kMButton);
  EXPECT_EQ(x11ButtonsFromState(Button3Mask), kRButton);
  EXPECT_EQ(x11ButtonsFromState(ShiftMask | ControlMask | Mod1Mask), kShift | kControl | kAlt);
  // Caps Lock, Num Lock (Mod2) and the wheel's state bits are no buttons of ours.
  EXPECT_EQ(x11ButtonsFromState(LockMask | Mod2Mask | Button4Mask | Button5Mask), 0);
  // The extra buttons have no state bits; the caller's record of them is merged.
  EXPECT_EQ(x11ButtonsFromState(Button1Mask, kButton5), kLButton | kButton5);
  EXPECT_EQ(x11ButtonsFromState(0, kShift | kButton4), kButton4);
}

TEST(X11Input, ButtonNumbers) {
  EXPECT_EQ(x11ButtonFlag(1), kLButton);
  EXPECT_EQ(x11ButtonFlag(2), kMButton);
  EXPECT_EQ(x11ButtonFlag(3), kRButton);
  EXPECT_EQ(x11ButtonFlag(8), kButton4);
  EXPECT_EQ(x11ButtonFlag(9), kButton5);
  for (unsigned int wheel = 4; wheel <= 7; ++wheel) EXPECT_EQ(x11ButtonFlag(wheel), 0) << wheel;
  EXPECT_EQ(x11ButtonFlag(10), 0);
}

TEST(X11Input, WheelButtonsAreOneNotchEach) {
  int32_t axis = -1;
  float distance = 0.f;
  ASSERT_TRUE(x11WheelFromButton(4, axis, distance));
  EXPECT_EQ(axis, kMouseWheelAxisY);
  EXPECT_EQ(distance, 1.f);
  ASSERT_TRUE(x11WheelFromButton(5, axis, distance));
  EXPECT_EQ(axis, kMouseWheelAxisY);
  EXPECT_EQ(distance, -1.f);
  ASSERT_TRUE(x11WheelFromButton(6, axis, distance));
  EXPECT_EQ(axis, kMouseWheelAxisX);
  EXPECT_EQ(distance, -1.f);
  ASSERT_TRUE(x11WheelFromButton(7, axis, distance));
  EXPECT_EQ(axis, kMouseWheelAxisX);
  EXPECT_EQ(distance, 1.f);
  EXPECT_FALSE(x11WheelFromButton(1, axis, distance));
  EXPECT_FALSE(x11WheelFromButton(8, axis, distance));
}

TEST(X11Input, DoubleClickNeedsSameButtonSoonAndClose) {
  X11DoubleClickDetector d(400, 2);
  EXPECT_FALSE(d.press(1, 1000, 10, 10));
  EXPECT_TRUE(d.press(1, 1400, 12, 8));   // 400 ms and 2 pixels: still a pair
  EXPECT_FALSE(d.press(1, 1450, 12, 8));  // the third press starts a new pair
  EXPECT_TRUE(d.press(1, 1500, 12, 8));

  X11DoubleClickDetector late(400, 2);
  EXPECT_FALSE(late.press(1, 1000, 10, 10));
  EXPECT_FALSE(late.press(1, 1401, 10, 10));  // too late, but it starts the next pair
  EXPECT_TRUE(late.press(1, 1500, 10, 10));

  X11DoubleClickDetector far(400, 2);
  EXPECT_FALSE(far.press(1, 1000, 10, 10));
  EXPECT_FALSE(far.press(1, 1100, 13, 10));

  X11DoubleClickDetector other(400, 2);
  EXPECT_FALSE(other.press(1, 1000, 10, 10));
  EXPECT_FALSE(other.press(3, 1100, 10, 10));
  EXPECT_TRUE(other.press(3, 1200, 10, 10));

  // Server times wrap at 32 bits.
  X11DoubleClickDetector wrap(400, 2);
  EXPECT_FALSE(wrap.press(1, 0xFFFFFF00ul, 0, 0));
  EXPECT_TRUE(wrap.press(1, 0x50ul, 0, 0));
}

TEST(X11Input, NamedKeysGetTheirVirtualCodes) {
  VstKeyCode key;
  ASSERT_TRUE(x11TranslateKey(XK_Left, 0, key));
  EXPECT_EQ(key.virt, 11);
  EXPECT_EQ(key.character, 0);
  ASSERT_TRUE(x11TranslateKey(XK_Up, 0, key));
  EXPECT_EQ(key.virt, 12);
  ASSERT_TRUE(x11TranslateKey(XK_Right, 0, key));
  EXPECT_EQ(key.virt, 13);
  ASSERT_TRUE(x11TranslateKey(XK_Down, 0, key));
  EXPECT_EQ(key.virt, 14);
  ASSERT_TRUE(x11TranslateKey(XK_KP_Down, 0, key));
  EXPECT_EQ(key.virt, 14);
  ASSERT_TRUE(x11TranslateKey(XK_Tab, 0, key));
  EXPECT_EQ(key.virt, 2);
  EXPECT_EQ(key.modifier, 0);
  // Shift+Tab arrives as ISO_Left_Tab on most layouts: still Tab, with Shift.
  ASSERT_TRUE(x11TranslateKey(XK_ISO_Left_Tab, ShiftMask, key));
  EXPECT_EQ(key.virt, 2);
  EXPECT_EQ(key.modifier, MODIFIER_SHIFT);
}

TEST(X11Input, CharactersAndModifiers) {
  VstKeyCode key;
  ASSERT_TRUE(x11TranslateKey(XK_a, ControlMask | Mod1Mask, key));
  EXPECT_EQ(key.character, 'a');
  EXPECT_EQ(key.virt, 0);
  EXPECT_EQ(key.modifier, MODIFIER_CONTROL | MODIFIER_ALTERNATE);
  ASSERT_TRUE(x11TranslateKey(XK_adiaeresis, 0, key));
  EXPECT_EQ(key.character, 0xe4);
  EXPECT_FALSE(x11TranslateKey(XK_Shift_L, ShiftMask, key));
  EXPECT_FALSE(x11TranslateKey(NoSymbol, 0, key));
}
