// Program selection and naming.
#include <cstdio>
#include <cstring>

#include "myvst.h"

void MyVst::setProgram(VstInt32 program) {
  if (!programs || program < 0 || program >= kNumPrograms) return;
  curProgram.store(program, std::memory_order_relaxed);
  const ProgramRecord& record = programs[program];
  // Each value goes through setParameter, so the working values and the editor follow.
  for (int position = 0; position < zarnith::kProgramLoadCount; position++) {
    const zarnith::ParameterId parameter = zarnith::parameterLoadedAt(position);
    setParameter(parameter, record.values[zarnith::programSlotOf(parameter)]);
  }
  // Every program change switches the bypass off.
  setParameter(zarnith::kParamBypass, 0.0f);
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
