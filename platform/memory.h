// The memory budget of the process.
#ifndef PLATFORM_MEMORY_H
#define PLATFORM_MEMORY_H

#include <cstdint>

// Bytes of memory this process may still take: the smallest of what the
// machine has available and the limits the process runs under.
uint64_t availableMemoryBytes();

// Asks the system to map the `bytes` bytes at `start`, not yet touched, with
// large pages where it can, so that scattered reads over a large array need
// fewer address translations. A hint only: it never fails and changes no
// contents. Linux: transparent huge pages (madvise MADV_HUGEPAGE) over the
// whole huge pages inside the range, where the system allows them on
// request; Windows: nothing, as its large pages need a privilege that a
// user's program does not hold.
void adviseLargePages(void *start, uint64_t bytes);

#endif
