// The memory budget on Linux: the machine's available memory
// (/proc/meminfo), the process's limits less what it holds (/proc/self/statm)
// and the memory control groups it runs in, less their working sets; and
// transparent huge pages for large arrays.
#include "platform/memory.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

// Room for a control-group folder and the name of one of its files, and
// for a line of /proc/self/cgroup; room for a line of memory.stat.
static const size_t GROUP_PATH_SIZE = PATH_MAX + 64;
static const size_t STATISTIC_LINE_SIZE = 256;

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

// Opens the file `folder`/`name` for reading; null when it cannot.
static FILE *openGroupFile(const char *folder, const char *name) {
    char path[GROUP_PATH_SIZE];
    if (snprintf(path, sizeof path, "%s/%s", folder, name) >= (int)sizeof path) return nullptr;
    return fopen(path, "r");
}

// Reads the first number of the file `folder`/`name` into `*value`; false
// when the file is missing or holds no number ("max" among them).
static bool readNumberFile(const char *folder, const char *name, uint64_t *value) {
    FILE *file = openGroupFile(folder, name);
    if (!file) return false;
    unsigned long long number = 0;
    bool read = fscanf(file, "%llu", &number) == 1;
    fclose(file);
    *value = (uint64_t)number;
    return read;
}

// Reads the value of the line `key` of the statistics file `folder`/`name`
// ("key value" lines) into `*value`; false when there is none.
static bool readStatistic(const char *folder, const char *name, const char *key, uint64_t *value) {
    FILE *file = openGroupFile(folder, name);
    if (!file) return false;
    char line[STATISTIC_LINE_SIZE];
    bool found = false;
    size_t keyLength = strlen(key);
    while (!found && fgets(line, sizeof line, file)) {
        unsigned long long number;
        found = strncmp(line, key, keyLength) == 0 && line[keyLength] == ' ' &&
                sscanf(line + keyLength, "%llu", &number) == 1;
        if (found) *value = (uint64_t)number;
    }
    fclose(file);
    return found;
}

// The files of a memory control group in one version of the control-group
// file system.
struct GroupFiles {
    const char *root;      // the hierarchy's root folder
    const char *limit;     // the limit in bytes, or "max"
    const char *usage;     // the bytes in use, page cache included
    const char *inactive;  // the line of memory.stat with the file cache the
                           // kernel takes back first, with the groups below
};
static const char GROUP_STATISTICS[] = "memory.stat";
static const GroupFiles GROUP_FILES_V1 = {"/sys/fs/cgroup/memory", "memory.limit_in_bytes",
                                          "memory.usage_in_bytes", "total_inactive_file"};
static const GroupFiles GROUP_FILES_V2 = {"/sys/fs/cgroup", "memory.max", "memory.current",
                                          "inactive_file"};
static const GroupFiles GROUP_FILES_V2_HYBRID = {"/sys/fs/cgroup/unified", "memory.max",
                                                 "memory.current", "inactive_file"};

// Lowers `*available` to what the memory control group `group` of the
// hierarchy of `files`, and every group above it up to the hierarchy's
// root, has left: its limit less its working set, the usage less the
// inactive file cache, which the kernel reclaims before it runs short.
static void limitByGroup(const GroupFiles *files, const char *group, uint64_t *available) {
    char folder[GROUP_PATH_SIZE];
    if (snprintf(folder, sizeof folder, "%s%s", files->root, group) >= (int)sizeof folder) return;
    size_t rootLength = strlen(files->root);
    for (;;) {
        uint64_t limit, usage, inactive;
        if (readNumberFile(folder, files->limit, &limit)) {
            if (!readNumberFile(folder, files->usage, &usage)) usage = 0;
            if (!readStatistic(folder, GROUP_STATISTICS, files->inactive, &inactive)) inactive = 0;
            uint64_t used = usage - (inactive < usage ? inactive : usage);
            uint64_t left = used < limit ? limit - used : 0;
            if (left < *available) *available = left;
        }
        // On to the group above, up to the root of the hierarchy.
        char *slash = strrchr(folder, '/');
        if (!slash || (size_t)(slash - folder) < rootLength) break;
        *slash = '\0';
    }
}

// Lowers `*available` to what the process's memory control groups have
// left, in either version of the control-group file system.
static void limitByControlGroups(uint64_t *available) {
    FILE *groups = fopen("/proc/self/cgroup", "r");
    if (!groups) return;
    char line[GROUP_PATH_SIZE];
    while (fgets(line, sizeof line, groups)) {
        line[strcspn(line, "\n")] = '\0';
        // "hierarchy:controllers:path"; version 2 has hierarchy 0 and no controllers.
        char *controllers = strchr(line, ':');
        char *group = controllers ? strchr(controllers + 1, ':') : nullptr;
        if (!group) continue;
        *controllers++ = '\0';
        *group++ = '\0';
        if (strcmp(line, "0") == 0 && controllers[0] == '\0') {
            limitByGroup(&GROUP_FILES_V2, group, available);
            limitByGroup(&GROUP_FILES_V2_HYBRID, group, available);
        } else if (strstr(controllers, "memory")) {
            limitByGroup(&GROUP_FILES_V1, group, available);
        }
    }
    fclose(groups);
}

// What the process already holds, in bytes, from /proc/self/statm: its
// whole address space and its data (with the stack), as the address-space
// and data limits count them; 0 where it cannot be read.
static void processSize(uint64_t *addressSpace, uint64_t *data) {
    *addressSpace = *data = 0;
    FILE *statm = fopen("/proc/self/statm", "r");
    if (!statm) return;
    unsigned long long size, resident, shared, text, library, dataPages;
    if (fscanf(statm, "%llu %llu %llu %llu %llu %llu", &size, &resident, &shared, &text, &library,
               &dataPages) == 6) {
        uint64_t page = (uint64_t)sysconf(_SC_PAGESIZE);
        *addressSpace = (uint64_t)size * page;
        *data = (uint64_t)dataPages * page;
    }
    fclose(statm);
}

uint64_t availableMemoryBytes() {
    uint64_t available = memInfoAvailable();
    if (available == 0) {
        long pages = sysconf(_SC_AVPHYS_PAGES);
        long pageSize = sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0) available = (uint64_t)pages * (uint64_t)pageSize;
        else available = UINT64_MAX;
    }
    // A limit of the process is shared with what it holds already.
    uint64_t held[2];
    processSize(&held[0], &held[1]);
    const int limits[] = {RLIMIT_AS, RLIMIT_DATA};
    for (int i = 0; i < 2; i++) {
        struct rlimit limit;
        if (getrlimit(limits[i], &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) continue;
        uint64_t left = (uint64_t)limit.rlim_cur > held[i] ? (uint64_t)limit.rlim_cur - held[i] : 0;
        if (left < available) available = left;
    }
    limitByControlGroups(&available);
    return available;
}

// Bytes of a transparent huge page on the machines the program runs on.
static const uint64_t HUGE_PAGE_BYTES = UINT64_C(2) << 20;

void adviseLargePages(void *start, uint64_t bytes) {
    uintptr_t first = ((uintptr_t)start + HUGE_PAGE_BYTES - 1) & ~(uintptr_t)(HUGE_PAGE_BYTES - 1);
    uintptr_t end = ((uintptr_t)start + bytes) & ~(uintptr_t)(HUGE_PAGE_BYTES - 1);
    // A kernel without transparent huge pages refuses the advice: the pages
    // stay small, which is all the advice could change.
    if (end > first) (void)madvise((void *)first, end - first, MADV_HUGEPAGE);
}
