#include "fxp.h"

#include <cstring>

namespace {

const int32_t kChunkMagic = ('C' << 24) | ('c' << 16) | ('n' << 8) | 'K';
const int32_t kOpaqueMagic = ('F' << 24) | ('P' << 16) | ('C' << 8) | 'h';
const int32_t kParamsMagic = ('F' << 24) | ('x' << 16) | ('C' << 8) | 'k';
const size_t kNameBytes = 28;
const size_t kHeaderBytes = 56;  // up to and including the program name

void putInt(std::vector<unsigned char>& out, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  out.push_back(static_cast<unsigned char>(v >> 24));
  out.push_back(static_cast<unsigned char>(v >> 16));
  out.push_back(static_cast<unsigned char>(v >> 8));
  out.push_back(static_cast<unsigned char>(v));
}

int32_t getInt(const std::vector<unsigned char>& in, size_t at) {
  return static_cast<int32_t>((static_cast<uint32_t>(in[at]) << 24) |
                              (static_cast<uint32_t>(in[at + 1]) << 16) |
                              (static_cast<uint32_t>(in[at + 2]) << 8) | static_cast<uint32_t>(in[at + 3]));
}

}  // namespace

std::string fourCharText(int32_t id) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
    text += (c >= 32 && c < 127) ? c : '?';
  }
  return text;
}

std::vector<unsigned char> encodeFxp(const FxpPreset& preset) {
  std::vector<unsigned char> out;
  putInt(out, kChunkMagic);
  putInt(out, 0);  // byte size, filled in below
  putInt(out, preset.isChunk ? kOpaqueMagic : kParamsMagic);
  putInt(out, 1);  // format version
  putInt(out, preset.pluginId);
  putInt(out, preset.pluginVersion);
  putInt(out, preset.isChunk ? preset.numParams : static_cast<int32_t>(preset.parameters.size()));
  char name[kNameBytes] = {};
  std::strncpy(name, preset.programName.c_str(), kNameBytes - 1);
  out.insert(out.end(), name, name + kNameBytes);
  if (preset.isChunk) {
    putInt(out, static_cast<int32_t>(preset.chunk.size()));
    out.insert(out.end(), preset.chunk.begin(), preset.chunk.end());
  } else {
    for (float value : preset.parameters) {
      int32_t bits;
      std::memcpy(&bits, &value, 4);
      putInt(out, bits);
    }
  }
  const int32_t byteSize = static_cast<int32_t>(out.size() - 8);  // everything after the size field
  for (int i = 0; i < 4; i++)
    out[4 + i] = static_cast<unsigned char>(static_cast<uint32_t>(byteSize) >> (24 - 8 * i));
  return out;
}

bool decodeFxp(const std::vector<unsigned char>& bytes, FxpPreset* preset, std::string* error) {
  if (bytes.size() < kHeaderBytes || getInt(bytes, 0) != kChunkMagic) {
    *error = "not a preset file (no 'CcnK' header)";
    return false;
  }
  const int32_t magic = getInt(bytes, 8);
  if (magic != kOpaqueMagic && magic != kParamsMagic) {
    *error = "not a program preset (type '" + fourCharText(magic) + "'; expected 'FPCh' or 'FxCk')";
    return false;
  }
  const int32_t byteSize = getInt(bytes, 4);
  if (byteSize < 0 || static_cast<size_t>(byteSize) + 8 > bytes.size()) {
    *error = "truncated preset file";
    return false;
  }
  FxpPreset p;
  p.isChunk = magic == kOpaqueMagic;
  p.pluginId = getInt(bytes, 16);
  p.pluginVersion = getInt(bytes, 20);
  p.numParams = getInt(bytes, 24);
  const char* name = reinterpret_cast<const char*>(&bytes[28]);
  p.programName.assign(name, strnlen(name, kNameBytes));
  if (p.isChunk) {
    if (bytes.size() < kHeaderBytes + 4) {
      *error = "truncated preset file";
      return false;
    }
    const int32_t size = getInt(bytes, kHeaderBytes);
    if (size < 0 || static_cast<size_t>(size) > bytes.size() - kHeaderBytes - 4) {
      *error = "truncated preset file (chunk size " + std::to_string(size) + ")";
      return false;
    }
    p.chunk.assign(bytes.begin() + kHeaderBytes + 4, bytes.begin() + kHeaderBytes + 4 + size);
  } else {
    if (p.numParams < 0 || static_cast<size_t>(p.numParams) > (bytes.size() - kHeaderBytes) / 4) {
      *error = "truncated preset file (" + std::to_string(p.numParams) + " parameters)";
      return false;
    }
    for (int32_t i = 0; i < p.numParams; i++) {
      const int32_t bits = getInt(bytes, kHeaderBytes + 4 * static_cast<size_t>(i));
      float value;
      std::memcpy(&value, &bits, 4);
      p.parameters.push_back(value);
    }
  }
  *preset = p;
  return true;
}
