// One sound in every format: zarnith-host renders the same audio with the same
// program, automation, tempo, meter and block layout through each build of the
// effect, and every output sample must be the same to the bit.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "demo_loop.h"
#include "render_fixture.h"

namespace {

// Every build of the effect: the first is the reference.
const std::vector<std::string> kBuilds = {ZARNITH_PLUGIN, ZARNITH_LV2_BUNDLE};
// The builds whose host time arrives exactly only where the song positions are ones
// CLAP's fixed-point beat time carries: elsewhere CLAP rounds a position to 2^-31
// beat, and the effect's bar position, truncated to whole samples, can then land one
// sample apart at a block start (seen at 90 BPM in 7/8 with blocks of 64 at 44.1 kHz).
// At 32768 Hz and tempos whose beat is a power-of-two fraction of a second every
// sample's position is exact.
const std::vector<std::string> kExactTimeBuilds = {ZARNITH_PLUGIN, ZARNITH_LV2_BUNDLE, ZARNITH_CLAP};

class CrossFormatRender : public RenderTest {
 protected:
  // Renders args through every build and compares each output with the first.
  void expectIdentical(const std::string& args, const std::vector<std::string>& builds = kBuilds) {
    Audio reference;
    for (size_t b = 0; b < builds.size(); b++) {
      const std::string out = path("out" + std::to_string(b) + ".wav");
      const ToolRun run = render("--quiet --plugin " + builds[b] + " --out " + out + " " + args);
      ASSERT_EQ(run.status, 0) << builds[b] << ": " << run.err;
      Audio audio = readAudio(out);
      ASSERT_FALSE(audio.samples.empty()) << builds[b];
      if (b == 0) {
        reference = audio;
        double energy = 0.0;
        for (float s : audio.samples) energy += static_cast<double>(s) * s;
        ASSERT_GT(energy, 1.0) << "the reference render is silent: nothing would be compared";
        continue;
      }
      SCOPED_TRACE(builds[b]);
      ASSERT_EQ(audio.info.samplerate, reference.info.samplerate);
      ASSERT_EQ(audio.samples.size(), reference.samples.size());
      size_t differing = 0, first = 0;
      for (size_t i = 0; i < audio.samples.size(); i++) {
        if (std::memcmp(&audio.samples[i], &reference.samples[i], sizeof(float)) == 0) continue;
        if (differing++ == 0) first = i;
      }
      EXPECT_EQ(differing, 0u) << "first at frame " << first / 2 << ": " << audio.samples[first]
                               << " against " << reference.samples[first];
    }
  }
};

TEST_F(CrossFormatRender, BuiltInLoopWithProgramsAutomationNotesAndUnevenBlocks) {
  expectIdentical(
      "--program \"Redrum(V2.0)\" --tempo 174 --bars 2 --random-blocks --block-size 700"
      " --set \"LFO Depth=0.8@0.7\" --set \"Filter Type=0.9@1.1\" --midi-note-at 0.4");
  expectIdentical(
      "--program 15 --tempo 133 --time-sig 3/4 --start-ppq 1.5 --bars 2 --set \"Sync on/off=1@0.5\""
      " --set \"Mod Type=0.5@0.9\"");
  expectIdentical("--program 30 --tempo 90 --time-sig 7/8 --bars 1 --block-size 64");
}

TEST_F(CrossFormatRender, RealFileAtItsOwnRateWithATail) {
  // A 48 kHz stereo file: the loop with a little of itself, delayed, on the right.
  const std::vector<float> loop = makeDemoLoop(48000.0, 128.0, 2);
  std::vector<float> samples(loop);
  const size_t delay = 1000;
  for (size_t k = delay; k < samples.size() / 2; k++)
    samples[2 * k + 1] = 0.7f * loop[2 * k + 1] + 0.3f * loop[2 * (k - delay)];
  const std::string input = path("in.flac");
  writeAudio(input, 2, 48000, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, samples);
  expectIdentical(input +
                  " --program \"Jazzy(V2.0)\" --tempo 128 --tail 0.5 --set \"Scrambler Offset=0.7@1\"");
}

TEST_F(CrossFormatRender, ExactTimeInEveryFormatWithAutomationNotesAndUnevenBlocks) {
  expectIdentical(
      "--sample-rate 32768 --tempo 120 --program \"Redrum(V2.0)\" --random-blocks --block-size 700"
      " --set Freq=0.3@1.5 --set \"Filter Type=0.9@2.25\" --set \"Sync on/off=1@3\" --set Volume=0.3@6.5"
      " --midi-note-at 1 --midi-note-at 4.5",
      kExactTimeBuilds);
  // A mono file of a chord decaying every half second, in 3/4 from an offset, with a tail.
  std::vector<float> samples(32768 * 3);
  for (size_t i = 0; i < samples.size(); i++) {
    const double t = (i % 16384) / 32768.0;
    samples[i] = static_cast<float>(0.4 * std::exp(-8.0 * t) *
                                    (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 331 * t)));
  }
  const std::string input = path("in.wav");
  writeAudio(input, 1, 32768, SF_FORMAT_WAV | SF_FORMAT_PCM_24, samples);
  expectIdentical(input +
                      " --tempo 90 --time-sig 3/4 --start-ppq 1.5 --block-size 256 --program 30 --tail 1"
                      " --set \"LFO Depth=0.4@0.75\" --set Volume=0.45",
                  kExactTimeBuilds);
}

}  // namespace

namespace {

class Lv2Tool : public RenderTest {};

// A bundle that cannot be loaded is one line and a failure, like any plug-in.
TEST_F(Lv2Tool, BrokenBundlesGiveOneLine) {
  fs::create_directories(path("empty.lv2"));
  for (const std::string& bundle : {path("missing.lv2"), path("empty.lv2")}) {
    const ToolRun run = tool("info " + bundle);
    EXPECT_NE(run.status, 0) << bundle;
    EXPECT_NE(run.err.find(bundle), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  const ToolRun wrong = tool("info --format clap0 " ZARNITH_LV2_BUNDLE);
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(std::count(wrong.err.begin(), wrong.err.end(), '\n'), 1) << wrong.err;
}

}  // namespace
