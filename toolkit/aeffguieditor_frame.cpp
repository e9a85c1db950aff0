// The editor operations that drive the frame: idle, keys, wheel, drawing and the idle pump.
#include "aeffguieditor.h"
#include "cdrawcontext.h"
#include "cframe.h"
#include "host/audioeffect.h"
#include "platform/platform_frame.h"

void AEffGUIEditor::idle() {
  // The host may call idle from inside masterIdle, which the pump itself calls.
  if (inIdleStuff) return;
  if (frame) frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) {
  return frame && frame->onKeyDown(keyCode) > 0;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode) {
  return frame && frame->onKeyUp(keyCode) > 0;
}

bool AEffGUIEditor::onWheel(float distance) {
  if (!frame) return false;
  CDrawContext* context = frame->createDrawContext();
  CPoint where;
  if (context) context->getMouseLocation(where);
  int32_t buttons = frame->getCurrentMouseButtons();
  bool result = frame->onWheel(where, distance, buttons);
  if (context) context->forget();
  return result;
}

void AEffGUIEditor::draw(ERect* r) {
  if (!frame) return;
  CRect updateRect = frame->getViewSize();
  if (r) updateRect = CRect(r->left, r->top, r->right, r->bottom);
  CDrawContext* context = frame->createDrawContext();
  if (!context) return;
  frame->drawRect(context, updateRect);
  context->forget();
}

void AEffGUIEditor::doIdleStuff() {
  // At most one full pass per 100 ms: an early call sleeps 4 ms, and when it is still
  // more than 50 ms early it does nothing more. Unsigned arithmetic, as the ticks wrap.
  uint32_t now = getTicks();
  if (now < lLastTicks) {
    wait(4);
    now += 4;
    if (now < lLastTicks - 50) return;
  }
  idle();
  if (frame) frame->pumpOnePendingPaint();
  lLastTicks = now + 100;
  inIdleStuff = true;
  if (effect) effect->masterIdle();
  inIdleStuff = false;
}

void AEffGUIEditor::wait(uint32_t milliseconds) {
  platformWait(milliseconds);
}

uint32_t AEffGUIEditor::getTicks() {
  return getPlatformTicks();
}
