// zarnith-host with files: banks kept byte for byte and refused when made for
// another plug-in, batches that go on past a bad file, and the null test.
#include <cmath>
#include <cstring>

#include "render_fixture.h"

namespace {

int32_t bigEndian(const std::string& bytes, size_t at) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])));
}

}  // namespace

TEST_F(RenderTest, BankRoundTripsByteForByteAndAnotherPlugInsIsRefused) {
  ToolRun run =
      render("--bars 1 --program 7 --set Freq=0.75 --save-bank " + path("a.fxb") + " --out " + path("a.wav"));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string bank = slurp(dir / "a.fxb");
  // The published bank layout: a 156-byte header, then 32 program records of
  // 60 header bytes and the plug-in's 140-byte chunk each.
  ASSERT_EQ(bank.size(), 156u + 32u * 200u);
  EXPECT_EQ(bank.substr(0, 4), "CcnK");
  EXPECT_EQ(bigEndian(bank, 4), static_cast<int32_t>(bank.size() - 8));
  EXPECT_EQ(bank.substr(8, 4), "FxBk");
  EXPECT_EQ(bigEndian(bank, 12), 2);  // the version with the current program
  EXPECT_EQ(bank.substr(16, 4), "ADly");
  EXPECT_EQ(bigEndian(bank, 24), 32);
  EXPECT_EQ(bigEndian(bank, 28), 7);
  const size_t program7 = 156 + 7 * 200;
  EXPECT_EQ(bank.substr(program7 + 8, 4), "FPCh");
  EXPECT_EQ(std::string(bank.c_str() + program7 + 28), "viril(V1.02)");
  float freq = 0;
  std::memcpy(&freq, bank.data() + program7 + 60 + 24, 4);  // slot 6 of the chunk
  EXPECT_EQ(freq, 0.75f);
  EXPECT_EQ(std::string(bank.c_str() + 156 + 3 * 200 + 28), "Onyx(V1.02)");

  // Restored into a fresh instance: the same program is current with the edit,
  // and saving again gives the same bytes.
  run = render("--bars 1 --bank " + path("a.fxb") + " --save-bank " + path("b.fxb") + " --out " +
               path("b.wav"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(slurp(dir / "b.fxb"), bank);
  // A program renamed in the file keeps its new name through a load and a save.
  std::string renamed = bank;
  const std::string name = "Renamed Onyx";
  std::fill(renamed.begin() + 156 + 3 * 200 + 28, renamed.begin() + 156 + 3 * 200 + 56, '\0');
  std::copy(name.begin(), name.end(), renamed.begin() + 156 + 3 * 200 + 28);
  std::ofstream(path("c.fxb"), std::ios::binary) << renamed;
  run = render("--bars 1 --bank " + path("c.fxb") + " --save-bank " + path("d.fxb") + " --out " +
               path("d.wav"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(slurp(dir / "d.fxb"), renamed);
  run = tool("state show --bank " + path("a.fxb"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"program\": 7"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"display\": \"15000\""), std::string::npos) << run.out;

  std::string other = bank;
  std::memcpy(&other[16], "Xyzw", 4);
  std::ofstream(path("in-other.fxb"), std::ios::binary) << other;
  fs::remove(dir / "a.fxb");
  fs::remove(dir / "b.fxb");
  for (const char* file : {"a.wav", "b.wav", "c.fxb", "d.fxb", "d.wav"}) fs::remove(dir / file);
  expectOneLineError(render("--bank " + path("in-other.fxb") + " --out " + path("o.wav")), "'Xyzw'");
  std::ofstream(path("in-short.fxb"), std::ios::binary) << bank.substr(0, 1000);
  expectOneLineError(render("--bank " + path("in-short.fxb") + " --out " + path("o.wav")), "truncated");
}

TEST_F(RenderTest, BatchGoesOnPastABadFileAndSaysSo) {
  fs::create_directories(dir / "in-folder");
  std::vector<float> tone(2 * 6000);
  for (size_t i = 0; i < tone.size(); i++) tone[i] = 0.3f * std::sin(0.01f * i);
  writeAudio(path("in-folder/a.wav"), 2, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, tone);
  writeAudio(path("in-folder/c.flac"), 2, 44100, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, tone);
  std::ofstream(path("in-folder/b.wav")) << "not audio\n";
  const ToolRun run = render(path("in-folder") + " --program 1 --program all --out-dir " + path("out") +
                             " --name '{stem}-{n}.wav' --block-size 1000");
  EXPECT_EQ(run.status, 1) << run.err;
  // Every program of both good files was rendered; the bad one failed for each.
  int done = 0;
  for (const auto& entry : fs::directory_iterator(dir / "out")) {
    const Audio out = readAudio(entry.path().string());
    EXPECT_EQ(out.info.frames, 6000) << entry.path();
    done++;
  }
  EXPECT_EQ(done, 2 * 32);
  EXPECT_TRUE(fs::exists(dir / "out" / "a-07.wav"));
  EXPECT_TRUE(fs::exists(dir / "out" / "c-31.wav"));
  EXPECT_NE(run.err.find("b.wav: unsupported or damaged audio file"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("64 of 96 renders done, 32 failed"), std::string::npos) << run.err;
  // The same render from standard input to standard output is the same file.
  const std::string piped = std::string(ZARNITH_HOST) + " render - --out - --program 7 <" +
                            path("in-folder/a.wav") + " >" + path("piped.wav");
  ASSERT_EQ(std::system(piped.c_str()), 0);
  const ToolRun same = tool("diff " + path("piped.wav") + " " + path("out/a-07.wav"));
  EXPECT_EQ(same.status, 0) << same.out << same.err;
}

TEST_F(RenderTest, DiffFindsOneChangedSample) {
  std::vector<float> a(2 * 5000);
  for (size_t i = 0; i < a.size(); i++) a[i] = 0.25f * std::sin(0.003f * i);
  std::vector<float> b = a;
  b[2 * 3210 + 1] += 0.125f;  // frame 3210, right channel
  writeAudio(path("a.wav"), 2, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT, a);
  writeAudio(path("b.wav"), 2, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT, b);
  writeAudio(path("a16.wav"), 2, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT, a);

  ToolRun run = tool("diff " + path("a.wav") + " " + path("a16.wav"));
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("bit-identical: yes"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("first differing sample: none"), std::string::npos) << run.out;

  run = tool("diff " + path("a.wav") + " " + path("b.wav"));
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.out.find("bit-identical: no"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("first differing sample: frame 3210, channel 1"), std::string::npos) << run.out;
  // 1/8, give or take the rounding of the changed sample to single precision.
  EXPECT_NE(run.out.find("max difference: 0.125"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(-18.1 dBFS) at frame 3210, channel 1"), std::string::npos) << run.out;
  // One difference of 1/8 among 10000 samples: 20 log10(0.125 / sqrt(10000)) = -58.1 dBFS.
  EXPECT_NE(run.out.find("RMS of difference: -58.1 dBFS"), std::string::npos) << run.out;
  // A tolerance above the difference passes, one below it does not.
  EXPECT_EQ(tool("diff " + path("a.wav") + " " + path("b.wav") + " --max-db -18").status, 0);
  EXPECT_EQ(tool("diff " + path("a.wav") + " " + path("b.wav") + " --max-db -19").status, 1);
  EXPECT_EQ(tool("diff " + path("a.wav") + " " + path("missing.wav")).status, 2);
}

TEST_F(RenderTest, NewOptionsGiveOneLineAndNoFile) {
  const std::string out = " --out " + path("out.wav");
  expectOneLineError(render("--loop 8:4" + out), "the loop ends before it starts");
  expectOneLineError(render("--loop 2bars:1bars" + out), "the loop ends before it starts");
  expectOneLineError(render("--loop 0:64" + out), "never reaches the loop end");
  expectOneLineError(render("--jump 64:0" + out), "--jump 64:0: the song never reaches");
  expectOneLineError(render("--stop 4:0" + out), "--stop");
  expectOneLineError(render("--tempo-at 4:-3" + out), "--tempo-at");
  expectOneLineError(render("--time-sig-at 1:3/5" + out), "--time-sig-at");
  expectOneLineError(render("--tempo-map " + path("none.txt") + out), "cannot open");
  std::ofstream(path("in-map.txt")) << "0 120\n8 fast\n";
  expectOneLineError(render("--tempo-map " + path("in-map.txt") + out), "in-map.txt:2:");
  expectOneLineError(render("--loop-input" + out), "--loop-input needs --loop");
  std::ofstream(path("in-1.json"))
      << R"({"lanes": [{"parameter": "Wobble", "points": [{"seconds": 0, "value": 0}]}]})";
  expectOneLineError(render("--automation " + path("in-1.json") + out), "no parameter 'Wobble'");
  std::ofstream(path("in-2.json"))
      << R"({"lanes": [{"parameter": "Freq", "points": [{"seconds": 99, "value": 0}]}]})";
  expectOneLineError(render("--automation " + path("in-2.json") + out), "after the end");
  std::ofstream(path("in-3.json"))
      << R"({"lanes": [{"parameter": "Filter Type", "points": [{"bars": 0, "value": "Notch"}]}]})";
  expectOneLineError(render("--automation " + path("in-3.json") + out), "no value shows 'Notch'");
  std::ofstream(path("in-4.json"))
      << R"({"lanes": [{"parameter": "Freq", "points": [{"beats": 1, "value": "30000 Hz"}]}]})";
  expectOneLineError(render("--automation " + path("in-4.json") + out), "outside");
  std::ofstream(path("in-5.json")) << "{\"lanes\": [";
  expectOneLineError(render("--automation " + path("in-5.json") + out), "not JSON");
  expectOneLineError(render("--program all" + out), "--out-dir");
  expectOneLineError(render("--out-dir " + path("o") + " --name '{stem}-{preset}.wav'"),
                     "unknown field '{preset}'");
  expectOneLineError(render(path("no-such-folder/") + out), "cannot open");
  expectOneLineError(tool("state load " + path("none.json")), "cannot open");
  std::ofstream(path("in-state.hex")) << "00ff";
  expectOneLineError(tool("state load " + path("in-state.hex")), "refused the state (2 bytes)");
}
