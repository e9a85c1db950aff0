// The backend used when no window system is compiled in: frames never get a window.
#include "toolkit/platform/platform_frame.h"

IPlatformFrame* createPlatformFrame(CFrame* /*frame*/, void* /*parentWindow*/, const CRect& /*size*/) {
  return nullptr;
}

void* platformDragDropStartup() {
  return nullptr;
}

void platformDragDropShutdown(void* /*token*/) {}
