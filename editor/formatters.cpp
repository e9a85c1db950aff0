#include "formatters.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace zarnith {

const char* const kLfoSyncRateNames[kLfoSyncSteps] = {
    "0",           "1/1",         "1/2",         "3 per beat",  "1/4",         "5 per beat",
    "6 per beat",  "7 per beat",  "1/8",         "9 per beat",  "10 per beat", "11 per beat",
    "12 per beat", "13 per beat", "14 per beat", "15 per beat", "1/16"};

void formatFrequency(float value, char* text) {
  std::snprintf(text, kReadoutTextSize, "%d Hz", static_cast<int>(truncToInt32(value)));
}

void formatLfoRateText(float value, bool synced, char* text) {
  if (!synced) {
    std::snprintf(text, kReadoutTextSize, "%3.3f Hz", static_cast<double>(value));
    return;
  }
  // Values beyond 0..1 (never sent by the effect) show the nearest end of the table.
  uint8_t step = truncToUint8(static_cast<double>(value) * 16);
  if (step >= kLfoSyncSteps) step = kLfoSyncSteps - 1;
  std::snprintf(text, kReadoutTextSize, "%s", kLfoSyncRateNames[step]);
}

void formatLfoRate(float value, char* text, void* userData) {
  const auto* flag = static_cast<const std::atomic<uint8_t>*>(userData);
  bool synced = flag && flag->load(std::memory_order_relaxed) != 0;
  formatLfoRateText(value, synced, text);
}

void formatScrambleOffset(float value, char* text) {
  std::snprintf(text, kReadoutTextSize, "0");
  int16_t steps = truncToInt16(static_cast<double>(value) - 16);
  if (steps < 0)
    std::snprintf(text, kReadoutTextSize, "-%d/%d", -static_cast<int>(steps), 16);
  else if (steps > 0)
    std::snprintf(text, kReadoutTextSize, "+%d/%d", static_cast<int>(steps), 16);
}

}  // namespace zarnith
