// Clocks through POSIX calls.
#include "platform/clock.h"

#include <time.h>
#include <unistd.h>

uint64_t monotonicMilliseconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000 + (uint64_t)now.tv_nsec / 1000000;
}

uint64_t uniqueSeed() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return ((uint64_t)getpid() << 32) ^ (uint64_t)now.tv_sec * 1000000000u ^ (uint64_t)now.tv_nsec;
}
