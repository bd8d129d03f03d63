// The platform calls on POSIX systems (Linux first).
#include "platform/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

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

// Reads the first number of the file `folder`/`name` into `*value`; false
// when the file is missing or holds no number ("max" among them).
static bool readNumberFile(const char *folder, const char *name, uint64_t *value) {
    char path[PATH_MAX + 64];
    if (snprintf(path, sizeof path, "%s/%s", folder, name) >= (int)sizeof path) return false;
    FILE *file = fopen(path, "r");
    if (!file) return false;
    unsigned long long number = 0;
    bool read = fscanf(file, "%llu", &number) == 1;
    fclose(file);
    *value = (uint64_t)number;
    return read;
}

// Lowers `*available` to what the memory control group at `root` + `group`,
// or a group above it, has left: its limit file `limitName` less its usage
// file `usageName`.
static void limitByGroup(const char *root, const char *group, const char *limitName,
                         const char *usageName, uint64_t *available) {
    char folder[PATH_MAX];
    if (snprintf(folder, sizeof folder, "%s%s", root, group) >= (int)sizeof folder) return;
    for (;;) {
        uint64_t limit, usage;
        if (readNumberFile(folder, limitName, &limit)) {
            if (!readNumberFile(folder, usageName, &usage)) usage = 0;
            uint64_t left = usage < limit ? limit - usage : 0;
            if (left < *available) *available = left;
        }
        // On to the group above, up to the root of the hierarchy.
        char *slash = strrchr(folder, '/');
        if (!slash || (size_t)(slash - folder) < strlen(root)) break;
        *slash = '\0';
    }
}

// Lowers `*available` to what the process's memory control groups have
// left, in either version of the control-group file system.
static void limitByControlGroups(uint64_t *available) {
    FILE *groups = fopen("/proc/self/cgroup", "r");
    if (!groups) return;
    char line[PATH_MAX + 64];
    while (fgets(line, sizeof line, groups)) {
        line[strcspn(line, "\n")] = '\0';
        // "hierarchy:controllers:path"; version 2 has hierarchy 0 and no controllers.
        char *controllers = strchr(line, ':');
        char *group = controllers ? strchr(controllers + 1, ':') : nullptr;
        if (!group) continue;
        *controllers++ = '\0';
        *group++ = '\0';
        if (strcmp(line, "0") == 0 && controllers[0] == '\0') {
            limitByGroup("/sys/fs/cgroup", group, "memory.max", "memory.current", available);
            limitByGroup("/sys/fs/cgroup/unified", group, "memory.max", "memory.current",
                         available);
        } else if (strstr(controllers, "memory")) {
            limitByGroup("/sys/fs/cgroup/memory", group, "memory.limit_in_bytes",
                         "memory.usage_in_bytes", available);
        }
    }
    fclose(groups);
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
    limitByControlGroups(&available);
    return available;
}

void showText(const char *text) {
    fputs(text, stdout);
    fflush(stdout);
}

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

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

/* Saving */

// Symbolic links followed from one name before giving up, as the system does.
static const int LINK_DEPTH_LIMIT = 40;
// Room for a path the name leads to after following links.
static const size_t TARGET_PATH_SIZE = 4096;
// The signals that end a run while a temporary file may exist.
static const int INTERRUPTS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The save under way: one at a time.
static struct {
    int folder = -1;                    // the target's folder, open; -1 when none
    int descriptor = -1;                // the file being written; -1 when none
    char target[TARGET_PATH_SIZE];      // the target's name within `folder`
    char temporary[TARGET_PATH_SIZE];   // the temporary file's name within
                                        // `folder`; "" when there is none
    bool exists;                        // the target existed when opened
    struct stat old;                    // the existing target, when it exists
} saving;

// Removes the temporary file of the save under way, then ends the process
// by the same signal (the handler is reset to the default action).
static void removeTemporaryAndEnd(int signalNumber) {
    if (saving.temporary[0]) unlinkat(saving.folder, saving.temporary, 0);
    raise(signalNumber);
}

