#include "audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

namespace {

std::string lowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

bool chooseFormat(const std::string& path, const std::string& bits, int* format, std::string* error) {
  const std::string ext = lowerExtension(path);
  int container = 0;
  if (ext == "wav") {
    container = SF_FORMAT_WAV;
  } else if (ext == "aif" || ext == "aiff") {
    container = SF_FORMAT_AIFF;
  } else if (ext == "flac") {
    container = SF_FORMAT_FLAC;
  } else if (ext == "ogg") {
    container = SF_FORMAT_OGG;
  } else {
    *error = path + ": unknown output type (use .wav, .aiff, .flac or .ogg)";
    return false;
  }
  if (container == SF_FORMAT_OGG) {
    if (!bits.empty()) {
      *error = "--bits does not apply to .ogg output (Vorbis)";
      return false;
    }
    *format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    return true;
  }
  std::string depth = bits.empty() ? (container == SF_FORMAT_FLAC ? "24" : "32f") : bits;
  if (depth == "16") {
    *format = container | SF_FORMAT_PCM_16;
  } else if (depth == "24") {
    *format = container | SF_FORMAT_PCM_24;
  } else if (depth == "32f" && container != SF_FORMAT_FLAC) {
    *format = container | SF_FORMAT_FLOAT;
  } else if (depth == "32f") {
    *error = "FLAC holds no float samples: use --bits 16 or 24";
    return false;
  } else {
    *error = "--bits must be 16, 24 or 32f (got '" + bits + "')";
    return false;
  }
  return true;
}

}  // namespace

AudioReader::~AudioReader() {
  if (file_) sf_close(file_);
}

bool AudioReader::open(const std::string& path, std::string* error) {
  SF_INFO info{};
  file_ = sf_open(path.c_str(), SFM_READ, &info);
  if (!file_) {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
      *error = path + ": cannot open for reading";
    } else {
      std::fclose(probe);
      *error = path + ": unsupported or damaged audio file (" + sf_strerror(nullptr) + ")";
    }
    return false;
  }
  channels_ = info.channels;
  sampleRate_ = info.samplerate;
  frames_ = info.frames;
  return true;
}

long long AudioReader::read(float* interleaved, long long count) {
  return file_ ? sf_readf_float(file_, interleaved, count) : 0;
}

bool AudioReader::seek(long long frame) {
  return file_ && sf_seek(file_, frame, SEEK_SET) == frame;
}

AudioWriter::~AudioWriter() {
  discard();
}

void AudioWriter::discard() {
  if (file_) {
    sf_close(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::remove(temporary_.c_str());
    temporary_.clear();
  }
}

bool AudioWriter::open(const std::string& path, const std::string& bits, int sampleRate, std::string* error) {
  int format = 0;
  if (!chooseFormat(path, bits, &format, error)) return false;
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 2;
  info.format = format;
  if (!sf_format_check(&info)) {
    *error = path + ": this output format cannot hold " + std::to_string(sampleRate) + " Hz stereo";
    return false;
  }
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = path;
  temporary_ = path + ".part-" + std::to_string(stamp % 1000000007);
  file_ = sf_open(temporary_.c_str(), SFM_WRITE, &info);
  if (!file_) {
    *error = path + ": cannot create the output file (" + sf_strerror(nullptr) + ")";
    temporary_.clear();
    return false;
  }
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);  // integer formats clip instead of wrapping
  return true;
}

bool AudioWriter::write(const float* interleaved, long long frames, std::string* error) {
  if (sf_writef_float(file_, interleaved, frames) != frames) {
    *error = path_ + ": write failed (" + sf_strerror(file_) + ")";
    return false;
  }
  return true;
}

bool AudioWriter::finish(std::string* error) {
  if (!file_) return false;
  const int closed = sf_close(file_);
  file_ = nullptr;
  if (closed != 0) {
    *error = path_ + ": could not complete the file";
    discard();
    return false;
  }
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    *error = path_ + ": cannot move the finished file into place";
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}
