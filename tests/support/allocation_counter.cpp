#include "allocation_counter.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstddef>

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* pointer, size_t size);
extern "C" void* __libc_memalign(size_t alignment, size_t size);

namespace realtime {

thread_local bool counting = false;
thread_local long allocations = 0;
thread_local long locks = 0;

}  // namespace realtime

using realtime::allocations;
using realtime::counting;
using realtime::locks;

// Every allocation of the process goes through these (operator new included).
extern "C" void* malloc(size_t size) {
  if (counting) allocations++;
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
  if (counting) allocations++;
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* pointer, size_t size) {
  if (counting) allocations++;
  return __libc_realloc(pointer, size);
}
extern "C" void* memalign(size_t alignment, size_t size) {
  if (counting) allocations++;
  return __libc_memalign(alignment, size);
}
extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
  static auto real = reinterpret_cast<int (*)(pthread_mutex_t*)>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
  if (counting) locks++;
  return real(mutex);
}
