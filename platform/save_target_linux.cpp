// Finding the file a save goes to, with the kernel's own walk of links
// wherever it can be used and a walk of its own, with the kernel's rules,
// only for a link to a file yet to be made.
#include "platform/save_target_linux.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

// Symbolic links followed from one name before giving up, as the system does.
static const int LINK_DEPTH_LIMIT = 40;

// Puts the folder part of `path` (shorter than SAVE_PATH_SIZE) in
// `folder`, "." when it has none; returns its last part.
static const char *splitPath(const char *path, char *folder) {
    const char *slash = strrchr(path, '/');
    if (!slash) strcpy(folder, ".");
    else if (slash == path) strcpy(folder, "/");
    else {
        memcpy(folder, path, (size_t)(slash - path));
        folder[slash - path] = '\0';
    }
    return slash ? slash + 1 : path;
}

// True when the system refuses to follow links that others planted in
// sticky world-writable folders (fs.protected_symlinks), as it does unless
// told otherwise.
static bool symlinksProtected() {
    FILE *setting = fopen("/proc/sys/fs/protected_symlinks", "r");
    if (!setting) return true;
    int value = 1;
    if (fscanf(setting, "%d", &value) != 1) value = 1;
    fclose(setting);
    return value != 0;
}

// True when the system would follow the symbolic link `link` (described by
// `status`): in a sticky world-writable folder, a protected system follows
// only links of the process's own user or of the folder's owner.
static bool mayFollow(const char *link, const struct stat *status) {
    if (status->st_uid == geteuid()) return true;
    char folder[SAVE_PATH_SIZE];
    splitPath(link, folder);
    struct stat holder;
    if (stat(folder, &holder) != 0) return false;
    bool shared = (holder.st_mode & S_ISVTX) && (holder.st_mode & S_IWOTH);
    return !shared || status->st_uid == holder.st_uid || !symlinksProtected();
}

// Follows the symbolic links from `path` as the system would, with its
// limit and its protection of shared folders, leaving in `resolved`
// (SAVE_PATH_SIZE bytes) the name of the file they end at, which need not
// exist. Returns false on a loop, a path too long or a link the system
// would refuse to follow.
static bool walkLinks(const char *path, char *resolved) {
    if (strlen(path) >= SAVE_PATH_SIZE) return false;
    strcpy(resolved, path);
    for (int followed = 0;; followed++) {
        struct stat status;
        if (lstat(resolved, &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        if (followed == LINK_DEPTH_LIMIT || !mayFollow(resolved, &status)) return false;
        char link[SAVE_PATH_SIZE];
        ssize_t length = readlink(resolved, link, sizeof link - 1);
        if (length < 0) return false;
        link[length] = '\0';
        // A relative link starts from the folder holding it.
        char *slash = strrchr(resolved, '/');
        size_t keep = link[0] == '/' || !slash ? 0 : (size_t)(slash - resolved) + 1;
        if (keep + (size_t)length >= SAVE_PATH_SIZE) return false;
        memcpy(resolved + keep, link, (size_t)length + 1);
    }
}

// Opens the folder of `path` into target->folder and puts its last part in
// target->name. Returns false when either is unusable. The folder is opened
// as a path, which needs no permission to read it: a folder that may be
// written but not listed (mode 0733) takes new files as well.
static bool openTargetFolder(const char *path, FoundTarget *target) {
    char folder[SAVE_PATH_SIZE];
    const char *name = splitPath(path, folder);
    if (name[0] == '\0') return false;
    target->folder = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (target->folder < 0) return false;
    long nameMax = fpathconf(target->folder, _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    if (strlen(name) > (size_t)nameMax) return false;
    strcpy(target->name, name);
    return true;
}

// Finds the folder and the name under which the existing target (opened
// as target->existing from `name`) can be replaced: the path the system
// gives its descriptor, checked to lead to the same file. Returns false
// when it has none: a pipe, a socket, a deleted file, a path out of reach.
static bool nameExistingTarget(const char *name, FoundTarget *target) {
    char path[SAVE_PATH_SIZE];
    ssize_t length = readlink(target->existingPath, path, sizeof path - 1);
    if (length >= 0) path[length] = '\0';
    // Without /proc the links are walked here: the system has checked them.
    else if (!walkLinks(name, path)) return false;
    if (path[0] != '/' && length >= 0) return false;
    struct stat named;
    if (!openTargetFolder(path, target) ||
        fstatat(target->folder, target->name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        named.st_dev != target->old.st_dev || named.st_ino != target->old.st_ino) {
        if (target->folder >= 0) close(target->folder);
        target->folder = -1;
        return false;
    }
    return true;
}

// True when the existing target is the root of a mount of its own (a file
// bound over another), which no rename can replace.
static bool existingIsMountPoint(const FoundTarget *target) {
    struct statx file, folder;
    unsigned mask = STATX_BASIC_STATS | STATX_MNT_ID;
    if (statx(target->existing, "", AT_EMPTY_PATH, mask, &file) != 0) return false;
    if (file.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return (file.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    if (statx(target->folder, "", AT_EMPTY_PATH, mask, &folder) != 0) return false;
    if ((file.stx_mask & folder.stx_mask & STATX_MNT_ID) && file.stx_mnt_id != folder.stx_mnt_id)
        return true;
    return file.stx_dev_major != folder.stx_dev_major || file.stx_dev_minor != folder.stx_dev_minor;
}

bool pathOfDescriptor(int fd, char *path) {
    snprintf(path, SAVE_PATH_SIZE, "/proc/self/fd/%d", fd);
    return access(path, F_OK) == 0;
}

void closeFoundTarget(FoundTarget *target) {
    if (target->folder >= 0) close(target->folder);
    if (target->existing >= 0) close(target->existing);
    target->folder = target->existing = -1;
}

SysResult findSaveTarget(const char *name, FoundTarget *target, SaveTargetFacts *facts) {
    closeFoundTarget(target);
    memset(facts, 0, sizeof *facts);
    if (strlen(name) >= SAVE_PATH_SIZE) return SYS_UNREACHABLE;
    // The system follows the links, with its own checks and limits.
    target->existing = open(name, O_PATH | O_CLOEXEC);
    if (target->existing < 0) {
        SysResult found = systemResult((unsigned long)errno);
        if (found != SYS_MISSING) return found;
        char path[SAVE_PATH_SIZE];
        if (!walkLinks(name, path) || !openTargetFolder(path, target)) {
            closeFoundTarget(target);
            return SYS_UNREACHABLE;
        }
        return SYS_DONE;
    }
    if (fstat(target->existing, &target->old) != 0) {
        closeFoundTarget(target);
        return SYS_FAILED;
    }
    if (!pathOfDescriptor(target->existing, target->existingPath))
        strcpy(target->existingPath, name);  // no /proc
    bool named = nameExistingTarget(name, target);
    facts->exists = true;
    facts->isFolder = S_ISDIR(target->old.st_mode);
    facts->writable = faccessat(AT_FDCWD, target->existingPath, W_OK, AT_EACCESS) == 0;
    facts->replaceable = named && S_ISREG(target->old.st_mode) && target->old.st_nlink == 1 &&
                         !existingIsMountPoint(target);
    return SYS_DONE;
}
