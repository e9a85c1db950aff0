#include "tempo_map.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "render_plan.h"

namespace {

const double kEndless = std::numeric_limits<double>::infinity();

double quartersPerBar(int numerator, int denominator) {
  return numerator * 4.0 / denominator;
}

// Splits at blanks and colons.
std::vector<std::string> tokens(const std::string& line) {
  std::string spaced = line;
  std::replace(spaced.begin(), spaced.end(), ':', ' ');
  std::istringstream in(spaced);
  std::vector<std::string> out;
  std::string token;
  while (in >> token) out.push_back(token);
  return out;
}

}  // namespace

bool parseTimeSignature(const std::string& text, int* numerator, int* denominator) {
  const size_t slash = text.find('/');
  int n = 0, d = 0;
  if (slash == std::string::npos || !parseInt(text.substr(0, slash), 1, 64, &n) ||
      !parseInt(text.substr(slash + 1), 1, 64, &d) || (d & (d - 1)) != 0)
    return false;
  *numerator = n;
  *denominator = d;
  return true;
}

TempoMap::TempoMap(double bpm, int numerator, int denominator) {
  tempo_.push_back({0.0, bpm, false});
  meters_.push_back({0, numerator, denominator, 0.0});
}

void TempoMap::setTempo(double ppq, double bpm, bool ramp) {
  auto at = std::lower_bound(tempo_.begin(), tempo_.end(), ppq,
                             [](const TempoPoint& p, double q) { return p.ppq < q; });
  if (at != tempo_.end() && at->ppq == ppq) {
    *at = {ppq, bpm, ramp};
  } else {
    tempo_.insert(at, {ppq, bpm, ramp});
  }
}

void TempoMap::setMeter(int bar, int numerator, int denominator) {
  auto at =
      std::lower_bound(meters_.begin(), meters_.end(), bar, [](const Meter& m, int b) { return m.bar < b; });
  if (at != meters_.end() && at->bar == bar) {
    at->numerator = numerator;
    at->denominator = denominator;
  } else {
    meters_.insert(at, {bar, numerator, denominator, 0.0});
  }
  for (size_t i = 1; i < meters_.size(); i++) {
    const Meter& before = meters_[i - 1];
    meters_[i].ppq =
        before.ppq + (meters_[i].bar - before.bar) * quartersPerBar(before.numerator, before.denominator);
  }
}

int TempoMap::segmentAt(double ppq) const {
  int segment = -1;
  for (size_t i = 0; i < tempo_.size() && tempo_[i].ppq <= ppq; i++) segment = static_cast<int>(i);
  return segment;
}

double TempoMap::segmentEnd(int segment) const {
  const size_t next = static_cast<size_t>(segment + 1);
  if (next < tempo_.size() && tempo_[next].ramp) return tempo_[next].ppq;
  // A constant tempo goes on across points that keep it.
  const double bpm = tempo_[std::max(segment, 0)].bpm;
  size_t j = next;
  while (j < tempo_.size() && !tempo_[j].ramp && tempo_[j].bpm == bpm) j++;
  return j < tempo_.size() ? tempo_[j].ppq : kEndless;
}

double TempoMap::tempoAt(double ppq) const {
  const int segment = segmentAt(ppq);
  const size_t next = static_cast<size_t>(segment + 1);
  if (segment < 0 || next >= tempo_.size() || !tempo_[next].ramp) return tempo_[std::max(segment, 0)].bpm;
  const TempoPoint& a = tempo_[segment];
  const TempoPoint& b = tempo_[next];
  return a.bpm + (b.bpm - a.bpm) * (ppq - a.ppq) / (b.ppq - a.ppq);
}

double TempoMap::steadyUntil(double ppq) const {
  const int segment = segmentAt(ppq);
  const size_t next = static_cast<size_t>(segment + 1);
  if (segment >= 0 && next < tempo_.size() && tempo_[next].ramp && tempo_[next].bpm != tempo_[segment].bpm)
    return ppq;
  return segmentEnd(segment);
}

double TempoMap::secondsBetween(double from, double to) const {
  double seconds = 0.0;
  double q = from;
  while (q < to) {
    const int segment = segmentAt(q);
    const double end = std::min(segmentEnd(segment), to);
    const double t0 = tempoAt(q);
    const size_t next = static_cast<size_t>(segment + 1);
    if (segment >= 0 && next < tempo_.size() && tempo_[next].ramp &&
        tempo_[next].bpm != tempo_[segment].bpm) {
      // The tempo moves linearly in position, so time is a logarithm of the tempo ratio.
      const double slope =
          (tempo_[next].bpm - tempo_[segment].bpm) / (tempo_[next].ppq - tempo_[segment].ppq);
      const double t1 = tempo_[segment].bpm + slope * (end - tempo_[segment].ppq);
      seconds += 60.0 / slope * std::log(t1 / t0);
    } else {
      seconds += (end - q) * 60.0 / t0;
    }
    q = end;
  }
  return seconds;
}

