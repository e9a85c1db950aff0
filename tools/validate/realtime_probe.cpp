#include "realtime_probe.h"

#include <dlfcn.h>
#include <malloc.h>
#include <pthread.h>
#include <semaphore.h>
#include <time.h>

#include <atomic>
#include <cstddef>

namespace validate {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)

bool realtimeProbeAvailable() {
  return false;
}
bool liveBytesCounted() {
  return false;
}
size_t countedLiveBytes() {
  return 0;
}
void beginRealtimeWatch() {}
RealtimeCounts endRealtimeWatch() {
  return RealtimeCounts();
}

}  // namespace validate

#else

namespace {

thread_local bool watching = false;
thread_local RealtimeCounts counts;
// Bytes handed out and not yet freed, counted by the entries below on every thread.
std::atomic<long long> liveBytes{0};

}  // namespace

bool realtimeProbeAvailable() {
  return true;
}
bool liveBytesCounted() {
  return true;
}
size_t countedLiveBytes() {
  const long long bytes = liveBytes.load(std::memory_order_relaxed);
  return bytes > 0 ? static_cast<size_t>(bytes) : 0;
}

void beginRealtimeWatch() {
  counts = RealtimeCounts();
  watching = true;
}

RealtimeCounts endRealtimeWatch() {
  watching = false;
  return counts;
}

}  // namespace validate

using validate::counts;
using validate::liveBytes;
using validate::watching;

// The C library's own allocator entries, which stay reachable under these names.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

typedef int (*MutexFunction)(pthread_mutex_t*);
typedef int (*RwlockFunction)(pthread_rwlock_t*);
typedef int (*SpinFunction)(pthread_spinlock_t*);
typedef int (*SemFunction)(sem_t*);
typedef int (*CondWaitFunction)(pthread_cond_t*, pthread_mutex_t*);
typedef int (*CondTimedFunction)(pthread_cond_t*, pthread_mutex_t*, const timespec*);
typedef int (*NanosleepFunction)(const timespec*, timespec*);
typedef int (*ClockNanosleepFunction)(clockid_t, int, const timespec*, timespec*);
typedef int (*UsleepFunction)(useconds_t);
typedef unsigned (*SleepFunction)(unsigned);

struct NextEntries {
  MutexFunction mutexLock = next<MutexFunction>("pthread_mutex_lock");
  RwlockFunction rdlock = next<RwlockFunction>("pthread_rwlock_rdlock");
  RwlockFunction wrlock = next<RwlockFunction>("pthread_rwlock_wrlock");
  SpinFunction spinLock = next<SpinFunction>("pthread_spin_lock");
  SemFunction semWait = next<SemFunction>("sem_wait");
  CondWaitFunction condWait =
      reinterpret_cast<CondWaitFunction>(dlvsym(RTLD_NEXT, "pthread_cond_wait", "GLIBC_2.3.2"));
  CondTimedFunction condTimedWait =
      reinterpret_cast<CondTimedFunction>(dlvsym(RTLD_NEXT, "pthread_cond_timedwait", "GLIBC_2.3.2"));
  NanosleepFunction nanosleep = next<NanosleepFunction>("nanosleep");
  ClockNanosleepFunction clockNanosleep = next<ClockNanosleepFunction>("clock_nanosleep");
  UsleepFunction usleep = next<UsleepFunction>("usleep");
  SleepFunction sleep = next<SleepFunction>("sleep");
};

// Looked up before main, never inside a watched call (the look-up itself may allocate).
const NextEntries& entries() {
  static const NextEntries table;
  return table;
}
__attribute__((constructor)) void lookUpEntries() {
  entries();
}

inline void countAllocation() {
  if (watching) ++counts.allocations;
}

inline void* counted(void* pointer) {
  if (pointer)
    liveBytes.fetch_add(static_cast<long long>(malloc_usable_size(pointer)), std::memory_order_relaxed);
  return pointer;
}
inline void uncount(void* pointer) {
  if (pointer)
    liveBytes.fetch_sub(static_cast<long long>(malloc_usable_size(pointer)), std::memory_order_relaxed);
}

}  // namespace

// Exported, so that they stand in front of the C library's for the plug-in too.
#pragma GCC visibility push(default)
extern "C" {

void* malloc(size_t size) {
  countAllocation();
  return counted(__libc_malloc(size));
}
void* calloc(size_t count, size_t size) {
  countAllocation();
  return counted(__libc_calloc(count, size));
}
void* realloc(void* pointer, size_t size) {
  countAllocation();
  const size_t before = pointer ? malloc_usable_size(pointer) : 0;
  void* moved = __libc_realloc(pointer, size);
  // A failed resize keeps the old block; a resize to 0 frees it and answers null.
  if (moved || size == 0) {
    liveBytes.fetch_sub(static_cast<long long>(before), std::memory_order_relaxed);
    counted(moved);
  }
  return moved;
}
void free(void* pointer) {
  if (watching && pointer) ++counts.frees;
  uncount(pointer);
  __libc_free(pointer);
}
void* memalign(size_t alignment, size_t size) {
  countAllocation();
  return counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(size_t alignment, size_t size) {
  countAllocation();
  return counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** result, size_t alignment, size_t size) {
  countAllocation();
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
  void* pointer = counted(__libc_memalign(alignment, size));
  if (!pointer) return 12;  // ENOMEM
  *result = pointer;
  return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
  if (watching) ++counts.locks;
  return entries().mutexLock(mutex);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* lock) {
  if (watching) ++counts.locks;
  return entries().rdlock(lock);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* lock) {
  if (watching) ++counts.locks;
  return entries().wrlock(lock);
}
int pthread_spin_lock(pthread_spinlock_t* lock) {
  if (watching) ++counts.locks;
  return entries().spinLock(lock);
}
int sem_wait(sem_t* semaphore) {
  if (watching) ++counts.locks;
  return entries().semWait(semaphore);
}
int pthread_cond_wait(pthread_cond_t* condition, pthread_mutex_t* mutex) {
  if (watching) ++counts.locks;
  return entries().condWait(condition, mutex);
}
int pthread_cond_timedwait(pthread_cond_t* condition, pthread_mutex_t* mutex, const timespec* until) {
  if (watching) ++counts.locks;
  return entries().condTimedWait(condition, mutex, until);
}
int nanosleep(const timespec* duration, timespec* left) {
  if (watching) ++counts.sleeps;
  return entries().nanosleep(duration, left);
}
int clock_nanosleep(clockid_t clock, int flags, const timespec* until, timespec* left) {
  if (watching) ++counts.sleeps;
  return entries().clockNanosleep(clock, flags, until, left);
}
int usleep(useconds_t microseconds) {
  if (watching) ++counts.sleeps;
  return entries().usleep(microseconds);
}
unsigned sleep(unsigned seconds) {
  if (watching) ++counts.sleeps;
  return entries().sleep(seconds);
}

}  // extern "C"
#pragma GCC visibility pop

#endif
