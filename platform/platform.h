// The calls that differ between operating systems, behind one interface:
// the rest of the program has one code path. Each system has its own
// source file (platform_posix.cpp, platform_windows.cpp), chosen by the
// build.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#include <cstdint>

// Bytes of memory this process may still take: the smallest of what the
// machine has available and the limits the process runs under.
uint64_t availableMemoryBytes();

// True when standard error is a terminal that a progress line can be
// drawn on and cleared from.
bool standardErrorIsTerminal();

// Milliseconds from a fixed moment, never going back.
uint64_t monotonicMilliseconds();

#endif
