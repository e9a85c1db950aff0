// Counts what the calling thread allocates and locks while counting is on. The test
// program that links allocation_counter.cpp replaces every allocation entry point and
// pthread_mutex_lock of the process, and a plug-in it loads at run time resolves them
// there first, so the plug-in's own calls are counted too.
#pragma once

namespace realtime {

extern thread_local bool counting;
extern thread_local long allocations;
extern thread_local long locks;

}  // namespace realtime
