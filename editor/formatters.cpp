#include "formatters.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace zarnith {

namespace {

template <typename T>
T saturatingTrunc(double v) {
  if (std::isnan(v)) return 0;
  const double lo = static_cast<double>(std::numeric_limits<T>::min());
  const double hi = static_cast<double>(std::numeric_limits<T>::max());
  if (v <= lo) return std::numeric_limits<T>::min();
  if (v >= hi) return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}

}  // namespace

uint8_t truncToU8(double v) {
  return saturatingTrunc<uint8_t>(v);
}
uint16_t truncToU16(double v) {
  return saturatingTrunc<uint16_t>(v);
}
int16_t truncToI16(double v) {
  return saturatingTrunc<int16_t>(v);
}
int32_t truncToI32(double v) {
  return saturatingTrunc<int32_t>(v);
}

const char* const kLfoSyncRateNames[kLfoSyncSteps] = {
    "0",           "1/1",         "1/2",         "3 per beat",  "1/4",         "5 per beat",
    "6 per beat",  "7 per beat",  "1/8",         "9 per beat",  "10 per beat", "11 per beat",
    "12 per beat", "13 per beat", "14 per beat", "15 per beat", "1/16"};

void formatFrequency(float value, char* text) {
  std::snprintf(text, kReadoutTextSize, "%d Hz", static_cast<int>(truncToI32(value)));
}

void formatLfoRateText(float value, bool synced, char* text) {
  if (!synced) {
    std::snprintf(text, kReadoutTextSize, "%3.3f Hz", static_cast<double>(value));
    return;
  }
  // Values beyond 0..1 (never sent by the effect) show the nearest end of the table.
  uint8_t step = truncToU8(static_cast<double>(value) * 16);
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
  int16_t steps = truncToI16(static_cast<double>(value) - 16);
  if (steps < 0)
    std::snprintf(text, kReadoutTextSize, "-%d/%d", -static_cast<int>(steps), 16);
  else if (steps > 0)
    std::snprintf(text, kReadoutTextSize, "+%d/%d", static_cast<int>(steps), 16);
}

}  // namespace zarnith
