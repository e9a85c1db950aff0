#include "fxp.h"

#include <cstring>

namespace {

const int32_t kChunkMagic = ('C' << 24) | ('c' << 16) | ('n' << 8) | 'K';
const int32_t kOpaqueMagic = ('F' << 24) | ('P' << 16) | ('C' << 8) | 'h';
const int32_t kParamsMagic = ('F' << 24) | ('x' << 16) | ('C' << 8) | 'k';
const int32_t kBankChunkMagic = ('F' << 24) | ('B' << 16) | ('C' << 8) | 'h';
const int32_t kBankMagic = ('F' << 24) | ('x' << 16) | ('B' << 8) | 'k';
const size_t kBankHeaderBytes = 156;  // up to the chunk size or the first program
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

// Fills in the container's byte size: everything after the size field.
void finishContainer(std::vector<unsigned char>& out) {
  const uint32_t byteSize = static_cast<uint32_t>(out.size() - 8);
  for (int i = 0; i < 4; i++) out[4 + i] = static_cast<unsigned char>(byteSize >> (24 - 8 * i));
}

// Checks a container's header: 'CcnK', one of two types, a size that fits.
// kind names the file in errors ("preset", "bank").
bool openContainer(const std::vector<unsigned char>& bytes, size_t headerBytes, int32_t typeA, int32_t typeB,
                   const std::string& kind, int32_t* type, std::string* error) {
  if (bytes.size() < headerBytes || getInt(bytes, 0) != kChunkMagic) {
    *error = "not a " + kind + " file (no 'CcnK' header)";
    return false;
  }
  *type = getInt(bytes, 8);
  if (*type != typeA && *type != typeB) {
    *error = "not a " + kind + " (type '" + fourCharText(*type) + "'; expected '" + fourCharText(typeA) +
             "' or '" + fourCharText(typeB) + "')";
    return false;
  }
  const int32_t byteSize = getInt(bytes, 4);
  if (byteSize < 0 || static_cast<size_t>(byteSize) + 8 > bytes.size()) {
    *error = "truncated " + kind + " file";
    return false;
  }
  return true;
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
  finishContainer(out);
  return out;
}

bool decodeFxp(const std::vector<unsigned char>& bytes, FxpPreset* preset, std::string* error) {
  int32_t magic = 0;
  if (!openContainer(bytes, kHeaderBytes, kOpaqueMagic, kParamsMagic, "preset", &magic, error)) return false;
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

std::vector<unsigned char> encodeFxb(const FxbBank& bank) {
  std::vector<unsigned char> out;
  putInt(out, kChunkMagic);
  putInt(out, 0);  // byte size, filled in below
  putInt(out, bank.isChunk ? kBankChunkMagic : kBankMagic);
  putInt(out, 2);  // format version: with the current program
  putInt(out, bank.pluginId);
  putInt(out, bank.pluginVersion);
  putInt(out, bank.isChunk ? bank.numPrograms : static_cast<int32_t>(bank.programs.size()));
  putInt(out, bank.currentProgram);
  out.resize(kBankHeaderBytes, 0);  // reserved
  if (bank.isChunk) {
    putInt(out, static_cast<int32_t>(bank.chunk.size()));
    out.insert(out.end(), bank.chunk.begin(), bank.chunk.end());
  } else {
    for (const FxpPreset& program : bank.programs) {
      const std::vector<unsigned char> record = encodeFxp(program);
      out.insert(out.end(), record.begin(), record.end());
    }
  }
  finishContainer(out);
  return out;
}

bool decodeFxb(const std::vector<unsigned char>& bytes, FxbBank* bank, std::string* error) {
  int32_t magic = 0;
  if (!openContainer(bytes, kBankHeaderBytes, kBankChunkMagic, kBankMagic, "bank", &magic, error))
    return false;
  const size_t end = static_cast<size_t>(getInt(bytes, 4)) + 8;
  FxbBank b;
  b.isChunk = magic == kBankChunkMagic;
  const int32_t version = getInt(bytes, 12);
  b.pluginId = getInt(bytes, 16);
  b.pluginVersion = getInt(bytes, 20);
  b.numPrograms = getInt(bytes, 24);
  b.currentProgram = version >= 2 ? getInt(bytes, 28) : 0;
  if (b.numPrograms < 0 || b.numPrograms > 100000) {
    *error = "damaged bank file (" + std::to_string(b.numPrograms) + " programs)";
    return false;
  }
  if (b.isChunk) {
    if (end < kBankHeaderBytes + 4) {
      *error = "truncated bank file";
      return false;
    }
    const int32_t size = getInt(bytes, kBankHeaderBytes);
    if (size < 0 || static_cast<size_t>(size) > end - kBankHeaderBytes - 4) {
      *error = "truncated bank file (chunk size " + std::to_string(size) + ")";
      return false;
    }
    b.chunk.assign(bytes.begin() + kBankHeaderBytes + 4, bytes.begin() + kBankHeaderBytes + 4 + size);
  } else {
    size_t at = kBankHeaderBytes;
    for (int32_t i = 0; i < b.numPrograms; i++) {
      if (at + 8 > end) {
        *error = "truncated bank file (program " + std::to_string(i) + ")";
        return false;
      }
      const int32_t size = getInt(bytes, at + 4);
      if (size < 0 || static_cast<size_t>(size) > end - at - 8) {
        *error = "truncated bank file (program " + std::to_string(i) + ")";
        return false;
      }
      const std::vector<unsigned char> record(bytes.begin() + at, bytes.begin() + at + 8 + size);
      FxpPreset program;
      std::string why;
      if (!decodeFxp(record, &program, &why)) {
        *error = "program " + std::to_string(i) + ": " + why;
        return false;
      }
      b.programs.push_back(program);
      at += 8 + static_cast<size_t>(size);
    }
  }
  *bank = b;
  return true;
}
