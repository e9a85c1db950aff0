// Loads a plug-in library of the 2.4 interface the way a host does and answers
// its requests: the host side shared by zarnith-host's subcommands and the tests.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/plugin_interface.h"
#include "plugin_library.h"

// One request the plug-in sent to the host.
struct HostRequest {
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;
  float opt;
  AEffect* effect;  // the record the request named (null for the version request)
};

// The plug-in formats a LoadedPlugin can load; every one is driven through a 2.4 record.
enum class PluginFormat { kAuto, kVst24, kLv2, kClap };

class LoadedPlugin {
 public:
  struct Options {
    VstIntPtr versionAnswer = 2400;             // 0 plays a host too old for the plug-in
    PluginFormat format = PluginFormat::kAuto;  // kAuto: from the path (.lv2, .clap), else the default
    // False answers without keeping requests(): no lock and no allocation inside the plug-in's calls.
    bool recordRequests = true;
  };
  // The format used when neither the options nor the path say (zarnith-host's --format).
  static void setDefaultFormat(PluginFormat format);
  // "2.4" (also "so"), "lv2" or "clap"; false for any other name.
  static bool parseFormat(const std::string& name, PluginFormat* format);
  static PluginFormat formatOf(const std::string& path, PluginFormat requested);

  // Loads the library at path and creates one effect. On failure returns null and
  // sets error to a one-line reason.
  static std::unique_ptr<LoadedPlugin> load(const std::string& path, std::string* error);
  static std::unique_ptr<LoadedPlugin> load(const std::string& path, const Options& options,
                                            std::string* error);
  ~LoadedPlugin();  // closes the effect (unless closed) and unloads the library

  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  AEffect* effect() const { return effect_; }
  PluginFormat format() const { return format_; }
  // What a format loaded through its own library adds to a scan (null for 2.4 and LV2).
  PluginLibrary* formatLibrary() const { return formatLibrary_.get(); }
  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  // Asks for a text (names, labels, displays, vendor...): the buffer starts zeroed,
  // so a request the plug-in leaves unanswered gives an empty text.
  std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);
  void setParameter(VstInt32 index, float value) { effect_->setParameter(effect_, index, value); }
  float getParameter(VstInt32 index) { return effect_->getParameter(effect_, index); }
  void processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    effect_->processReplacing(effect_, inputs, outputs, frames);
  }
  // Sends effClose; afterwards only the destructor may be used.
  VstIntPtr close();

  // Musical time handed out for audioMasterGetTime; set it before processing.
  void setTimeInfo(const VstTimeInfo& info);
  VstTimeInfo& timeInfo() { return timeInfo_; }
  // Answer to audioMasterGetTime becomes null when false.
  void setProvidesTime(bool provides) { providesTime_ = provides; }

  // Every request the plug-in sent, in order (thread-safe copy).
  std::vector<HostRequest> requests() const;
  void clearRequests();
  // Called for audioMasterAutomate, audioMasterBeginEdit and audioMasterEndEdit as they arrive.
  std::function<void(const HostRequest&)> onEditRequest;

  static VstTimeInfo defaultTimeInfo();

 private:
  LoadedPlugin() = default;
  // Creates the effect through entry (the library's, or a format loader's) as the host.
  static std::unique_ptr<LoadedPlugin> start(void* library,
                                             const std::function<AEffect*(audioMasterCallback)>& entry,
                                             const Options& options, const std::string& path,
                                             std::string* error);
  static VstIntPtr ZARNITH_CALL hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                             VstIntPtr value, void* ptr, float opt);
  VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt);

  void* library_ = nullptr;
  PluginFormat format_ = PluginFormat::kVst24;
  std::unique_ptr<PluginLibrary> formatLibrary_;  // destroyed after the destructor closed the effect
  AEffect* effect_ = nullptr;
  bool closed_ = false;
  Options options_;
  VstTimeInfo timeInfo_{};
  bool providesTime_ = true;
  mutable std::mutex requestsMutex_;
  std::vector<HostRequest> requests_;
};
