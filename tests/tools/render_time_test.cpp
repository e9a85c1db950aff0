// zarnith-host render's musical time and automation, read back from its
// per-block trace: what the plug-in was told at each block start, against
// values worked out here from the tempo map and the keyframes.
#include <cmath>
#include <sstream>

#include "plugin_loader.h"
#include "render_fixture.h"

namespace {

struct Block {
  long long frame, frames;
  double samplePos, ppq, tempo, barStart;
  int numerator, denominator;
  bool playing;
};

struct Set {
  long long frame;
  int index;
  float value;
};

struct Trace {
  std::vector<Block> blocks;
  std::vector<Set> sets;
};

Trace readTrace(const std::string& path) {
  Trace trace;
  std::istringstream in(slurp(path));
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::replace(line.begin(), line.end(), ',', ' ');
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "block") {
      Block b{};
      int playing = 0;
      fields >> b.frame >> b.frames >> b.samplePos >> b.ppq >> b.tempo >> b.barStart >> b.numerator >>
          b.denominator >> playing;
      b.playing = playing != 0;
      trace.blocks.push_back(b);
    } else if (kind == "set") {
      Set s{};
      fields >> s.frame >> s.index >> s.value;
      trace.sets.push_back(s);
    }
  }
  return trace;
}

// The song position after t seconds of 100 BPM ramping to 140 at beat 8 (5 BPM
// per beat), then 140 BPM, then a step to 90 at beat 14. The ramp is integrated
// in small steps of dq/dt = tempo(q) / 60, a way of its own unlike the closed
// form the tool uses; the constant stretches are worked out by hand.
double rampThenStepPpq(double seconds) {
  const double rampEnd = 12.0 * std::log(1.4);  // seconds: 60/5 x ln(140/100)
  const double stepAt = rampEnd + 6.0 * 60.0 / 140.0;
  if (seconds > stepAt) return 14.0 + (seconds - stepAt) * 90.0 / 60.0;
  if (seconds > rampEnd) return 8.0 + (seconds - rampEnd) * 140.0 / 60.0;
  const int steps = 100000;
  const double dt = seconds / steps;
  double q = 0.0;
  for (int i = 0; i < steps; i++) {
    const double half = q + 0.5 * dt * (100.0 + 5.0 * q) / 60.0;  // midpoint rule
    q += dt * (100.0 + 5.0 * half) / 60.0;
  }
  return q;
}

double rampThenStepTempo(double q) {
  if (q < 8.0) return 100.0 + 5.0 * q;
  return q < 14.0 ? 140.0 : 90.0;
}

}  // namespace

TEST_F(RenderTest, TempoRampAndMeterChangeReachThePlugInPerBlock) {
  const ToolRun run = render(
      "--bars 3 --tempo-at 0:100 --tempo-at 8:140:ramp --tempo-at 14:90 --time-sig-at 2:3/4 "
      "--tail 2 --block-size 4410 --trace " +
      path("t.csv") + " --out " + path("t.wav"));
  ASSERT_EQ(run.status, 0) << run.err;
  const Trace trace = readTrace(path("t.csv"));
  ASSERT_GT(trace.blocks.size(), 50u);
  int checked = 0;
  for (const Block& b : trace.blocks) {
    ASSERT_EQ(b.frames, 4410);  // the map moves no block boundary
    const double seconds = b.frame / 44100.0;
    const double ppq = rampThenStepPpq(seconds);
    ASSERT_NEAR(b.ppq, ppq, 1e-6) << "at " << seconds << " s";
    ASSERT_NEAR(b.tempo, rampThenStepTempo(b.ppq), 1e-9) << "at " << seconds << " s";
    EXPECT_EQ(b.samplePos, static_cast<double>(b.frame));
    // Two bars of 4/4, then bars of three quarter notes from beat 8 on.
    const double barStart =
        ppq < 8.0 ? std::floor(ppq / 4.0) * 4.0 : 8.0 + std::floor((ppq - 8.0) / 3.0) * 3.0;
    if (std::fabs(ppq - barStart) > 1e-6 && std::fabs(ppq - barStart - (ppq < 8.0 ? 4.0 : 3.0)) > 1e-6) {
      EXPECT_EQ(b.barStart, barStart) << "at " << ppq;
      EXPECT_EQ(b.numerator, ppq < 8.0 ? 4 : 3) << "at " << ppq;
      checked++;
    }
  }
  EXPECT_GT(checked, 50);
}

