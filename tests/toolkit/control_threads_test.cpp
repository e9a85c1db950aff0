// Parameter changes arrive from any thread: a control's value is stored there while the
// user-interface thread runs the idle pass and draws. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/cknob.h"
#include "toolkit/cparamdisplay.h"

namespace {

TEST(ControlThreads, ValuesStoredFromAnotherThreadAreDrawnAtIdle) {
  CFrame* frame = new CFrame(CRect(0, 0, 100, 60), nullptr, nullptr);
  CKnob* knob = new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr, nullptr);
  CParamDisplay* display = new CParamDisplay(CRect(50, 0, 100, 20));
  frame->addView(knob);
  frame->addView(display);
  COffscreenContext surface(frame, 100, 60);

  std::atomic<bool> done{false};
  std::thread audio([&] {
    // What the effect's setParameter does on the audio thread: store values, nothing else.
    for (int i = 0; i < 20000; i++) {
      float v = static_cast<float>(i % 101) / 100.0f;
      knob->setValue(v);
      display->setValue(v);
    }
    done.store(true, std::memory_order_relaxed);
  });
  int passes = 0;
  while (!done.load(std::memory_order_relaxed) || passes < 3) {
    frame->idle();
    frame->draw(&surface);
    passes++;
  }
  audio.join();
  frame->idle();
  frame->draw(&surface);
  EXPECT_FALSE(knob->isDirty());
  EXPECT_EQ(static_cast<float>(19999 % 101) / 100.0f, knob->getValue());
  EXPECT_EQ(static_cast<float>(19999 % 101) / 100.0f, display->getValue());
  frame->forget();
}

}  // namespace
