#include "render_timeline.h"

#include <algorithm>
#include <cstdio>

#include "render_plan.h"

namespace {

// Splits "A:B" at its first colon.
bool splitPair(const std::string& text, std::string* a, std::string* b) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
  *a = text.substr(0, colon);
  *b = text.substr(colon + 1);
  return true;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// How long a stop lasts: "2s" seconds, or beats ("2", "2beats") or bars ("1bars")
// taking as long as playing them from where the transport stops.
bool parseStopLength(const TempoMap& map, double at, const std::string& text, double* seconds) {
  double amount = 0;
  if (endsWith(text, "bars") || endsWith(text, "bar")) {
    if (!parseNumber(text.substr(0, text.size() - (endsWith(text, "bars") ? 4 : 3)), &amount)) return false;
    int n = 4, d = 4;
    double barStart = 0;
    map.meterAt(at, &n, &d, &barStart);
    amount *= n * 4.0 / d;
  } else if (endsWith(text, "beats")) {
    if (!parseNumber(text.substr(0, text.size() - 5), &amount)) return false;
  } else if (endsWith(text, "s")) {
    return parseNumber(text.substr(0, text.size() - 1), seconds);
  } else if (!parseNumber(text, &amount)) {
    return false;
  }
  if (!(amount > 0.0) || amount > 1e6) return false;
  *seconds = map.secondsBetween(at, at + amount);
  return true;
}

}  // namespace

bool buildTimeline(const std::vector<std::pair<std::string, std::string>>& items, RenderOptions* o,
                   std::string* error) {
  TempoMap& map = o->tempoMap;
  map = TempoMap(o->tempo, o->numerator, o->denominator);
  for (const auto& item : items) {
    const std::string& v = item.second;
    if (item.first == "--tempo-map") {
      if (!map.load(v, error)) return false;
    } else if (item.first == "--time-sig-at") {
      std::string bar, sig;
      int b = 0, n = 0, d = 0;
      if (!splitPair(v, &bar, &sig) || !parseInt(bar, 0, 1000000, &b) || !parseTimeSignature(sig, &n, &d)) {
        *error = "--time-sig-at takes BAR:N/D, bars counted from 0 and D a power of two (got '" + v + "')";
        return false;
      }
      map.setMeter(b, n, d);
    }
  }
  for (const auto& item : items) {
    if (item.first == "--tempo-at" && !map.addTempoPoint(item.second, error)) {
      *error = "--tempo-at " + item.second + ": " + *error;
      return false;
    }
  }
  TransportSetup& t = o->transport;
  t.startPpq = o->startPpq;
  for (const auto& item : items) {
    const std::string& v = item.second;
    std::string a, b;
    if (item.first == "--loop") {
      if (!splitPair(v, &a, &b) || !map.parsePosition(a, &t.loopStart) || !map.parsePosition(b, &t.loopEnd)) {
        *error =
            "--loop takes START:END in quarter notes or bars (e.g. 4:12 or 1bars:3bars; got '" + v + "')";
        return false;
      }
      if (t.loopEnd <= t.loopStart) {
        *error = "--loop " + v + ": the loop ends before it starts";
        return false;
      }
      t.loop = true;
    } else if (item.first == "--jump") {
      TransportJump jump{0.0, 0.0, v};
      if (!splitPair(v, &a, &b) || !map.parsePosition(a, &jump.at) || !map.parsePosition(b, &jump.to)) {
        *error = "--jump takes AT:TO in quarter notes or bars (got '" + v + "')";
        return false;
      }
      t.jumps.push_back(jump);
    } else if (item.first == "--stop") {
      TransportStop stop{0.0, 0.0, v};
      bool ok = splitPair(v, &a, &b) && map.parsePosition(a, &stop.at);
      if (ok) ok = parseStopLength(map, stop.at, b, &stop.seconds);
      if (!ok || !(stop.seconds > 0.0) || stop.seconds > 3600.0) {
        *error = "--stop takes AT:FOR, FOR in beats, Nbars or Ns seconds above 0 (got '" + v + "')";
        return false;
      }
      t.stops.push_back(stop);
    }
  }
  if (o->loopInput && !t.loop) {
    *error = "--loop-input needs --loop";
    return false;
  }
  if (o->loopInput && t.startPpq > t.loopStart) {
    *error = "--loop-input: the render starts after the loop start, so the input has no frame for it";
    return false;
  }
  return true;
}

bool checkTransport(const RenderOptions& o, double sampleRate, long long totalFrames, std::string* error) {
  const TransportSetup& t = o.transport;
  if (!t.loop && t.jumps.empty() && t.stops.empty()) return true;
  HostTransport transport(o.tempoMap, t, sampleRate);
  for (long long done = 0; done < totalFrames;) {
    const long long n = std::min(totalFrames - done, transport.framesToNextEvent());
    transport.advance(n);
    done += n;
  }
  char seconds[32];
  std::snprintf(seconds, sizeof(seconds), "%.3f", totalFrames / sampleRate);
  const std::vector<std::string> pending = transport.pendingMoves();
  if (!pending.empty()) {
    *error = pending.front() + ": the song never reaches that position in the " + seconds + " s rendered";
    return false;
  }
  if (t.loop && transport.loopsDone() == 0) {
    *error = std::string("--loop: the song never reaches the loop end in the ") + seconds + " s rendered";
    return false;
  }
  return true;
}
