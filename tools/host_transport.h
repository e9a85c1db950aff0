// The host's transport during a render: the song position that the plug-in
// reads each block, played through a tempo map, with an optional loop, one-off
// jumps and stops. Events happen at block boundaries: the render ends a block
// where the next one falls.
#pragma once

#include <string>
#include <vector>

#include "host/plugin_interface.h"
#include "tempo_map.h"

struct TransportJump {
  double at, to;     // quarter notes
  std::string text;  // as the user gave it
};

struct TransportStop {
  double at;       // quarter notes
  double seconds;  // how long the transport stands still
  std::string text;
};

struct TransportSetup {
  double startPpq = 0.0;
  bool loop = false;
  double loopStart = 0.0, loopEnd = 0.0;  // quarter notes
  std::vector<TransportJump> jumps;
  std::vector<TransportStop> stops;
};

class HostTransport {
 public:
  HostTransport(const TempoMap& map, const TransportSetup& setup, double sampleRate);

  // The time record for the block that starts now.
  void fill(VstTimeInfo* time) const;
  // Frames until the next transport event (a very large number when none).
  long long framesToNextEvent() const;
  // Plays n frames (never past the next event) and then carries out whatever
  // event falls on the new position.
  void advance(long long n);

  double ppq() const;
  bool playing() const { return stopFrames_ == 0; }
  // Times the loop has wrapped so far.
  int loopsDone() const { return loops_; }
  // The render frame at which the song first reached the loop start (-1: not yet).
  long long loopStartFrame() const { return loopStartFrame_; }
  // Jumps and stops still waiting for their position ("--jump 12:0"...).
  std::vector<std::string> pendingMoves() const;

 private:
  void relocate(double ppq);
  double framesUntil(double ppq) const;

  const TempoMap& map_;
  TransportSetup setup_;
  double sampleRate_;
  long long frame_ = 0;        // frames rendered so far
  double anchorPpq_ = 0.0;     // the position where the current straight stretch began
  long long anchorFrame_ = 0;  // and the frame at which it began
  double anchorSample_ = 0.0;  // samplePos at that frame
  long long stopFrames_ = 0;   // frames left standing still
  bool changed_ = true;        // the next record reports a transport change
  int loops_ = 0;
  long long loopStartFrame_ = -1;
  std::vector<bool> jumpDone_, stopDone_;
};
