// zarnith-host validate: a battery of checks that a careful host runs on a plug-in before
// trusting it in a session. Each check runs in a child process of its own, so a crash or a hang
// fails that check alone; the child reports its steps as it goes, so the failure names the step.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugin_loader.h"

namespace validate {

// What a check runs against and how hard, and its channel to the parent.
class CheckContext {
 public:
  CheckContext(std::string pluginPath, int strictness, uint32_t seed, int reportFd);

  const std::string& pluginPath() const { return path; }
  int strictness() const { return level; }
  uint32_t seed() const { return seedValue; }
  // Scales a count with the strictness: low at 1, full at 10.
  int scaled(int atFull, int atLeast = 1) const;

  // A fresh instance, or null after a failure naming the reason.
  std::unique_ptr<LoadedPlugin> load();

  // The step about to run: a crash or a hang is reported with the last one.
  void step(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A figure or a remark shown with the result.
  void note(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A fault found; the check goes on unless it returns.
  void fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The check does not apply to this plug-in or this machine.
  void skip(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool failed() const { return failures > 0; }

 private:
  void send(char kind, const char* format, va_list args);

  std::string path;
  int level;
  uint32_t seedValue;
  int fd;
  int failures = 0;
};

typedef void (*CheckFunction)(CheckContext& context);

struct CheckInfo {
  const char* name;
  const char* summary;
  int minStrictness;  // runs from this strictness up
  int timeLimitSeconds;
  CheckFunction run;
};

// Every check, in the order they run.
const std::vector<CheckInfo>& allChecks();

// The checks, by file.
void checkOpenClose(CheckContext& context);
void checkEditorCycles(CheckContext& context);
void checkBlockSizes(CheckContext& context);
void checkSampleRates(CheckContext& context);
void checkTempos(CheckContext& context);
void checkTimeRecords(CheckContext& context);
void checkNanRecovery(CheckContext& context);
void checkDenormalCost(CheckContext& context);
void checkParameterFuzz(CheckContext& context);
void checkParameterThreads(CheckContext& context);
void checkStateRoundTrip(CheckContext& context);
void checkGarbageChunks(CheckContext& context);
void checkDispatcherFuzz(CheckContext& context);
void checkNullPointers(CheckContext& context);
void checkRealtime(CheckContext& context);
void checkInstanceThreads(CheckContext& context);

}  // namespace validate
