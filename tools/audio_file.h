// Audio files through libsndfile: an input read in blocks and an output written
// to a temporary file that only takes the final name when it is complete.
#pragma once

#include <string>

struct sf_private_tag;

class AudioReader {
 public:
  ~AudioReader();
  bool open(const std::string& path, std::string* error);
  int channels() const { return channels_; }
  int sampleRate() const { return sampleRate_; }
  long long frames() const { return frames_; }
  // Reads up to count frames, interleaved; returns the number read (0 at the end).
  long long read(float* interleaved, long long count);
  bool seek(long long frame);

 private:
  sf_private_tag* file_ = nullptr;
  int channels_ = 0;
  int sampleRate_ = 0;
  long long frames_ = 0;
};

class AudioWriter {
 public:
  ~AudioWriter();  // an unfinished file is removed
  // Chooses the format from the file name (.wav, .aif/.aiff, .flac, .ogg) and bits
  // ("16", "24", "32f" or empty for the format's default). Fails without touching path.
  bool open(const std::string& path, const std::string& bits, int sampleRate, std::string* error);
  bool write(const float* interleaved, long long frames, std::string* error);
  // Completes the file and moves it to its final name.
  bool finish(std::string* error);

 private:
  void discard();
  sf_private_tag* file_ = nullptr;
  std::string path_;
  std::string temporary_;
};
