// zarnith-host as a user runs it: a fixture with a folder of its own per test,
// the tool's output streams captured, and audio files read and written.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("zarnith-render-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  ToolRun render(const std::string& args) { return tool("render " + args); }
  // Any subcommand, with its output streams captured.
  ToolRun tool(const std::string& args) {
    const std::string command = std::string(ZARNITH_HOST) + " " + args + " >" + (dir / "stdout").string() +
                                " 2>" + (dir / "stderr").string();
    ToolRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = slurp(dir / "stdout");
    run.err = slurp(dir / "stderr");
    return run;
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  // The files in the directory besides the captured output streams.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
      const std::string name = entry.path().filename().string();
      if (name != "stdout" && name != "stderr" && name.rfind("in", 0) != 0) names.push_back(name);
    }
    return names;
  }
  void expectOneLineError(const ToolRun& run, const std::string& fragment) {
    EXPECT_NE(run.status, 0) << fragment;
    EXPECT_NE(run.err.find(fragment), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_TRUE(files().empty()) << "left behind: " << (files().empty() ? "" : files()[0]);
  }

  fs::path dir;
};

struct Audio {
  SF_INFO info{};
  std::vector<float> samples;
};

inline Audio readAudio(const std::string& path) {
  Audio a;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &a.info);
  if (!f) return a;
  a.samples.resize(static_cast<size_t>(a.info.frames * a.info.channels));
  sf_readf_float(f, a.samples.data(), a.info.frames);
  sf_close(f);
  return a;
}

inline void writeAudio(const std::string& path, int channels, int rate, int format,
                       const std::vector<float>& samples) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = rate;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  sf_writef_float(f, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
  sf_close(f);
}
