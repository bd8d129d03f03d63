// The memory budget of the process.
#ifndef PLATFORM_MEMORY_H
#define PLATFORM_MEMORY_H

#include <cstdint>

// Bytes of memory this process may still take: the smallest of what the
// machine has available and the limits the process runs under.
uint64_t availableMemoryBytes();

#endif
