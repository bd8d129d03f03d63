// The memory budget on Windows: the machine's available memory and the
// limits of a job object the process runs in; no large pages, which would
// need the privilege to lock pages in memory.
#include "platform/memory.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <psapi.h>

// Lowers `*available` to what is left of `limit` when `inUse` is taken.
static void lowerTo(uint64_t limit, uint64_t inUse, uint64_t *available) {
    uint64_t left = inUse < limit ? limit - inUse : 0;
    if (left < *available) *available = left;
}

uint64_t availableMemoryBytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    uint64_t available = UINT64_MAX;
    if (GlobalMemoryStatusEx(&status)) {
        available = status.ullAvailPhys;
        if (status.ullAvailVirtual < available) available = status.ullAvailVirtual;
    }
    // A job object the process runs in may cap the process or the whole job.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION job;
    if (QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job,
                                  nullptr)) {
        DWORD flags = job.BasicLimitInformation.LimitFlags;
        if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) {
            PROCESS_MEMORY_COUNTERS_EX used;
            used.cb = sizeof used;
            uint64_t inUse = 0;
            if (K32GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&used,
                                        sizeof used))
                inUse = used.PrivateUsage;
            lowerTo(job.ProcessMemoryLimit, inUse, &available);
        }
        if (flags & JOB_OBJECT_LIMIT_JOB_MEMORY)
            lowerTo(job.JobMemoryLimit, job.PeakJobMemoryUsed, &available);
    }
    return available;
}

void adviseLargePages(void *, uint64_t) {}
