#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "validate.h"

namespace validate {

CheckContext::CheckContext(std::string pluginPath, int strictness, uint32_t seed, int reportFd)
    : path(std::move(pluginPath)), level(strictness), seedValue(seed), fd(reportFd) {}

int CheckContext::scaled(int atFull, int atLeast) const {
  const int value = atFull * level / 10;
  return value < atLeast ? atLeast : value;
}

std::unique_ptr<LoadedPlugin> CheckContext::load() {
  // Hosts keep a library loaded while its instances come and go; unloading and loading it again
  // would count the system libraries' per-load set-up as the plug-in's growth.
  static const bool resident = [this] {
    struct stat status;
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    return dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE) != nullptr;
  }();
  (void)resident;
  std::string error;
  LoadedPlugin::Options options;
  // The host's own bookkeeping would otherwise allocate and lock inside the plug-in's calls.
  options.recordRequests = false;
  std::unique_ptr<LoadedPlugin> plugin = LoadedPlugin::load(path, options, &error);
  if (!plugin) fail("could not create an instance: %s", error.c_str());
  return plugin;
}

void CheckContext::send(char kind, const char* format, va_list args) {
  char line[1024];
  line[0] = kind;
  line[1] = ' ';
  int length = std::vsnprintf(line + 2, sizeof(line) - 3, format, args);
  if (length < 0) length = 0;
  if (length > static_cast<int>(sizeof(line)) - 4) length = static_cast<int>(sizeof(line)) - 4;
  for (int i = 2; i < length + 2; ++i)
    if (line[i] == '\n') line[i] = ' ';
  line[length + 2] = '\n';
  // One write per line: the parent may read it just before this process dies.
  const char* data = line;
  size_t left = static_cast<size_t>(length) + 3;
  while (left > 0) {
    const ssize_t written = write(fd, data, left);
    if (written <= 0) return;
    data += written;
    left -= static_cast<size_t>(written);
  }
}

#define VALIDATE_SEND(kind) \
  va_list args;             \
  va_start(args, format);   \
  send(kind, format, args); \
  va_end(args)

void CheckContext::step(const char* format, ...) {
  VALIDATE_SEND('S');
}

void CheckContext::note(const char* format, ...) {
  VALIDATE_SEND('N');
}

void CheckContext::fail(const char* format, ...) {
  ++failures;
  VALIDATE_SEND('F');
}

void CheckContext::skip(const char* format, ...) {
  VALIDATE_SEND('K');
}

}  // namespace validate
