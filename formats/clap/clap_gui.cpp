// The editor embedded in the host's X11 window, idled by the host's timer or, where
// the host has none, by main-thread callbacks it is asked for.
#include <chrono>
#include <cstring>

#include "formats/clap/clap_plugin.h"

namespace zarnith {

namespace {

const uint32_t kIdlePeriodMs = 30;

ClapPlugin* self(const clap_plugin_t* plugin) {
  return ClapPlugin::from(plugin);
}

bool isX11(const char* api) {
  return api && std::strcmp(api, CLAP_WINDOW_API_X11) == 0;
}

bool guiApiSupported(const clap_plugin_t*, const char* api, bool floating) {
  return isX11(api) && !floating;
}
bool guiPreferredApi(const clap_plugin_t*, const char** api, bool* floating) {
  if (api) *api = CLAP_WINDOW_API_X11;
  if (floating) *floating = false;
  return true;
}
bool guiCreate(const clap_plugin_t* p, const char* api, bool floating) {
  return self(p)->guiCreate(api, floating);
}
void guiDestroy(const clap_plugin_t* p) {
  self(p)->guiDestroy();
}
// The editor's pictures are drawn for one size; it cannot scale yet.
bool guiSetScale(const clap_plugin_t*, double) {
  return false;
}
bool guiGetSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
  return self(p)->guiSize(width, height);
}
bool guiCanResize(const clap_plugin_t*) {
  return false;
}
bool guiResizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*) {
  return false;
}
bool guiAdjustSize(const clap_plugin_t*, uint32_t*, uint32_t*) {
  return false;
}
bool guiSetSize(const clap_plugin_t* p, uint32_t width, uint32_t height) {
  uint32_t w = 0, h = 0;
  return self(p)->guiSize(&w, &h) && w == width && h == height;
}
bool guiSetParent(const clap_plugin_t* p, const clap_window_t* window) {
  return self(p)->guiSetParent(window);
}
bool guiSetTransient(const clap_plugin_t*, const clap_window_t*) {
  return false;  // embedded only
}
void guiSuggestTitle(const clap_plugin_t*, const char*) {}
bool guiShow(const clap_plugin_t* p) {
  uint32_t w = 0, h = 0;
  return self(p)->guiSize(&w, &h);
}
bool guiHide(const clap_plugin_t* p) {
  uint32_t w = 0, h = 0;
  return self(p)->guiSize(&w, &h);
}

}  // namespace

extern const clap_plugin_gui_t kClapGui = {
    guiApiSupported, guiPreferredApi, guiCreate,       guiDestroy,    guiSetScale,
    guiGetSize,      guiCanResize,    guiResizeHints,  guiAdjustSize, guiSetSize,
    guiSetParent,    guiSetTransient, guiSuggestTitle, guiShow,       guiHide,
};

bool ClapPlugin::guiCreate(const char* api, bool floating) {
  if (!initialised_ || !isMainThread() || guiCreated_ || !isX11(api) || floating) return false;
  if (!(effect_->flags & effFlagsHasEditor)) return false;
  guiCreated_ = true;
  return true;
}

void ClapPlugin::guiDestroy() {
  if (!guiCreated_ || !isMainThread()) return;
  if (guiOpen_) effect_->dispatcher(effect_, effEditClose, 0, 0, nullptr, 0.0f);
  if (timer_ != CLAP_INVALID_ID && hostTimers_ && hostTimers_->unregister_timer)
    hostTimers_->unregister_timer(host_, timer_);
  timer_ = CLAP_INVALID_ID;
  guiOpen_ = false;
  guiCreated_ = false;
}

bool ClapPlugin::guiSize(uint32_t* width, uint32_t* height) {
  if (!guiCreated_ || !isMainThread() || !width || !height) return false;
  ERect* rect = nullptr;
  if (!effect_->dispatcher(effect_, effEditGetRect, 0, 0, &rect, 0.0f) || !rect) return false;
  if (rect->right <= rect->left || rect->bottom <= rect->top) return false;
  *width = static_cast<uint32_t>(rect->right - rect->left);
  *height = static_cast<uint32_t>(rect->bottom - rect->top);
  return true;
}

bool ClapPlugin::guiSetParent(const clap_window_t* window) {
  if (!guiCreated_ || guiOpen_ || !isMainThread() || !window || !isX11(window->api) || window->x11 == 0)
    return false;
  void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11));
  if (!effect_->dispatcher(effect_, effEditOpen, 0, 0, parent, 0.0f)) return false;
  guiOpen_ = true;
  if (hostTimers_ && hostTimers_->register_timer &&
      hostTimers_->register_timer(host_, kIdlePeriodMs, &timer_))
    return true;
  timer_ = CLAP_INVALID_ID;
  if (host_->request_callback) {
    idleRequested_ = true;
    host_->request_callback(host_);
  }
  return true;
}

void ClapPlugin::editorIdle() {
  if (guiOpen_) effect_->dispatcher(effect_, effEditIdle, 0, 0, nullptr, 0.0f);
}

void ClapPlugin::onTimer(clap_id timer) {
  if (!isMainThread() || timer != timer_) return;
  editorIdle();
}

void ClapPlugin::onMainThread() {
  if (!isMainThread() || !idleRequested_) return;
  idleRequested_ = false;
  if (!guiOpen_ || timer_ != CLAP_INVALID_ID) return;
  // Such a host calls back as soon as it can: the editor is idled at the timer's pace.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastIdle_ >= std::chrono::milliseconds(kIdlePeriodMs)) {
    lastIdle_ = now;
    editorIdle();
  }
  // Ask again for the next idle.
  idleRequested_ = true;
  host_->request_callback(host_);
}

}  // namespace zarnith
