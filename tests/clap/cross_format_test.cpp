// One sound in every format: zarnith-host renders the built-in loop and a real file
// through the 2.4 library and through the CLAP plug-in with the same program,
// automation, notes, tempo and block layout, and the samples must be identical.
// The song positions are ones CLAP's fixed-point beat time carries exactly (a sample
// rate of 32768 Hz and tempos whose beats are a power-of-two fraction of a second
// apart): elsewhere CLAP rounds the position to 2^-31 beat, and the effect's bar
// position, truncated to whole samples, can then land one sample apart.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Format {
  const char* name;
  const char* plugin;
};
const Format kFormats[] = {{"2.4", ZARNITH_VST}, {"CLAP", ZARNITH_CLAP}};

class CrossFormat : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("zarnith-cross-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::vector<float> render(const Format& format, const std::string& args) {
    const std::string out = (dir / (std::string(format.name) + ".wav")).string();
    const std::string command = std::string(ZARNITH_HOST) + " render " + args + " --plugin " + format.plugin +
                                " --out " + out + " --quiet";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    SF_INFO info{};
    SNDFILE* file = sf_open(out.c_str(), SFM_READ, &info);
    std::vector<float> samples;
    if (!file) {
      ADD_FAILURE() << "no output from " << format.name;
      return samples;
    }
    samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
  }

  void expectOneSound(const std::string& args) {
    const std::vector<float> reference = render(kFormats[0], args);
    ASSERT_GT(reference.size(), 1000u);
    float peak = 0.0f;
    for (float s : reference) peak = std::max(peak, std::abs(s));
    EXPECT_GT(peak, 0.01f);
    for (size_t f = 1; f < sizeof(kFormats) / sizeof(kFormats[0]); f++) {
      const std::vector<float> other = render(kFormats[f], args);
      ASSERT_EQ(other.size(), reference.size()) << kFormats[f].name;
      size_t differing = 0, first = reference.size();
      for (size_t i = 0; i < reference.size(); i++) {
        if (other[i] != reference[i]) {
          differing++;
          first = std::min(first, i);
        }
      }
      EXPECT_EQ(differing, 0u) << kFormats[f].name << " differs from sample " << first / 2;
    }
  }

  fs::path dir;
};

}  // namespace

TEST_F(CrossFormat, BuiltInLoopWithAutomationNotesAndRandomBlocks) {
  expectOneSound(
      "--sample-rate 32768 --tempo 120 --program \"Redrum(V2.0)\" --random-blocks --block-size 700"
      " --set Freq=0.3@1.5 --set \"Filter Type=0.9@2.25\" --set \"Sync on/off=1@3\" --set 42=1@6.5"
      " --set 42=0@6.6 --midi-note-at 1 --midi-note-at 4.5");
}

TEST_F(CrossFormat, RealFileInThreeFourFromAnOffsetWithTail) {
  // A mono file of a chord with a fast decay every half second.
  const std::string input = (dir / "in.wav").string();
  SF_INFO info{};
  info.channels = 1;
  info.samplerate = 32768;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  SNDFILE* file = sf_open(input.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  std::vector<float> samples(32768 * 3);
  for (size_t i = 0; i < samples.size(); i++) {
    const double t = (i % 16384) / 32768.0;
    samples[i] = static_cast<float>(0.4 * std::exp(-8.0 * t) *
                                    (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 331 * t)));
  }
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  expectOneSound(input + " --tempo 90 --time-sig 3/4 --start-ppq 1.5 --block-size 256 --program 30 --tail 1" +
                 " --set \"LFO Depth=0.4@0.75\" --set Volume=0.45");
}
