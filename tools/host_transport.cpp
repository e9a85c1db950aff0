#include "host_transport.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "host_time.h"

namespace {

const long long kNever = std::numeric_limits<long long>::max() / 4;

// The first whole frame at or after a time given in frames; a time within a
// rounding error of a whole frame is that frame.
long long frameAtOrAfter(double frames) {
  const double nearest = std::round(frames);
  if (std::fabs(frames - nearest) < 1e-6) return static_cast<long long>(nearest);
  return static_cast<long long>(std::ceil(frames));
}

}  // namespace

HostTransport::HostTransport(const TempoMap& map, const TransportSetup& setup, double sampleRate)
    : map_(map),
      setup_(setup),
      sampleRate_(sampleRate),
      anchorPpq_(setup.startPpq),
      jumpDone_(setup.jumps.size(), false),
      stopDone_(setup.stops.size(), false) {
  if (setup.loop && setup.startPpq == setup.loopStart) loopStartFrame_ = 0;
}

double HostTransport::ppq() const {
  if (!playing()) return anchorPpq_;
  // At a steady tempo the position moves on from the anchor as any host's
  // transport does; through ramps and tempo changes the map plays it.
  VstTimeInfo steady{};
  steady.sampleRate = sampleRate_;
  steady.tempo = map_.tempoAt(anchorPpq_);
  steady.ppqPos = anchorPpq_;
  zarnith::advanceHostTime(steady, static_cast<double>(frame_ - anchorFrame_));
  if (steady.ppqPos < map_.steadyUntil(anchorPpq_)) return steady.ppqPos;
  return map_.advance(anchorPpq_, (frame_ - anchorFrame_) / sampleRate_);
}

void HostTransport::fill(VstTimeInfo* time) const {
  const double position = ppq();
  time->sampleRate = sampleRate_;
  time->samplePos = playing() ? anchorSample_ + static_cast<double>(frame_ - anchorFrame_) : anchorSample_;
  time->ppqPos = position;
  time->tempo = map_.tempoAt(position);
  int numerator = 4, denominator = 4;
  map_.meterAt(position, &numerator, &denominator, &time->barStartPos);
  time->timeSigNumerator = numerator;
  time->timeSigDenominator = denominator;
  time->flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
  if (playing()) time->flags |= kVstTransportPlaying;
  if (changed_) time->flags |= kVstTransportChanged;
  if (setup_.loop) {
    time->flags |= kVstTransportCycleActive | kVstCyclePosValid;
    time->cycleStartPos = setup_.loopStart;
    time->cycleEndPos = setup_.loopEnd;
  }
}

double HostTransport::framesUntil(double target) const {
  return (anchorFrame_ - frame_) + map_.secondsBetween(anchorPpq_, target) * sampleRate_;
}

long long HostTransport::framesToNextEvent() const {
  if (!playing()) return stopFrames_;
  const double position = ppq();
  long long next = kNever;
  auto consider = [&](double target) {
    if (position < target) next = std::min(next, std::max(1LL, frameAtOrAfter(framesUntil(target))));
  };
  if (setup_.loop) {
    consider(setup_.loopEnd);
    if (loopStartFrame_ < 0) consider(setup_.loopStart);
  }
  for (size_t i = 0; i < setup_.jumps.size(); i++)
    if (!jumpDone_[i]) consider(setup_.jumps[i].at);
  for (size_t i = 0; i < setup_.stops.size(); i++)
    if (!stopDone_[i]) consider(setup_.stops[i].at);
  return next;
}

void HostTransport::relocate(double ppq) {
  const double offset = ppq >= setup_.startPpq ? map_.secondsBetween(setup_.startPpq, ppq)
                                               : -map_.secondsBetween(ppq, setup_.startPpq);
  anchorPpq_ = ppq;
  anchorFrame_ = frame_;
  anchorSample_ = std::round(offset * sampleRate_);
  changed_ = true;
}

void HostTransport::advance(long long n) {
  if (n <= 0) return;
  const double before = ppq();
  frame_ += n;
  changed_ = false;
  if (!playing()) {
    stopFrames_ -= std::min(n, stopFrames_);
    if (stopFrames_ == 0) {
      // Playing again from where it stood.
      anchorFrame_ = frame_;
      changed_ = true;
    }
    return;
  }
  // An event is due when the song crosses its position in this block; a position
  // within a rounding error of the block's end counts as crossed.
  const double after = ppq();
  auto crossed = [&](double target) {
    return before < target && (after >= target || frameAtOrAfter(framesUntil(target)) <= 0);
  };
  if (setup_.loop && loopStartFrame_ < 0 && crossed(setup_.loopStart)) loopStartFrame_ = frame_;
  for (size_t i = 0; i < setup_.jumps.size(); i++) {
    if (!jumpDone_[i] && crossed(setup_.jumps[i].at)) {
      jumpDone_[i] = true;
      relocate(setup_.jumps[i].to);
      // Landing inside the loop counts as reaching its start, for an input that loops.
      const double to = setup_.jumps[i].to;
      if (setup_.loop && loopStartFrame_ < 0 && to >= setup_.loopStart && to < setup_.loopEnd)
        loopStartFrame_ = frame_;
      return;
    }
  }
  for (size_t i = 0; i < setup_.stops.size(); i++) {
    if (!stopDone_[i] && crossed(setup_.stops[i].at)) {
      stopDone_[i] = true;
      relocate(setup_.stops[i].at);
      // Held at its position for a whole number of frames.
      stopFrames_ =
          std::max(1LL, static_cast<long long>(std::llround(setup_.stops[i].seconds * sampleRate_)));
      return;
    }
  }
  if (setup_.loop && crossed(setup_.loopEnd)) {
    relocate(setup_.loopStart);
    loops_++;
  }
}

std::vector<std::string> HostTransport::pendingMoves() const {
  std::vector<std::string> pending;
  for (size_t i = 0; i < jumpDone_.size(); i++)
    if (!jumpDone_[i]) pending.push_back("--jump " + setup_.jumps[i].text);
  for (size_t i = 0; i < stopDone_.size(); i++)
    if (!stopDone_[i]) pending.push_back("--stop " + setup_.stops[i].text);
  return pending;
}
