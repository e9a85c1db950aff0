// zarnith-host diff: a null test of two audio files, sample by sample, read in
// blocks. Exit status 0 when they are bit-identical (or within --max-db), 1
// when they differ, 2 when they cannot be compared.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio_file.h"
#include "commands.h"
#include "render_plan.h"

namespace {

const long long kBlockFrames = 8192;

int fail(const std::string& message) {
  std::fprintf(stderr, "zarnith-host diff: %s\n", message.c_str());
  return 2;
}

std::string decibels(double level) {
  if (level <= 0.0) return "-inf dBFS";
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f dBFS", 20.0 * std::log10(level));
  return text;
}

}  // namespace

int runDiff(int argc, char** argv) {
  std::vector<std::string> files;
  double maxDb = 0.0;
  bool tolerance = false;
  for (int i = 0; i < argc; i++) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::printf(
          "usage: zarnith-host diff A B [--max-db DB]\n"
          "  prints the largest difference, the RMS of the difference in dBFS, the first differing\n"
          "  sample and whether the files are bit-identical; exit 0 when identical (or, with\n"
          "  --max-db, when the largest difference is at most DB dBFS), 1 when not, 2 on errors\n");
      return 0;
    } else if (arg == "--max-db") {
      if (i + 1 >= argc || !parseNumber(argv[i + 1], &maxDb) || maxDb > 0.0)
        return fail("--max-db takes a level in dBFS, 0 or below (e.g. -120)");
      tolerance = true;
      i++;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return fail("unknown option '" + arg + "' (try --help)");
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) return fail("give two audio files: zarnith-host diff A B");
  AudioReader a, b;
  std::string error;
  if (!a.open(files[0], &error) || !b.open(files[1], &error)) return fail(error);
  if (a.channels() != b.channels())
    return fail(files[0] + " has " + std::to_string(a.channels()) + " channels, " + files[1] + " " +
                std::to_string(b.channels()));
  std::printf("A: %s: %lld frames, %d channels, %d Hz\n", files[0].c_str(), a.frames(), a.channels(),
              a.sampleRate());
  std::printf("B: %s: %lld frames, %d channels, %d Hz\n", files[1].c_str(), b.frames(), b.channels(),
              b.sampleRate());
  const int channels = a.channels();
  std::vector<float> blockA(static_cast<size_t>(kBlockFrames * channels)),
      blockB(static_cast<size_t>(kBlockFrames * channels));
  double maxDifference = 0.0, sumSquares = 0.0;
  long long maxFrame = -1, firstFrame = -1, frames = 0;
  int maxChannel = 0, firstChannel = 0;
  float firstA = 0, firstB = 0;
  bool identical = a.frames() == b.frames() && a.sampleRate() == b.sampleRate();
  for (;;) {
    const long long gotA = a.read(blockA.data(), kBlockFrames);
    const long long gotB = b.read(blockB.data(), kBlockFrames);
    const long long common = std::min(gotA, gotB);
    for (long long i = 0; i < common * channels; i++) {
      const float x = blockA[i], y = blockB[i];
      if (std::memcmp(&x, &y, sizeof(float)) == 0) continue;
      identical = false;
      const double d = std::fabs(static_cast<double>(x) - y);
      const long long frame = frames + i / channels;
      if (firstFrame < 0) {
        firstFrame = frame;
        firstChannel = static_cast<int>(i % channels);
        firstA = x;
        firstB = y;
      }
      if (!(d <= maxDifference)) {  // a NaN counts as the largest difference
        maxDifference = std::isnan(d) ? INFINITY : d;
        maxFrame = frame;
        maxChannel = static_cast<int>(i % channels);
      }
      sumSquares += d * d;
    }
    frames += common;
    if (gotA != gotB) identical = false;
    if (common < kBlockFrames) break;
  }
  std::printf("compared: %lld frames%s\n", frames,
              a.frames() == b.frames() ? "" : " (the files differ in length; the rest is not compared)");
  if (a.sampleRate() != b.sampleRate()) std::printf("sample rates differ\n");
  const double rms = frames > 0 ? std::sqrt(sumSquares / (static_cast<double>(frames) * channels)) : 0.0;
  if (maxFrame >= 0) {
    std::printf("max difference: %.9g (%s) at frame %lld, channel %d\n", maxDifference,
                decibels(maxDifference).c_str(), maxFrame, maxChannel);
    std::printf("RMS of difference: %s\n", decibels(rms).c_str());
    std::printf("first differing sample: frame %lld, channel %d (A %.9g, B %.9g)\n", firstFrame, firstChannel,
                firstA, firstB);
  } else {
    std::printf(
        "max difference: 0 (-inf dBFS)\nRMS of difference: -inf dBFS\nfirst differing sample: none\n");
  }
  std::printf("bit-identical: %s\n", identical ? "yes" : "no");
  if (identical) return 0;
  const bool sameShape = a.frames() == b.frames() && a.sampleRate() == b.sampleRate();
  if (tolerance && sameShape && maxDifference > 0.0 && 20.0 * std::log10(maxDifference) <= maxDb) return 0;
  return 1;
}
