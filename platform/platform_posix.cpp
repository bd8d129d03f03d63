// The platform calls on POSIX systems (Linux first).
#include "platform/platform.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

// MemAvailable of /proc/meminfo in bytes, or 0 where it cannot be read.
static uint64_t memInfoAvailable() {
    FILE *meminfo = fopen("/proc/meminfo", "r");
    if (!meminfo) return 0;
    char line[256];
    unsigned long long kib = 0;
    while (fgets(line, sizeof line, meminfo)) {
        if (sscanf(line, "MemAvailable: %llu kB", &kib) == 1) break;
    }
    fclose(meminfo);
    return (uint64_t)kib * 1024;
}

uint64_t availableMemoryBytes() {
    uint64_t available = memInfoAvailable();
    if (available == 0) {
        long pages = sysconf(_SC_AVPHYS_PAGES);
        long pageSize = sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0) available = (uint64_t)pages * (uint64_t)pageSize;
        else available = UINT64_MAX;
    }
    const int limits[] = {RLIMIT_AS, RLIMIT_DATA};
    for (int resource : limits) {
        struct rlimit limit;
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
            (uint64_t)limit.rlim_cur < available)
            available = (uint64_t)limit.rlim_cur;
    }
    return available;
}

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

uint64_t monotonicMilliseconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000 + (uint64_t)now.tv_nsec / 1000000;
}
