// The song's tempo and meter over musical position: tempo points that step or
// ramp linearly (in quarter notes) to their value, and time signatures that
// change at bar lines. Positions are quarter notes from the song's start.
#pragma once

#include <string>
#include <vector>

class TempoMap {
 public:
  // Starts at one tempo and one meter for the whole song.
  TempoMap(double bpm = 120.0, int numerator = 4, int denominator = 4);

  // A tempo from position ppq on; with ramp the tempo moves linearly from the
  // previous point's to this one. A point at the same position replaces it.
  void setTempo(double ppq, double bpm, bool ramp);
  // A time signature from the start of this bar on (bars counted from 0).
  void setMeter(int bar, int numerator, int denominator);

  double tempoAt(double ppq) const;
  // Where the tempo in force at ppq stops being steady (ppq itself inside a
  // ramp; infinity when it never changes again).
  double steadyUntil(double ppq) const;
  // Seconds to play from one position to a later one (0 when to <= from).
  double secondsBetween(double fromPpq, double toPpq) const;
  // The position reached after playing for this many seconds from ppq.
  double advance(double ppq, double seconds) const;

  // The meter in force at ppq and the position of that bar's first beat.
  void meterAt(double ppq, int* numerator, int* denominator, double* barStart) const;
  // The position of the start of a bar (fractions count in that bar's meter).
  double barPosition(double bars) const;

  // A position: quarter notes ("16", "16beats") or bars from the start ("4bars").
  bool parsePosition(const std::string& text, double* ppq) const;
  // "BEAT:BPM" (a step) or "BEAT:BPM:ramp"; false with a reason.
  bool addTempoPoint(const std::string& text, std::string* error);
  // A tempo-map file: lines "BEAT BPM [ramp]" and "sig BAR N/D" (blanks or
  // colons between the fields), blank lines and "#" comments.
  bool load(const std::string& path, std::string* error);

 private:
  struct TempoPoint {
    double ppq, bpm;
    bool ramp;
  };
  struct Meter {
    int bar, numerator, denominator;
    double ppq;  // where the bar starts, kept up to date by setMeter
  };
  bool addTempoPoint(const std::vector<std::string>& fields, std::string* error);
  // The index of the tempo point whose segment holds ppq (-1: before all).
  int segmentAt(double ppq) const;
  // Where the tempo next stops being what it is at ppq in a straight line.
  double segmentEnd(int segment) const;
  std::vector<TempoPoint> tempo_;
  std::vector<Meter> meters_;
};

// A time signature N/D with N 1..64 and D a power of two up to 64.
bool parseTimeSignature(const std::string& text, int* numerator, int* denominator);
