// Clocks for the progress line and for seeding names.
#ifndef PLATFORM_CLOCK_H
#define PLATFORM_CLOCK_H

#include <cstdint>

// Milliseconds from a fixed moment, never going back.
uint64_t monotonicMilliseconds();

// A number that differs between two runs started in the same millisecond
// (the process's identity and the clock), to seed names with.
uint64_t uniqueSeed();

#endif
