#include "render_source.h"

#include <algorithm>

#include "demo_loop.h"

bool RenderSource::openFile(const std::string& path, std::string* error) {
  path_ = path;
  if (!reader_.open(path, error)) return false;
  channels_ = reader_.channels();
  if (channels_ < 1 || channels_ > 2) {
    *error = path + ": " + std::to_string(channels_) + " channels; only mono and stereo are supported";
    return false;
  }
  sampleRate_ = reader_.sampleRate();
  frames_ = reader_.frames();
  return true;
}

void RenderSource::openDemo(double sampleRate, double tempo, int bars, int beatsPerBar) {
  demo_ = makeDemoLoop(sampleRate, tempo, bars, beatsPerBar);
  sampleRate_ = sampleRate;
  frames_ = static_cast<long long>(demo_.size() / 2);
}

long long RenderSource::read(float* left, float* right, long long count) {
  if (!demo_.empty()) {
    const long long n = std::max(0LL, std::min(count, frames_ - position_));
    for (long long i = 0; i < n; i++) {
      left[i] = demo_[2 * (position_ + i)];
      right[i] = demo_[2 * (position_ + i) + 1];
    }
    position_ += n;
    return n;
  }
  interleaved_.resize(static_cast<size_t>(channels_ * count));
  const long long got = reader_.read(interleaved_.data(), count);
  for (long long i = 0; i < got; i++) {
    left[i] = interleaved_[i * channels_];
    right[i] = interleaved_[i * channels_ + channels_ - 1];
  }
  position_ += got;
  return got;
}

bool RenderSource::seek(long long frame, std::string* error) {
  if (frame < 0 || (demo_.empty() && !reader_.seek(frame))) {
    *error = path_ + ": cannot go back in the input to loop it";
    return false;
  }
  position_ = frame;
  return true;
}
