// Clocks through Windows calls.
#include "platform/clock.h"

#include <windows.h>

uint64_t monotonicMilliseconds() {
    return GetTickCount64();
}

uint64_t uniqueSeed() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t ticks = (uint64_t)now.dwHighDateTime << 32 | now.dwLowDateTime;
    return ((uint64_t)GetCurrentProcessId() << 32) ^ ticks;
}
