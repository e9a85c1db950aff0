#include "crt_random.h"

namespace {

// In the static TLS block: in a library loaded at run time, the first use of a
// dynamically placed thread-local allocates it, and that first use is a random
// draw on the host's audio thread.
#if defined(__GNUC__) && !defined(_WIN32)
thread_local uint32_t randomState __attribute__((tls_model("initial-exec"))) = 1;
#else
thread_local uint32_t randomState = 1;
#endif

}  // namespace

int crtRand() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}
