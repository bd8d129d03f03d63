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

#include "output/save_file.h"

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

/* Saving */

// Temporary files are this prefix and random letters, hidden in listings.
static const char TEMP_PREFIX[] = ".mz-";
static const int TEMP_RANDOM_LETTERS = 6;
static const int TEMP_TRIES = 100;
// Symbolic links followed from one name before giving up, as the system does.
static const int LINK_DEPTH_LIMIT = 40;
// The signals that end a run while a temporary file may exist.
static const int INTERRUPTS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Removes the temporary file of the save under way, then ends the process
// by the same signal (the handler is reset to the default action).
static void removeTemporaryAndEnd(int signalNumber) {
    SaveFile *file = maze.pendingSave;
    if (file && file->tempName[0]) unlinkat(file->folder, file->tempName, 0);
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
// and the record of it come into being together.
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

// Opens the folder of `path` into file->folder and puts its last part in
// file->target. Returns false when either is unusable.
static bool openTargetFolder(SaveFile *file, const char *path) {
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
    file->folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (file->folder < 0) return false;
    long nameMax = fpathconf(file->folder, _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    if (strlen(name) > (size_t)nameMax) return false;
    strcpy(file->target, name);
    return true;
}

// Creates a new temporary file beside the target with `mode` (less the
// umask) and records it for the interrupt handler. Returns its descriptor,
// or -1 when the folder takes no new file.
static int createTemporary(SaveFile *file, mode_t mode) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    uint64_t seed = (uint64_t)monotonicMilliseconds() * 2654435761u ^ (uint64_t)getpid();
    for (int attempt = 0; attempt < TEMP_TRIES; attempt++) {
        char *out = file->tempName + sizeof TEMP_PREFIX - 1;
        memcpy(file->tempName, TEMP_PREFIX, sizeof TEMP_PREFIX - 1);
        for (int i = 0; i < TEMP_RANDOM_LETTERS; i++) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            *out++ = letters[(seed >> 33) % (sizeof letters - 1)];
        }
        *out = '\0';
        holdInterrupts(true);
        int fd = openat(file->folder, file->tempName,
                        O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        if (fd >= 0) maze.pendingSave = file;
        holdInterrupts(false);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    file->tempName[0] = '\0';
    return -1;
}

// Removes the temporary file, if any, and forgets it.
static void removeTemporary(SaveFile *file) {
    if (file->tempName[0]) unlinkat(file->folder, file->tempName, 0);
    holdInterrupts(true);
    maze.pendingSave = nullptr;
    file->tempName[0] = '\0';
    holdInterrupts(false);
}

// Gives the temporary file `fd` the permissions of the file it replaces
// and, when they are not the process's own, its owner and group. Returns
// false when the owner or group cannot be kept.
static bool keepOwnerAndMode(int fd, const struct stat *old) {
    if ((old->st_uid != geteuid() || old->st_gid != getegid()) &&
        fchown(fd, old->st_uid, old->st_gid) != 0)
        return false;
    return fchmod(fd, old->st_mode & 07777) == 0;
}

// The end of a failed open: closes the folder; returns MAZE_CANNOT_CREATE.
static MazeStatus refuseTarget(SaveFile *file) {
    if (file->folder >= 0) close(file->folder);
    file->folder = -1;
    return MAZE_CANNOT_CREATE;
}

MazeStatus openTargetFile(SaveFile *file) {
    char path[TARGET_PATH_SIZE];
    if (!followLinks(file->finalName, path) || !openTargetFolder(file, path))
        return refuseTarget(file);

    struct stat old;
    bool exists = fstatat(file->folder, file->target, &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && (S_ISDIR(old.st_mode) || faccessat(file->folder, file->target, W_OK, AT_EACCESS) != 0))
        return refuseTarget(file);

    int fd = -1;
    bool replaceable = !exists || (S_ISREG(old.st_mode) && old.st_nlink == 1);
    if (replaceable) {
        // A new file gets the mode any new file gets; a replacement starts
        // private and takes the old file's permissions before any byte.
        fd = createTemporary(file, exists ? 0600 : 0666);
        if (fd >= 0 && exists && !keepOwnerAndMode(fd, &old)) {
            close(fd);
            removeTemporary(file);
            fd = -1;
        }
        if (fd < 0 && !exists) return refuseTarget(file);
    }
    if (fd < 0) {
        file->inPlace = true;
        fd = openat(file->folder, file->target, O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return refuseTarget(file);
    }
    file->stream = fdopen(fd, "wb");
    if (!file->stream) {
        close(fd);
        removeTemporary(file);
        return refuseTarget(file);
    }
    return MAZE_OK;
}

MazeStatus commitTargetFile(SaveFile *file, bool written) {
    // A FIFO or a device may not sync; that is no failure of the write.
    if (written && fsync(fileno(file->stream)) != 0 && errno != EINVAL && errno != ENOTSUP)
        written = false;
    if (fclose(file->stream) != 0) written = false;
    file->stream = nullptr;
    MazeStatus status = written ? MAZE_OK : MAZE_CANNOT_WRITE;
    if (written && !file->inPlace) {
        if (renameat(file->folder, file->tempName, file->folder, file->target) == 0) {
            file->tempName[0] = '\0';  // it is the target now
            fsync(file->folder);        // and the rename reaches the disk
        } else {
            status = MAZE_CANNOT_CREATE;
        }
    }
    removeTemporary(file);
    close(file->folder);
    file->folder = -1;
    return status;
}

void abandonTargetFile(SaveFile *file) {
    if (file->stream) fclose(file->stream);
    file->stream = nullptr;
    removeTemporary(file);
    if (file->folder >= 0) close(file->folder);
    file->folder = -1;
}
