// Counts what a plug-in must never do in its processing call: allocate or free memory, take a
// lock, sleep. The validator's executable puts its own allocator and lock entries in front of the
// C library's (they forward to it); they count only on a thread that is watching, so the host's
// other threads and everything outside the watched call cost nothing and count nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace validate {

struct RealtimeCounts {
  uint64_t allocations = 0;  // malloc, calloc, realloc, aligned forms, operator new
  uint64_t frees = 0;
  uint64_t locks = 0;   // mutex, read-write lock, spin lock, semaphore and condition waits
  uint64_t sleeps = 0;  // nanosleep, clock_nanosleep, usleep, sleep
  bool any() const { return allocations || frees || locks || sleeps; }
};

// False in sanitizer builds, whose own allocator cannot be stood in front of.
bool realtimeProbeAvailable();
// Watching starts and stops on the calling thread only.
void beginRealtimeWatch();
RealtimeCounts endRealtimeWatch();

// The bytes allocated and not yet freed in the whole process, as the same entries count
// them (exact: memory the C library keeps cached for reuse is not in it). False where the
// entries are not ours (sanitizer builds).
bool liveBytesCounted();
size_t countedLiveBytes();

}  // namespace validate
