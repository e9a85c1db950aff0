// The saved state: the current program's values and its number, 140 bytes, little-endian.
#include <cstring>

#include "myvst.h"

namespace {

void writeFloatLE(unsigned char* bytes, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  for (int i = 0; i < 4; i++) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

float readFloatLE(const unsigned char* bytes) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; i++) bits |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  float value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

}  // namespace

VstInt32 MyVst::getChunk(void** data, bool isPreset) {
  if (!data) return 0;
  if (!isPreset && programs) {
    const VstInt32 program = curProgram.load(std::memory_order_relaxed);
    chunkBuffer[kChunkProgramByte] = static_cast<unsigned char>(program & 0xFF);
    const ProgramRecord& record = programs[program];
    for (int slot = 0; slot < ProgramRecord::kNumSlots; slot++) {
      if (zarnith::slotSavedInChunk(slot)) writeFloatLE(chunkBuffer + 4 * slot, record.values[slot]);
    }
  }
  *data = chunkBuffer;
  return kChunkSize;
}

VstInt32 MyVst::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
  // Anything but a whole state naming one of the 32 programs is refused untouched.
  if (!data || byteSize != kChunkSize) return 0;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  const VstInt32 program = bytes[kChunkProgramByte];
  if (program >= kNumPrograms) return 0;
  // The host may hand back the very buffer getChunk gave it.
  std::memmove(chunkBuffer, bytes, kChunkSize);
  if (isPreset || !programs) return 1;

  curProgram.store(program, std::memory_order_relaxed);
  ProgramRecord& record = programs[program];
  for (int slot = 0; slot < ProgramRecord::kNumSlots; slot++) {
    if (zarnith::slotSavedInChunk(slot)) record.values[slot] = readFloatLE(chunkBuffer + 4 * slot);
  }
  setProgram(program);
  return 1;
}
