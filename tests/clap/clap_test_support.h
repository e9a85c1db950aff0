// The built zarnith.clap loaded through zarnith-host's CLAP host, with helpers to run
// its processing the way a host does, and the built zarnith.so beside it to compare.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "clap_host.h"
#include "plugin_loader.h"

struct ClapFixture : public ::testing::Test {
  void SetUp() override;
  void TearDown() override;

  // Creates a plug-in instance on the test's thread (its main thread).
  std::unique_ptr<ClapHost> create();
  const clap_plugin_params_t* params(ClapHost& host);
  double value(ClapHost& host, clap_id id);
  bool activate(ClapHost& host, double rate = 32768.0, uint32_t maxFrames = 1024);

  std::unique_ptr<ClapLibrary> library;
};

// Input events, in time order.
struct ClapEvents {
  std::vector<std::vector<unsigned char>> storage;
  clap_input_events_t list;
  ClapEvents();
  void paramValue(uint32_t time, clap_id id, double value);
  void noteOn(uint32_t time, int key, double velocity);
  void transport(uint32_t time, const clap_event_transport_t& transport);
};

// A transport at ppq (quarter notes), playing.
clap_event_transport_t clapTransport(double ppq, double tempo, int numerator, int denominator);

// One process call of frames over in/out (two channels each, non-interleaved halves).
int32_t clapProcess(ClapHost& host, std::vector<float>& in, std::vector<float>& out, uint32_t frames,
                    const clap_event_transport_t* transport, ClapEvents* events);

// A deterministic stereo test signal.
std::vector<float> testSignal(uint32_t frames, uint32_t seed);

// The built 2.4 library, for the same processing to compare with.
std::unique_ptr<LoadedPlugin> loadVst();
