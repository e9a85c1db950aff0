#include "crt_random.h"

namespace {

thread_local uint32_t randomState = 1;

}  // namespace

int crtRand() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}
