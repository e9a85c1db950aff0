// Loading the built plug-in for a test, and small helpers over its interface.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plugin_loader.h"

// Loads a fresh effect from the built zarnith.so; fails the test when it cannot.
std::unique_ptr<LoadedPlugin> loadZarnith(const LoadedPlugin::Options& options = LoadedPlugin::Options());

// A host text buffer filled with a marker, to see what a request writes and how far.
struct TextBuffer {
  static const size_t kSize = 128;
  char bytes[kSize];
  TextBuffer() { std::memset(bytes, '#', kSize); }
  std::string text() const { return std::string(bytes, strnlen(bytes, kSize)); }
  bool untouched() const {
    for (char c : bytes)
      if (c != '#') return false;
    return true;
  }
  // Number of bytes written, terminator included, assuming the plug-in writes a prefix.
  size_t bytesWritten() const {
    size_t n = kSize;
    while (n > 0 && bytes[n - 1] == '#') n--;
    return n;
  }
};

// The requests with the given opcode among those the host has seen.
std::vector<HostRequest> requestsWithOpcode(const LoadedPlugin& plugin, VstInt32 opcode);

// The 140-byte state the plug-in hands out for effGetChunk (isPreset as given).
std::vector<unsigned char> getChunk(LoadedPlugin& plugin, bool isPreset = false);
// Reads the little-endian float at a byte offset of a chunk.
float chunkFloat(const std::vector<unsigned char>& chunk, size_t offset);