void prepareInterrupts() {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int interrupt : INTERRUPTS) {
        struct sigaction old;
        // A signal ignored by whoever started the program stays ignored.
        if (sigaction(interrupt, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(interrupt, &action, nullptr);
    }
    signal(SIGXFSZ, SIG_IGN);
}

// Blocks (`block` true) or unblocks the interrupts, so that a temporary file
// and the record of it come into being and go together.
static void holdInterrupts(bool block) {
    sigset_t set;
    sigemptyset(&set);
    for (int interrupt : INTERRUPTS) sigaddset(&set, interrupt);
    sigprocmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

// Follows symbolic links from `path` the way opening it would, leaving in
// `resolved` (TARGET_PATH_SIZE bytes) the name of the file itself, which
// need not exist. Returns false on a loop or a path too long.
static bool followLinks(const char *path, char *resolved) {
    if (strlen(path) >= TARGET_PATH_SIZE) return false;
    strcpy(resolved, path);
    for (int depth = 0; depth < LINK_DEPTH_LIMIT; depth++) {
        struct stat status;
        if (lstat(resolved, &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        char link[TARGET_PATH_SIZE];
        ssize_t length = readlink(resolved, link, sizeof link - 1);
        if (length < 0) return false;
        link[length] = '\0';
        // A relative link starts from the folder holding it.
        char *slash = strrchr(resolved, '/');
        size_t keep = link[0] == '/' || !slash ? 0 : (size_t)(slash - resolved) + 1;
        if (keep + (size_t)length >= TARGET_PATH_SIZE) return false;
        memcpy(resolved + keep, link, (size_t)length + 1);
    }
    return false;
}

// Opens the folder of `path` into saving.folder and puts its last part in
// saving.target. Returns false when either is unusable.
static bool openTargetFolder(const char *path) {
    const char *slash = strrchr(path, '/');
    const char *name = slash ? slash + 1 : path;
    char folder[TARGET_PATH_SIZE];
    if (!slash) strcpy(folder, ".");
    else if (slash == path) strcpy(folder, "/");
    else {
        memcpy(folder, path, (size_t)(slash - path));
        folder[slash - path] = '\0';
    }
    if (name[0] == '\0') return false;
    saving.folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (saving.folder < 0) return false;
    long nameMax = fpathconf(saving.folder, _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    if (strlen(name) > (size_t)nameMax) return false;
    strcpy(saving.target, name);
    return true;
}

// The result of a failed call, by its errno.
static SysResult failureOf(int error) {
    switch (error) {
    case EEXIST: return SYS_EXISTS;
    case EACCES: case EPERM: case EROFS: case ENAMETOOLONG: case ENOENT: case ENOTDIR:
    case EISDIR: case ELOOP: case ETXTBSY: case EBUSY: case EXDEV:
        return SYS_DENIED;
    default: return SYS_FAILED;
    }
}

SysResult openSaveTarget(const char *name, SaveTargetFacts *facts) {
    memset(facts, 0, sizeof *facts);
    saving.temporary[0] = '\0';
    char path[TARGET_PATH_SIZE];
    if (!followLinks(name, path) || !openTargetFolder(path)) {
        closeSaveTarget();
        return SYS_DENIED;
    }
    saving.exists = fstatat(saving.folder, saving.target, &saving.old, AT_SYMLINK_NOFOLLOW) == 0;
    facts->exists = saving.exists;
    if (saving.exists) {
        facts->isFolder = S_ISDIR(saving.old.st_mode);
        facts->writable = faccessat(saving.folder, saving.target, W_OK, AT_EACCESS) == 0;
        facts->replaceable = S_ISREG(saving.old.st_mode) && saving.old.st_nlink == 1;
    }
    return SYS_DONE;
}

SysResult createSaveTemporary(const char *leafName) {
    if (strlen(leafName) >= sizeof saving.temporary) return SYS_DENIED;
    // A new file gets the mode any new file gets; a replacement starts
    // private and takes the old file's permissions before any byte.
    mode_t mode = saving.exists ? 0600 : 0666;
    holdInterrupts(true);
    int fd = openat(saving.folder, leafName, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                    mode);
    int error = errno;
    if (fd >= 0) {
        strcpy(saving.temporary, leafName);
        saving.descriptor = fd;
    }
    holdInterrupts(false);
    return fd >= 0 ? SYS_DONE : failureOf(error);
}

SysResult keepTargetAttributes() {
    // The owner and group when they are not the process's own, then the
    // permission bits (a change of owner clears set-user-ID bits).
    const struct stat *old = &saving.old;
    if ((old->st_uid != geteuid() || old->st_gid != getegid()) &&
        fchown(saving.descriptor, old->st_uid, old->st_gid) != 0)
        return SYS_DENIED;
    return fchmod(saving.descriptor, old->st_mode & 07777) == 0 ? SYS_DONE : SYS_DENIED;
}

SysResult openTargetInPlace() {
    saving.descriptor =
        openat(saving.folder, saving.target, O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    return saving.descriptor >= 0 ? SYS_DONE : failureOf(errno);
}

SysResult writeSaveData(const void *data, size_t size) {
    const char *bytes = (const char *)data;
    while (size > 0) {
        ssize_t written = write(saving.descriptor, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return SYS_FAILED;
        bytes += written;
        size -= (size_t)written;
    }
    return SYS_DONE;
}

SysResult finishSaveData() {
    // A FIFO or a device may not sync; that is no failure of the write.
    bool synced = fsync(saving.descriptor) == 0 || errno == EINVAL || errno == ENOTSUP;
    bool closed = close(saving.descriptor) == 0;
    saving.descriptor = -1;
    return synced && closed ? SYS_DONE : SYS_FAILED;
}

SysResult replaceSaveTarget() {
    if (renameat(saving.folder, saving.temporary, saving.folder, saving.target) != 0)
        return SYS_DENIED;
    holdInterrupts(true);
    saving.temporary[0] = '\0';  // it is the target now
    holdInterrupts(false);
    fsync(saving.folder);  // and the rename reaches the disk
    return SYS_DONE;
}

void removeSaveTemporary() {
    if (saving.temporary[0] && saving.descriptor >= 0) {
        close(saving.descriptor);
        saving.descriptor = -1;
    }
    holdInterrupts(true);
    if (saving.temporary[0]) unlinkat(saving.folder, saving.temporary, 0);
    saving.temporary[0] = '\0';
    holdInterrupts(false);
}

void closeSaveTarget() {
    if (saving.descriptor >= 0) close(saving.descriptor);
    if (saving.folder >= 0) close(saving.folder);
    saving.descriptor = -1;
    saving.folder = -1;
}

bool saveTemporaryPending() {
    return saving.temporary[0] != '\0';
}
