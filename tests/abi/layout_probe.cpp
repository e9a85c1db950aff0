// Compiled (not run) for 32-bit x86: the interface records' static layout checks
// must hold for the Windows build as well as for the native one.
#include "host/plugin_interface.h"

int main() {
  return sizeof(AEffect) == 144 ? 0 : 1;
}
