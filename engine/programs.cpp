// Program selection and naming.
#include <cstdio>
#include <cstring>

#include "myvst.h"

namespace {

// Parameters applied by a program change, in order, with the slot each comes from.
const struct {
  VstInt32 index;
  int slot;
} kProgramOrder[] = {
    {0, 6},   {1, 10},  {13, 11}, {6, 12},  {5, 15},  {2, 13},  {16, 0},  {17, 1},
    {19, 2},  {4, 7},   {8, 8},   {7, 14},  {23, 17}, {24, 18}, {25, 19}, {9, 16},
    {10, 20}, {26, 21}, {29, 22}, {32, 23}, {31, 25}, {30, 24}, {33, 26}, {28, 27},
};

}  // namespace

void MyVst::setProgram(VstInt32 program) {
  if (!programs || program < 0 || program >= kNumPrograms) return;
  curProgram.store(program, std::memory_order_relaxed);
  const ProgramRecord& record = programs[program];
  // Each value goes through setParameter, so the working values and the editor follow.
  for (const auto& entry : kProgramOrder) setParameter(entry.index, record.values[entry.slot]);
  // Every program change switches the bypass off.
  setParameter(42, 0.0f);
}

void MyVst::setProgramName(char* name) {
  if (!name || !programs) return;
  ProgramRecord& record = programs[curProgram.load(std::memory_order_relaxed)];
  std::memset(record.name, 0, sizeof(record.name));
  std::strncpy(record.name, name, sizeof(record.name) - 1);
}

void MyVst::getProgramName(char* name) {
  if (!name || !programs) return;
  const VstInt32 program = curProgram.load(std::memory_order_relaxed);
  const ProgramRecord& record = programs[program];
  if (std::strcmp(record.name, "KovPreset") == 0) {
    char numbered[ProgramRecord::kNameSize + 16];
    std::snprintf(numbered, sizeof(numbered), "%s %d", record.name, static_cast<int>(program) + 1);
    copyWholeText(name, numbered);
  } else {
    copyWholeText(name, record.name);
  }
}

bool MyVst::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
  if (!programs || index < 0 || index >= kNumPrograms) return false;
  copyWholeText(text, programs[index].name);
  return true;
}