TEST_F(RenderTest, LoopRestartsTheBarAndStopHoldsThePosition) {
  // 120 BPM: a beat is 22050 frames. The loop is the second bar (beats 4 to 8);
  // the transport stops at beat 2 for half a second first.
  const ToolRun run = render("--bars 4 --loop 1bars:2bars --stop 2:0.5s --block-size 10000 --trace " +
                             path("t.csv") + " --out " + path("t.wav"));
  ASSERT_EQ(run.status, 0) << run.err;
  const Trace trace = readTrace(path("t.csv"));
  // Blocks end where the transport stops, starts again and loops.
  const long long stopAt = 2 * 22050, restartAt = stopAt + 22050, wrapAt = restartAt + 6 * 22050;
  std::vector<long long> starts;
  for (const Block& b : trace.blocks) starts.push_back(b.frame);
  for (long long at : {stopAt, restartAt, wrapAt, wrapAt + 4 * 22050})
    EXPECT_NE(std::find(starts.begin(), starts.end(), at), starts.end()) << "no block starts at " << at;
  for (const Block& b : trace.blocks) {
    if (b.frame < stopAt) {
      EXPECT_TRUE(b.playing);
      EXPECT_DOUBLE_EQ(b.ppq, b.frame / 22050.0);
    } else if (b.frame < restartAt) {
      EXPECT_FALSE(b.playing) << b.frame;
      EXPECT_EQ(b.ppq, 2.0) << b.frame;
      EXPECT_EQ(b.samplePos, static_cast<double>(stopAt));
    } else {
      EXPECT_TRUE(b.playing) << b.frame;
      // Playing on from beat 2, around the loop of beats 4 to 8.
      const double played = (b.frame - restartAt) / 22050.0;
      const double ppq = 2.0 + played < 8.0 ? 2.0 + played : 4.0 + std::fmod(played - 2.0, 4.0);
      EXPECT_NEAR(b.ppq, ppq, 1e-9) << b.frame;
      EXPECT_EQ(b.barStart, b.ppq < 4.0 - 1e-9 ? 0.0 : 4.0) << b.frame;
    }
  }
  // At the wrap the position is exactly the loop start: the bar starts again.
  for (const Block& b : trace.blocks) {
    if (b.frame == wrapAt) {
      EXPECT_EQ(b.ppq, 4.0);
    }
  }

  // With --loop-input the input starts again with the loop: at settings that pass
  // the input through unchanged, a loop of the first beat repeats its samples.
  std::vector<float> input(2 * 3 * 22050);
  for (size_t i = 0; i < input.size(); i++) input[i] = 0.3f * std::sin(0.0007f * i * (i % 7));
  writeAudio(path("in.wav"), 2, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT, input);
  const ToolRun looped =
      render(path("in.wav") + " --loop 0:1 --loop-input --set 23=0 --set 24=0 " +
             "--set 'Dry/Wet Mix=1' --set Volume=0.5 --block-size 700 --out " + path("l.wav"));
  ASSERT_EQ(looped.status, 0) << looped.err;
  const Audio out = readAudio(path("l.wav"));
  ASSERT_EQ(out.samples.size(), input.size());
  for (size_t i = 0; i < out.samples.size(); i++) ASSERT_EQ(out.samples[i], input[i % (2 * 22050)]) << i;
}

TEST_F(RenderTest, KeyframesAreInterpolatedAtBlockBoundaries) {
  std::ofstream(path("keys.json")) << R"({"lanes": [
    {"parameter": "Volume", "points": [{"seconds": 0.5, "value": 0.2}, {"beats": 3, "value": 0.8}]},
    {"parameter": 6, "interpolation": "step",
     "points": [{"samples": 0, "value": "Low Pass"}, {"bars": 0.5, "value": 1.0}]},
    {"parameter": "Freq", "points": [{"seconds": 0, "value": "2000 Hz"}]}
  ]})";
  const ToolRun run = render("--bars 1 --automation " + path("keys.json") + " --block-size 3000 --trace " +
                             path("t.csv") + " --out " + path("t.wav"));
  ASSERT_EQ(run.status, 0) << run.err;
  const Trace trace = readTrace(path("t.csv"));
  // Volume: held at 0.2 up to 0.5 s, then straight to 0.8 at beat 3 (1.5 s at 120 BPM).
  float volume = -1.0f, filterType = -1.0f, lowPass = -1.0f, freq = -1.0f;
  size_t s = 0;
  for (const Block& b : trace.blocks) {
    ASSERT_EQ(b.frame % 3000, 0);  // keyframes move no block boundary
    for (; s < trace.sets.size() && trace.sets[s].frame == b.frame; s++) {
      const Set& set = trace.sets[s];
      if (set.index == 26) volume = set.value;
      if (set.index == 6) filterType = set.value;
      if (set.index == 6 && lowPass < 0.0f) lowPass = set.value;
      if (set.index == 0) freq = set.value;
    }
    const double t = b.frame / 44100.0;
    const double expected = t <= 0.5 ? 0.2 : t >= 1.5 ? 0.8 : 0.2 + 0.6 * (t - 0.5);
    ASSERT_NEAR(volume, expected, 1e-6) << "at " << t << " s";
    // Step: the second value from the first boundary at or after half a bar (1 s).
    if (t < 1.0) {
      ASSERT_LT(filterType, 0.33f) << "at " << t << " s";
    } else {
      ASSERT_EQ(filterType, 1.0f) << "at " << t << " s";
    }
  }
  ASSERT_EQ(s, trace.sets.size()) << "a change away from a block start";
  // The display texts were turned into values that the plug-in shows as asked.
  std::string error;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(ZARNITH_PLUGIN, &error);
  ASSERT_TRUE(plugin) << error;
  plugin->setParameter(0, freq);
  EXPECT_EQ(plugin->text(effGetParamDisplay, 0), "2000");
  plugin->setParameter(6, lowPass);
  EXPECT_EQ(plugin->text(effGetParamDisplay, 6), "Low Pass");
}
