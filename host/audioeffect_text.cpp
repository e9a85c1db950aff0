// Display texts for parameter values: fixed-width decimals, decibels and integers.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audioeffect.h"

namespace {

// Every display is eight characters wide.
const int kDisplayWidth = 8;

}  // namespace

void copyWholeText(char* target, const char* text) {
  if (target) std::strcpy(target, text);
}

void copyCutText(char* target, const char* text, VstInt32 maxLen) {
  if (!target) return;
  if (maxLen < 0) maxLen = 0;
  size_t n = std::strlen(text);
  if (n > static_cast<size_t>(maxLen)) n = static_cast<size_t>(maxLen);
  std::memcpy(target, text, n);
  target[n] = 0;
}

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
  char buffer[32];
  double v = value;
  if (std::isnan(v)) {
    copyCutText(text, "NaN", maxLen);
    return;
  }
  const bool negative = v < 0.0;
  if (negative) v = -v;
  int used = negative ? 1 : 0;
  double integer = std::floor(v);
  // The integer digits and the point must fit; larger magnitudes would lose leading digits.
  const int maxIntegerDigits = kDisplayWidth - used - 1;
  if (!(integer < std::pow(10.0, maxIntegerDigits))) {
    copyCutText(text, negative ? "-Huge!" : "Huge!", maxLen);
    return;
  }
  char* out = buffer;
  if (negative) *out++ = '-';
  int written = std::snprintf(out, sizeof(buffer) - 1, "%lld", static_cast<long long>(integer));
  out += written;
  used += written;
  *out++ = '.';
  used++;
  const int places = kDisplayWidth - used;
  if (places > 0) {
    // Digits are cut, not rounded: the fraction scaled to the remaining places, truncated.
    const double scale = std::pow(10.0, places);
    long long digits = static_cast<long long>(std::floor((v - integer) * scale));
    if (digits >= static_cast<long long>(scale)) digits = static_cast<long long>(scale) - 1;
    if (digits < 0) digits = 0;
    std::snprintf(out, sizeof(buffer) - (out - buffer), "%0*lld", places, digits);
  } else {
    *out = 0;
  }
  copyCutText(text, buffer, maxLen);
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
  if (value <= 0.0f) {
    copyCutText(text, "-oo", maxLen);
    return;
  }
  float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
  if (value >= 100000000) {
    copyCutText(text, "Huge!", maxLen);
    return;
  }
  // A sign and eight digits would not fit the display either.
  if (value <= -10000000) {
    copyCutText(text, "-Huge!", maxLen);
    return;
  }
  char buffer[16];
  long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
  std::snprintf(buffer, sizeof(buffer), "%s%lld", value < 0 ? "-" : "", magnitude);
  copyCutText(text, buffer, maxLen);
}
