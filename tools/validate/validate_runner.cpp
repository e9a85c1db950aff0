// zarnith-host validate: parses the command line, runs each check in a child process with a time
// limit, and prints one line per check and the totals (or the same as JSON).
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "json_text.h"
#include "validate.h"

namespace validate {
namespace {

const int kDefaultStrictness = 5;
const uint32_t kDefaultSeed = 1;

struct Options {
  std::string plugin;
  int strictness = kDefaultStrictness;
  uint32_t seed = kDefaultSeed;
  std::vector<std::string> only;
  int timeLimit = 0;  // seconds per check; 0: each check's own
  bool json = false;
};

enum class Outcome { kPassed, kFailed, kSkipped };

struct Result {
  const CheckInfo* check;
  Outcome outcome = Outcome::kPassed;
  std::string reason;  // the first failure, the crash or the skip reason
  std::string lastStep;
  std::vector<std::string> notes;
  std::vector<std::string> failures;
  double seconds = 0.0;
};

void printUsage(FILE* out) {
  std::fprintf(
      out,
      "usage: zarnith-host validate [PLUGIN] [--strictness 1..10] [--only NAMES] [--seed N] [--time-limit S] "
      "[--json]\n"
      "  --strictness  how many cases and how long (default %d; 10 runs every check in full)\n"
      "  --only        comma-separated check names\n"
      "  --seed        seed of the random cases (default %u)\n"
      "  --json        the results as one JSON object\n"
      "checks:\n",
      kDefaultStrictness, kDefaultSeed);
  for (const CheckInfo& check : allChecks())
    std::fprintf(out, "  %-18s from strictness %2d: %s\n", check.name, check.minStrictness, check.summary);
}

bool parseInt(const char* text, long low, long high, long* value) {
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(text, &end, 10);
  if (errno || !end || *end || end == text || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

// Returns 0 to go on, else the exit status (after one error line).
int parseArguments(int argc, char** argv, Options* options) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "zarnith-host validate: %s needs a value\n", name);
        return nullptr;
      }
      return argv[++i];
    };
    long number = 0;
    if (arg == "--help" || arg == "-h") {
      printUsage(stdout);
      return -1;
    } else if (arg == "--json") {
      options->json = true;
    } else if (arg == "--strictness") {
      const char* text = value("--strictness");
      if (!text) return 2;
      if (!parseInt(text, 1, 10, &number)) {
        std::fprintf(stderr, "zarnith-host validate: --strictness takes 1 to 10, not '%s'\n", text);
        return 2;
      }
      options->strictness = static_cast<int>(number);
    } else if (arg == "--seed") {
      const char* text = value("--seed");
      if (!text) return 2;
      if (!parseInt(text, 0, 0xFFFFFFFFL, &number)) {
        std::fprintf(stderr, "zarnith-host validate: --seed takes a number from 0 to 4294967295, not '%s'\n",
                     text);
        return 2;
      }
      options->seed = static_cast<uint32_t>(number);
    } else if (arg == "--time-limit") {
      const char* text = value("--time-limit");
      if (!text) return 2;
      if (!parseInt(text, 1, 86400, &number)) {
        std::fprintf(stderr, "zarnith-host validate: --time-limit takes 1 to 86400 seconds, not '%s'\n",
                     text);
        return 2;
      }
      options->timeLimit = static_cast<int>(number);
    } else if (arg == "--only") {
      const char* text = value("--only");
      if (!text) return 2;
      std::string names = text;
      size_t start = 0;
      while (start <= names.size()) {
        size_t comma = names.find(',', start);
        if (comma == std::string::npos) comma = names.size();
        const std::string name = names.substr(start, comma - start);
        bool known = false;
        for (const CheckInfo& check : allChecks()) known = known || name == check.name;
        if (!known) {
          std::fprintf(stderr, "zarnith-host validate: no check named '%s' (see --help)\n", name.c_str());
          return 2;
        }
        options->only.push_back(name);
        start = comma + 1;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "zarnith-host validate: unknown option '%s' (try --help)\n", arg.c_str());
      return 2;
    } else if (options->plugin.empty()) {
      options->plugin = arg;
    } else {
      std::fprintf(stderr, "zarnith-host validate: one plug-in at a time ('%s' is a second one)\n",
                   arg.c_str());
      return 2;
    }
  }
  if (options->plugin.empty()) options->plugin = defaultPluginPath();
  return 0;
}

double secondsSince(const timespec& start) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec - start.tv_sec) +
         static_cast<double>(now.tv_nsec - start.tv_nsec) * 1e-9;
}

// Applies one line of the child's report.
void takeLine(const std::string& line, Result* result) {
  if (line.size() < 2) return;
  const std::string text = line.substr(2);
  switch (line[0]) {
    case 'S':
      result->lastStep = text;
      break;
    case 'N':
      result->notes.push_back(text);
      break;
    case 'F':
      result->failures.push_back(text);
      break;
    case 'K':
      result->outcome = Outcome::kSkipped;
      result->reason = text;
      break;
    default:
      break;
  }
}

std::string describeStatus(int status) {
  char text[96];
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    std::snprintf(text, sizeof(text), "crashed (signal %d, %s)", signal, strsignal(signal));
  } else {
    std::snprintf(text, sizeof(text), "ended with exit status %d", WEXITSTATUS(status));
  }
  return text;
}

