// zarnith-host render as a user runs it: real files in and out, the built-in
// loop, presets, automation, and every error as one line with nothing left behind.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo_loop.h"
#include "plugin_loader.h"
#include "render_fixture.h"

TEST_F(RenderTest, BuiltInLoopIsWhatTheEffectMakesOfIt) {
  const ToolRun run = render("--out " + path("demo.wav") + " --report");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("ns per frame"), std::string::npos);
  EXPECT_NE(run.out.find("x real time"), std::string::npos);
  const Audio rendered = readAudio(path("demo.wav"));
  EXPECT_EQ(rendered.info.channels, 2);
  EXPECT_EQ(rendered.info.samplerate, 44100);
  EXPECT_EQ(rendered.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  ASSERT_EQ(rendered.info.frames, 4 * 4 * 22050);  // 4 bars of 4/4 at 120 BPM

  // The same loop through the plug-in loaded here, block by block with the
  // transport advancing, must give the same samples.
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(ZARNITH_PLUGIN, &error);
  ASSERT_TRUE(plugin) << error;
  plugin->dispatch(effMainsChanged, 0, 1);
  const std::vector<float> loop = makeDemoLoop(44100.0, 120.0, 4);
  size_t mismatches = 0;
  const size_t frames = loop.size() / 2;
  for (size_t done = 0; done < frames; done += 512) {
    const int n = static_cast<int>(std::min<size_t>(512, frames - done));  // the last block is shorter
    float l[512], r[512];
    for (int i = 0; i < n; i++) {
      l[i] = loop[2 * (done + i)];
      r[i] = loop[2 * (done + i) + 1];
    }
    plugin->timeInfo().samplePos = static_cast<double>(done);
    plugin->timeInfo().ppqPos = done / 44100.0 * 2.0;
    float* io[2] = {l, r};
    plugin->processReplacing(io, io, n);
    for (int i = 0; i < n; i++) {
      if (l[i] != rendered.samples[2 * (done + i)] || r[i] != rendered.samples[2 * (done + i) + 1])
        mismatches++;
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST_F(RenderTest, RealFileKeepsItsRateMonoFeedsBothChannelsAndTailAppends) {
  std::vector<float> mono(24000);
  for (size_t i = 0; i < mono.size(); i++)
    mono[i] = 0.5f * std::sin(i * 0.05f) * ((i / 3000) % 2 ? 1.0f : 0.2f);
  writeAudio(path("in.wav"), 1, 48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, mono);
  const ToolRun run =
      render(path("in.wav") + " --out " + path("out.flac") +
             " --tempo 140 --time-sig 3/4 --tail 0.5 --program 'funky(v1.02)' --block-size 300");
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio out = readAudio(path("out.flac"));
  EXPECT_EQ(out.info.samplerate, 48000);
  EXPECT_EQ(out.info.channels, 2);
  EXPECT_EQ(out.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_EQ(out.info.frames, 24000 + 24000);
  double energy = 0;
  for (float x : out.samples) energy += x * x;
  EXPECT_GT(energy, 1.0);
  // The same mono signal in both channels, at unity mix settings, gives two equal channels.
  const ToolRun same = render(path("in.wav") + " --out " + path("same.wav") +
                              " --set 23=0 --set 24=0 --set Dry/Wet\\ Mix=1 --set Volume=0.5 --bits 32f");
  ASSERT_EQ(same.status, 0) << same.err;
  const Audio equal = readAudio(path("same.wav"));
  ASSERT_EQ(equal.info.frames, 24000);
  for (size_t i = 0; i < 24000; i += 7) {
    ASSERT_EQ(equal.samples[2 * i], equal.samples[2 * i + 1]) << i;
    ASSERT_NEAR(equal.samples[2 * i], mono[i], 1.0 / 32768) << i;  // the input, from 16 bits
  }
}

TEST_F(RenderTest, TimedAutomationLandsOnItsSample) {
  const ToolRun run =
      render("--out " + path("a.wav") + " --bars 1 --set Volume=0@0.25 --midi-note-at 0.1 --random-blocks");
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio a = readAudio(path("a.wav"));
  ASSERT_EQ(a.info.frames, 88200);
  const size_t at = static_cast<size_t>(0.25 * 44100);
  double before = 0;
  for (size_t i = 0; i < at; i++) before += std::fabs(a.samples[2 * i]);
  EXPECT_GT(before, 1.0);
  for (size_t i = at; i < 88200; i++) ASSERT_EQ(a.samples[2 * i], 0.0f) << i;
}

TEST_F(RenderTest, PresetsRoundTripInTheStandardFormat) {
  ToolRun run = render("--out " + path("a.wav") + " --bars 1 --program 7 --set Freq=0.75 --save-preset " +
                       path("a.fxp") + " --bits 16");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string fxp = slurp(dir / "a.fxp");
  ASSERT_EQ(fxp.size(), 60u + 140u);
  EXPECT_EQ(fxp.substr(0, 4), "CcnK");
  EXPECT_EQ(fxp.substr(8, 4), "FPCh");
  EXPECT_EQ(fxp.substr(16, 4), "ADly");
  EXPECT_EQ(fxp.substr(4, 4), std::string("\0\0\0\xC0", 4));   // 192 bytes follow
  EXPECT_EQ(fxp.substr(56, 4), std::string("\0\0\0\x8C", 4));  // a 140-byte chunk
  EXPECT_EQ(std::string(fxp.c_str() + 28), "viril(V1.02)");    // the program's name
  EXPECT_EQ(static_cast<unsigned char>(fxp[60 + 136]), 7u);    // the current program
  float freq;
  std::memcpy(&freq, fxp.data() + 60 + 24, 4);  // slot 6, little-endian as the plug-in keeps it
  EXPECT_EQ(freq, 0.75f);
  // Restored into a fresh instance and saved again: the same state.
  run = render("--out " + path("b.wav") + " --bars 1 --preset " + path("a.fxp") + " --save-preset " +
               path("b.fxp"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(slurp(dir / "b.fxp"), fxp);
}

TEST_F(RenderTest, BadInputGivesOneLineAndNoFile) {
  const std::string out = " --out " + path("out.wav");
  expectOneLineError(render(path("missing.wav") + out), "cannot open");
  std::ofstream(path("in.txt")) << "not audio at all\n";
  expectOneLineError(render(path("in.txt") + out), "unsupported");
  writeAudio(path("in3.wav"), 3, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, std::vector<float>(300, 0.1f));
  expectOneLineError(render(path("in3.wav") + out), "3 channels");
  expectOneLineError(render("--tempo 0" + out), "--tempo");
  expectOneLineError(render("--tempo fast" + out), "--tempo");
  expectOneLineError(render("--time-sig 4/3" + out), "--time-sig");
  expectOneLineError(render("--block-size 0" + out), "--block-size");
  expectOneLineError(render("--set Wobble=0.5" + out), "no parameter 'Wobble'");
  expectOneLineError(render("--set Freq=1.5" + out), "from 0 to 1");
  expectOneLineError(render("--set Freq=0.5@99" + out), "after the end");
  expectOneLineError(render("--program 99" + out), "no program '99'");
  expectOneLineError(render("--bits 8" + out), "--bits");
  expectOneLineError(render("--frobnicate" + out), "unknown option");
  expectOneLineError(render(""), "--out");
  expectOneLineError(render("--out " + path("out.mp3")), "unknown output type");
  expectOneLineError(render("--plugin " + path("none.so") + out), "no such file");
  expectOneLineError(render("--bits 32f --out " + path("out.flac")), "FLAC");
}

TEST_F(RenderTest, PresetsForAnotherPlugInOrDamagedAreRefused) {
  std::string other(60 + 4, '\0');
  std::memcpy(&other[0],
              "CcnK\0\0\0\x38"
              "FPCh\0\0\0\x01"
              "Xyzw",
              20);
  std::ofstream(path("in-other.fxp"), std::ios::binary) << other;
  expectOneLineError(render("--preset " + path("in-other.fxp") + " --out " + path("o.wav")), "'Xyzw'");
  std::ofstream(path("in-short.fxp"), std::ios::binary) << std::string("CcnK\0\0\0\x10", 8);
  expectOneLineError(render("--preset " + path("in-short.fxp") + " --out " + path("o.wav")), "preset");
  // A failure after the render (the preset cannot be written) leaves no output either.
  expectOneLineError(render("--bars 1 --out " + path("o.wav") + " --save-preset " + path("no/such/dir.fxp")),
                     "cannot write");
}
