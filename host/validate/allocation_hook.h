// Counts the allocations of the host process's global operator new made on the calling thread
// while it is counting: a module that allocates with the C++ runtime while sampling is seen
// even though it bypasses the host's allocator.
#ifndef OMBREL_HOST_VALIDATE_ALLOCATION_HOOK_H
#define OMBREL_HOST_VALIDATE_ALLOCATION_HOOK_H

#include <cstdint>

namespace ombrel::validate {

// Starts counting on this thread; answers the process-wide count so far.
void StartCountingNew();
// Stops counting on this thread.
void StopCountingNew();
// Calls of operator new counted so far, on every thread that counted.
int64_t CountedNew();

}  // namespace ombrel::validate

#endif