double TempoMap::advance(double ppq, double seconds) const {
  double q = ppq;
  double left = seconds;
  for (;;) {
    const int segment = segmentAt(q);
    const double end = segmentEnd(segment);
    const double t0 = tempoAt(q);
    const size_t next = static_cast<size_t>(segment + 1);
    const bool ramp =
        segment >= 0 && next < tempo_.size() && tempo_[next].ramp && tempo_[next].bpm != tempo_[segment].bpm;
    const double needed = end == kEndless ? kEndless : secondsBetween(q, end);
    if (left < needed) {
      if (!ramp) return q + left * t0 / 60.0;
      const double slope =
          (tempo_[next].bpm - tempo_[segment].bpm) / (tempo_[next].ppq - tempo_[segment].ppq);
      const double t1 = t0 * std::exp(slope * left / 60.0);
      return std::min(q + (t1 - t0) / slope, end);
    }
    left -= needed;
    q = end;
  }
}

void TempoMap::meterAt(double ppq, int* numerator, int* denominator, double* barStart) const {
  size_t m = 0;
  while (m + 1 < meters_.size() && meters_[m + 1].ppq <= ppq) m++;
  const Meter& meter = meters_[m];
  const double quarters = quartersPerBar(meter.numerator, meter.denominator);
  *numerator = meter.numerator;
  *denominator = meter.denominator;
  *barStart = meter.ppq + std::floor((ppq - meter.ppq) / quarters) * quarters;
}

double TempoMap::barPosition(double bars) const {
  size_t m = 0;
  while (m + 1 < meters_.size() && meters_[m + 1].bar <= bars) m++;
  const Meter& meter = meters_[m];
  return meter.ppq + (bars - meter.bar) * quartersPerBar(meter.numerator, meter.denominator);
}

bool TempoMap::parsePosition(const std::string& text, double* ppq) const {
  static const char* const kBarUnits[] = {"bars", "bar"};
  for (const char* unit : kBarUnits) {
    const std::string suffix = unit;
    if (text.size() > suffix.size() &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
      double bars = 0;
      if (!parseNumber(text.substr(0, text.size() - suffix.size()), &bars) || std::fabs(bars) > 1e7)
        return false;
      *ppq = barPosition(bars);
      return true;
    }
  }
  std::string number = text;
  if (number.size() > 5 && number.compare(number.size() - 5, 5, "beats") == 0)
    number.resize(number.size() - 5);
  return parseNumber(number, ppq) && std::fabs(*ppq) <= 1e9;
}

bool TempoMap::load(const std::string& path, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = path + ": cannot open for reading";
    return false;
  }
  std::vector<std::pair<int, std::vector<std::string>>> tempoLines;
  std::string line;
  int number = 0;
  // Meters first, so that tempo points may be placed in bars of any meter.
  while (std::getline(in, line)) {
    number++;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::vector<std::string> t = tokens(line);
    if (t.empty()) continue;
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (t[0] == "sig") {
      int bar = 0, n = 0, d = 0;
      if (t.size() != 3 || !parseInt(t[1], 0, 1000000, &bar) || !parseTimeSignature(t[2], &n, &d)) {
        *error = where + "a time signature is 'sig BAR N/D' (bars from 0, D a power of two)";
        return false;
      }
      setMeter(bar, n, d);
    } else {
      tempoLines.emplace_back(number, t);
    }
  }
  for (const auto& entry : tempoLines) {
    const std::string where = path + ":" + std::to_string(entry.first) + ": ";
    if (!addTempoPoint(entry.second, error)) {
      *error = where + *error;
      return false;
    }
  }
  return true;
}

bool TempoMap::addTempoPoint(const std::vector<std::string>& t, std::string* error) {
  double ppq = 0, bpm = 0;
  bool ramp = false;
  if (t.size() < 2 || t.size() > 3 || !parsePosition(t[0], &ppq) || !parseNumber(t[1], &bpm) || bpm <= 0.0 ||
      bpm > 10000.0 || (t.size() == 3 && t[2] != "ramp" && t[2] != "step")) {
    *error = "a tempo point is BEAT:BPM or BEAT:BPM:ramp (BEAT in quarter notes or as Nbars, BPM above 0)";
    return false;
  }
  if (ppq < 0.0) {
    *error = "a tempo point lies before the song's start";
    return false;
  }
  ramp = t.size() == 3 && t[2] == "ramp";
  setTempo(ppq, bpm, ramp);
  return true;
}

bool TempoMap::addTempoPoint(const std::string& text, std::string* error) {
  return addTempoPoint(tokens(text), error);
}
