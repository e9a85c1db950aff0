// The Windows build of the loader has no LV2 host library: a bundle is refused with a reason.
#include "lv2_loader.h"

AEffect* openLv2Plugin(const std::string& path, audioMasterCallback /*host*/, std::string* error) {
  if (error) *error = path + ": LV2 bundles are not loaded on Windows";
  return nullptr;
}
