// processReplacing allocates nothing: every allocation entry point of this
// test program is counted while the audio call runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "chain_fixture.h"

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* pointer, size_t size);
extern "C" void* __libc_memalign(size_t alignment, size_t size);
extern "C" void __libc_free(void* pointer);

namespace {

thread_local bool counting = false;
thread_local long allocations = 0;

void note() {
  if (counting) allocations++;
}

}  // namespace

extern "C" void* malloc(size_t size) {
  note();
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
  note();
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* pointer, size_t size) {
  note();
  return __libc_realloc(pointer, size);
}
extern "C" void free(void* pointer) {
  __libc_free(pointer);
}

void* operator new(size_t size) {
  note();
  void* p = __libc_malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size) {
  return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  note();
  return __libc_malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void* operator new(size_t size, std::align_val_t alignment) {
  note();
  void* p = __libc_memalign(static_cast<size_t>(alignment), size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size, std::align_val_t alignment) {
  return operator new(size, alignment);
}
void operator delete(void* p) noexcept {
  __libc_free(p);
}
void operator delete[](void* p) noexcept {
  __libc_free(p);
}
void operator delete(void* p, size_t) noexcept {
  __libc_free(p);
}
void operator delete[](void* p, size_t) noexcept {
  __libc_free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  __libc_free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  __libc_free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
  __libc_free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
  __libc_free(p);
}

TEST(RealTime, TheCountingHookSeesAllocations) {
  counting = true;
  std::vector<int>* probe = new std::vector<int>(100);
  void* raw = std::malloc(10);
  counting = false;
  EXPECT_EQ(allocations, 3);  // the vector, its elements, the block
  std::free(raw);
  delete probe;
  allocations = 0;
}

TEST(RealTime, ProcessingAllocatesNothing) {
  // Every factory program, with the LFO (all shapes, both time bases), the
  // envelope, random filter types lighting the indicators, reversed slices,
  // odd block sizes and the bypass.
  TestHost host;
  std::vector<float> left, right;
  makeTestSignal(left, right, 44100, 22050);
  long total = 0;
  for (int program = 0; program < 32; program++) {
    host.effect->setProgram(program);
    host.effect->setParameter(zarnith::kParamRandBeatFType, (program % 4) / 3.0f);
    host.effect->setParameter(zarnith::kParamLfoType, (program % 3) / 2.0f);
    host.effect->setParameter(zarnith::kParamBypass, program == 7 ? 1.0f : 0.0f);
    int done = 0;
    for (int block : {512, 1, 0, 333, 4096, 17, 2048}) {
      std::vector<float> l(left.begin() + done, left.begin() + done + block);
      std::vector<float> r(right.begin() + done, right.begin() + done + block);
      float* channels[2] = {l.data(), r.data()};
      counting = true;
      host.effect->processReplacing(channels, channels, block);
      counting = false;
      total += allocations;
      allocations = 0;
      host.advance(block);
      done += block;
    }
  }
  EXPECT_EQ(total, 0);
}