Result runCheck(const CheckInfo& check, const Options& options) {
  Result result;
  result.check = &check;
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  int channel[2];
  if (pipe(channel) != 0) {
    result.outcome = Outcome::kFailed;
    result.reason = "could not make a pipe for the check's process";
    return result;
  }
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(channel[0]);
    close(channel[1]);
    result.outcome = Outcome::kFailed;
    result.reason = "could not start the check's process";
    return result;
  }
  if (child == 0) {
    close(channel[0]);
    // The plug-in's own chatter must not mix with the results.
    if (FILE* quiet = std::freopen("/dev/null", "w", stdout)) (void)quiet;
    CheckContext context(options.plugin, options.strictness, options.seed, channel[1]);
    check.run(context);
    _exit(context.failed() ? 1 : 0);
  }
  close(channel[1]);
  // Sanitizer builds run many times slower.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
  const double slowdown = 10.0;
#else
  const double slowdown = 1.0;
#endif
  const double limit = options.timeLimit > 0 ? options.timeLimit : check.timeLimitSeconds * slowdown;
  std::string pending;
  bool timedOut = false;
  for (;;) {
    const double left = limit - secondsSince(start);
    if (left <= 0) {
      timedOut = true;
      break;
    }
    pollfd fd = {channel[0], POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left * 1000.0) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char bytes[4096];
    const ssize_t got = read(channel[0], bytes, sizeof(bytes));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the child is done (or gone)
    pending.append(bytes, static_cast<size_t>(got));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      takeLine(pending.substr(0, end), &result);
      pending.erase(0, end + 1);
    }
  }
  close(channel[0]);
  if (timedOut) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.seconds = secondsSince(start);
  const std::string where = result.lastStep.empty() ? "" : " in step: " + result.lastStep;
  if (timedOut) {
    char text[64];
    std::snprintf(text, sizeof(text), "timed out after %.0f s", limit);
    result.outcome = Outcome::kFailed;
    result.reason = text + where;
  } else if (WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) > 1)) {
    result.outcome = Outcome::kFailed;
    result.reason = describeStatus(status) + where;
  } else if (!result.failures.empty() || (WIFEXITED(status) && WEXITSTATUS(status) == 1)) {
    result.outcome = Outcome::kFailed;
    result.reason = result.failures.empty() ? "failed" + where : result.failures.front();
  }
  return result;
}

std::string jsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + jsonString(items[i]);
  return out + "]";
}

const char* outcomeName(Outcome outcome) {
  return outcome == Outcome::kPassed ? "passed" : outcome == Outcome::kFailed ? "failed" : "skipped";
}

void printText(const Result& result) {
  const char* tag = result.outcome == Outcome::kPassed   ? "PASS"
                    : result.outcome == Outcome::kFailed ? "FAIL"
                                                         : "SKIP";
  std::string detail;
  if (result.outcome == Outcome::kPassed) {
    for (const std::string& note : result.notes) detail += (detail.empty() ? "" : "; ") + note;
  } else {
    detail = result.reason;
    if (result.failures.size() > 1) {
      char more[48];
      std::snprintf(more, sizeof(more), " (and %zu more)", result.failures.size() - 1);
      detail += more;
    }
  }
  std::printf("%s %-18s %6.1f s  %s\n", tag, result.check->name, result.seconds, detail.c_str());
  if (result.outcome == Outcome::kFailed) {
    for (size_t i = 1; i < result.failures.size() && i < 8; ++i)
      std::printf("     %-18s           %s\n", "", result.failures[i].c_str());
  }
  std::fflush(stdout);
}

}  // namespace
}  // namespace validate

int runValidate(int argc, char** argv) {
  using namespace validate;
  Options options;
  const int parsed = parseArguments(argc, argv, &options);
  if (parsed < 0) return 0;
  if (parsed > 0) return parsed;

  // Loading once up front turns a path that is no plug-in into one clear error line.
  {
    std::string error;
    std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(options.plugin, &error);
    if (!plugin) {
      std::fprintf(stderr, "zarnith-host validate: %s\n", error.c_str());
      return 1;
    }
  }
  signal(SIGPIPE, SIG_IGN);

  std::vector<Result> results;
  int passed = 0, failed = 0, skipped = 0;
  for (const CheckInfo& check : allChecks()) {
    bool chosen = options.only.empty() ? check.minStrictness <= options.strictness : false;
    for (const std::string& name : options.only) chosen = chosen || name == check.name;
    if (!chosen) continue;
    Result result = runCheck(check, options);
    if (result.outcome == Outcome::kPassed) ++passed;
    if (result.outcome == Outcome::kFailed) ++failed;
    if (result.outcome == Outcome::kSkipped) ++skipped;
    if (!options.json) printText(result);
    results.push_back(result);
  }

  if (options.json) {
    std::printf("{\"plugin\": %s, \"strictness\": %d, \"seed\": %u, \"checks\": [",
                jsonString(options.plugin).c_str(), options.strictness, options.seed);
    for (size_t i = 0; i < results.size(); ++i) {
      const Result& r = results[i];
      std::printf(
          "%s\n  {\"name\": %s, \"result\": \"%s\", \"seconds\": %.3f, \"reason\": %s, \"step\": %s, "
          "\"failures\": %s, \"notes\": %s}",
          i ? "," : "", jsonString(r.check->name).c_str(), outcomeName(r.outcome), r.seconds,
          jsonString(r.reason).c_str(), jsonString(r.lastStep).c_str(), jsonList(r.failures).c_str(),
          jsonList(r.notes).c_str());
    }
    std::printf("\n], \"passed\": %d, \"failed\": %d, \"skipped\": %d}\n", passed, failed, skipped);
  } else if (skipped > 0) {
    std::printf("%d passed, %d failed (%d skipped)\n", passed, failed, skipped);
  } else {
    std::printf("%d passed, %d failed\n", passed, failed);
  }
  return failed == 0 ? 0 : 1;
}
