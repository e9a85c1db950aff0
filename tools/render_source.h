// The audio a render feeds the plug-in: a file read block by block, or the
// built-in demo loop, always handed out as two channels.
#pragma once

#include <string>
#include <vector>

#include "audio_file.h"

class RenderSource {
 public:
  // A file; mono feeds both channels, more than two channels is refused.
  bool openFile(const std::string& path, std::string* error);
  // The built-in loop at this rate, tempo, length and beats per bar.
  void openDemo(double sampleRate, double tempo, int bars, int beatsPerBar);

  double sampleRate() const { return sampleRate_; }
  // The length as the file announces it (the end may come sooner).
  long long frames() const { return frames_; }
  // Reads up to count frames into left and right; returns the number read
  // (fewer only at the end of the source).
  long long read(float* left, float* right, long long count);
  // Goes back (or on) to a frame, for an input that loops.
  bool seek(long long frame, std::string* error);

 private:
  std::string path_;
  AudioReader reader_;
  std::vector<float> demo_;
  std::vector<float> interleaved_;
  int channels_ = 2;
  double sampleRate_ = 44100.0;
  long long frames_ = 0;
  long long position_ = 0;
};
