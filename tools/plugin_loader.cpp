#include "plugin_loader.h"

#include <sys/stat.h>

#include <cstring>

#include "lv2_loader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#ifdef _WIN32
// A UTF-8 path opened as the wide path Windows needs; the reason of a failure in one line.
void* openLibrary(const std::string& path, std::string* reason) {
  int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], n);
  HMODULE module = LoadLibraryW(wide.c_str());
  if (!module) {
    char text[256] = "";
    DWORD code = GetLastError();
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof(text), nullptr);
    *reason = text[0] ? text : "error " + std::to_string(code);
    while (!reason->empty() && (reason->back() == '\n' || reason->back() == '\r' || reason->back() == ' '))
      reason->pop_back();
  }
  return module;
}
void* findSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void closeLibrary(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}
const char kPathSeparators[] = "/\\";
#else
void* openLibrary(const std::string& path, std::string* reason) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* text = dlerror();
    *reason = text ? text : "unknown reason";
  }
  return library;
}
void* findSymbol(void* library, const char* name) {
  return dlsym(library, name);
}
void closeLibrary(void* library) {
  dlclose(library);
}
const char kPathSeparators[] = "/";
#endif

typedef AEffect* (*PluginEntry)(audioMasterCallback);

// The host a plug-in talks to while its entry runs, before its record is known.
thread_local LoadedPlugin* loadingHost = nullptr;

PluginFormat defaultFormat = PluginFormat::kAuto;

bool endsWith(std::string text, const std::string& end) {
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

void LoadedPlugin::setDefaultFormat(PluginFormat format) {
  defaultFormat = format;
}

bool LoadedPlugin::parseFormat(const std::string& name, PluginFormat* format) {
  if (name == "2.4" || name == "so")
    *format = PluginFormat::kVst24;
  else if (name == "lv2")
    *format = PluginFormat::kLv2;
  else if (name == "clap")
    *format = PluginFormat::kClap;
  else
    return false;
  return true;
}

PluginFormat LoadedPlugin::formatOf(const std::string& path, PluginFormat requested) {
  if (requested == PluginFormat::kAuto) requested = defaultFormat;
  if (requested != PluginFormat::kAuto) return requested;
  if (endsWith(path, ".lv2")) return PluginFormat::kLv2;
  return endsWith(path, ".clap") ? PluginFormat::kClap : PluginFormat::kVst24;
}

VstTimeInfo LoadedPlugin::defaultTimeInfo() {
  VstTimeInfo info{};
  info.sampleRate = 44100.0;
  info.tempo = 120.0;
  info.ppqPos = 0.0;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
  info.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
  return info;
}

std::unique_ptr<LoadedPlugin> LoadedPlugin::load(const std::string& path, std::string* error) {
  return load(path, Options(), error);
}

std::unique_ptr<LoadedPlugin> LoadedPlugin::load(const std::string& path, const Options& options,
                                                 std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  error->clear();
  const PluginFormat format = formatOf(path, options.format);
  if (format == PluginFormat::kLv2) {
    std::unique_ptr<LoadedPlugin> plugin = start(
        nullptr, [&](audioMasterCallback host) { return openLv2Plugin(path, host, error); }, options, path,
        error);
    if (plugin) plugin->format_ = format;
    return plugin;
  }
  if (format == PluginFormat::kClap) {
    std::unique_ptr<PluginLibrary> library = openClapLibrary(path, error);
    if (!library) return nullptr;
    std::unique_ptr<LoadedPlugin> plugin = start(
        nullptr, [&](audioMasterCallback host) { return library->createEffect(host, error); }, options, path,
        error);
    if (plugin) {
      plugin->format_ = format;
      plugin->formatLibrary_ = std::move(library);
    }
    return plugin;
  }
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    *error = path + ": no such file";
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    *error = path + ": not a regular file";
    return nullptr;
  }
  // A path without a slash would make the loader search the library path instead.
  std::string openPath = path.find_first_of(kPathSeparators) == std::string::npos ? "./" + path : path;
  std::string reason;
  void* library = openLibrary(openPath, &reason);
  if (!library) {
    *error = path + ": not a loadable library (" + reason + ")";
    return nullptr;
  }
  PluginEntry entry = reinterpret_cast<PluginEntry>(findSymbol(library, "VSTPluginMain"));
  if (!entry) entry = reinterpret_cast<PluginEntry>(findSymbol(library, "main"));
  if (!entry) {
    closeLibrary(library);
    *error = path + ": no plug-in entry (neither VSTPluginMain nor main)";
    return nullptr;
  }

  return start(library, entry, options, path, error);
}

std::unique_ptr<LoadedPlugin> LoadedPlugin::start(void* library,
                                                  const std::function<AEffect*(audioMasterCallback)>& entry,
                                                  const Options& options, const std::string& path,
                                                  std::string* error) {
  std::unique_ptr<LoadedPlugin> plugin(new LoadedPlugin());
  plugin->library_ = library;
  plugin->options_ = options;
  plugin->timeInfo_ = defaultTimeInfo();
  loadingHost = plugin.get();
  AEffect* effect = entry(&LoadedPlugin::hostCallback);
  loadingHost = nullptr;
  if (!effect) {
    if (error->empty()) *error = path + ": the plug-in entry returned no effect";
    plugin->closed_ = true;
    return nullptr;
  }
  if (effect->magic != kEffectMagic) {
    *error = path + ": the entry's record is not a plug-in effect (bad magic)";
    plugin->closed_ = true;  // a record we cannot trust is not closed
    return nullptr;
  }
  effect->user = plugin.get();
  plugin->effect_ = effect;
  return plugin;
}

LoadedPlugin::~LoadedPlugin() {
  if (effect_ && !closed_) close();
  if (library_) closeLibrary(library_);
}

VstIntPtr LoadedPlugin::close() {
  if (closed_ || !effect_) return 0;
  closed_ = true;
  return effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
}

VstIntPtr LoadedPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string LoadedPlugin::text(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
  // Larger than any limit of the interface: plug-ins often write more than they should.
  char buffer[512];
  std::memset(buffer, 0, sizeof(buffer));
  dispatch(opcode, index, value, buffer, 0.0f);
  buffer[sizeof(buffer) - 1] = 0;
  return buffer;
}

void LoadedPlugin::setTimeInfo(const VstTimeInfo& info) {
  timeInfo_ = info;
}

std::vector<HostRequest> LoadedPlugin::requests() const {
  std::lock_guard<std::mutex> lock(requestsMutex_);
  return requests_;
}

void LoadedPlugin::clearRequests() {
  std::lock_guard<std::mutex> lock(requestsMutex_);
  requests_.clear();
}

VstIntPtr ZARNITH_CALL LoadedPlugin::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                  VstIntPtr value, void* /*ptr*/, float opt) {
  LoadedPlugin* host = loadingHost;
  if (effect && effect->user) host = static_cast<LoadedPlugin*>(effect->user);
  if (!host) return opcode == audioMasterVersion ? 2400 : 0;
  return host->answer(effect, opcode, index, value, opt);
}

VstIntPtr LoadedPlugin::answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt) {
  HostRequest request{opcode, index, value, opt, effect};
  if (options_.recordRequests) {
    std::lock_guard<std::mutex> lock(requestsMutex_);
    requests_.push_back(request);
  }
  switch (opcode) {
    case audioMasterVersion:
      return options_.versionAnswer;
    case audioMasterGetTime:
      return providesTime_ ? reinterpret_cast<VstIntPtr>(&timeInfo_) : 0;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      if (onEditRequest) onEditRequest(request);
      return 0;
    default:
      return 0;
  }
}
