// Finding the file a save goes to: the kernel's own walk of the links for
// a file that exists, and a walk of links from one open folder to the next
// with the kernel's rules, which finds the folder that holds the file (or
// will hold it) without /proc and without opening any folder by its full
// path.
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
// told otherwise, and as it is taken to when /proc cannot tell.
static bool symlinksProtected() {
    FILE *setting = fopen("/proc/sys/fs/protected_symlinks", "r");
    if (!setting) return true;
    int value = 1;
    if (fscanf(setting, "%d", &value) != 1) value = 1;
    fclose(setting);
    return value != 0;
}

// True when the system would follow the symbolic link described by
// `status` that lies in the open folder `holder`: in a sticky
// world-writable folder, a protected system follows only links of the
// process's own user or of the folder's owner.
static bool mayFollow(int holder, const struct stat *status) {
    if (status->st_uid == geteuid()) return true;
    struct stat folder;
    if (fstat(holder, &folder) != 0) return false;
    bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || status->st_uid == folder.st_uid || !symlinksProtected();
}

// The longest name the open folder `folder` takes.
static size_t folderNameMax(int folder) {
    long nameMax = fpathconf(folder, _PC_NAME_MAX);
    return nameMax > 0 ? (size_t)nameMax : (size_t)NAME_MAX;
}

// Opens, relative to the open folder `from` (or the current folder, or the
// root when `path` is absolute), the folder part of `path` into `*folder`
// as a path, which needs no permission to read it, and puts its last part
// in `name` (SAVE_PATH_SIZE bytes). SYS_UNREACHABLE when the last part is
// empty or longer than the folder takes; the open's result when it fails.
static SysResult openFolderOf(int from, const char *path, int *folder, char *name) {
    char part[SAVE_PATH_SIZE];
    const char *last = splitPath(path, part);
    if (last[0] == '\0') return SYS_UNREACHABLE;
    int opened = openat(from, part, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (opened < 0) return systemResult((unsigned long)errno);
    if (strlen(last) > folderNameMax(opened)) {
        close(opened);
        return SYS_UNREACHABLE;
    }
    *folder = opened;
    strcpy(name, last);
    return SYS_DONE;
}

// Follows the symbolic links from `path` (relative to the current folder)
// as the system would, with its limit and its protection of shared
// folders: each link's text is taken from the folder that holds it, a
// relative one continues from that folder's descriptor. Leaves the folder
// of the file they end at (which need not exist) in target->folder and its
// name there in target->name. SYS_UNREACHABLE on a loop, a missing folder
// or a name too long, SYS_DENIED for a link the system would refuse to
// follow; nothing stays open then.
static SysResult walkLinks(const char *path, FoundTarget *target) {
    int folder = -1;
    SysResult opened = openFolderOf(AT_FDCWD, path, &folder, target->name);
    for (int followed = 0; opened == SYS_DONE; followed++) {
        struct stat status;
        bool isLink = fstatat(folder, target->name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISLNK(status.st_mode);
        if (!isLink) {
            target->folder = folder;
            return SYS_DONE;
        }
        char link[SAVE_PATH_SIZE];
        ssize_t length = -1;
        if (followed == LINK_DEPTH_LIMIT) opened = SYS_UNREACHABLE;
        else if (!mayFollow(folder, &status)) opened = SYS_DENIED;
        else length = readlinkat(folder, target->name, link, sizeof link - 1);
        int next = -1;
        if (length >= 0) {
            link[length] = '\0';
            opened = openFolderOf(folder, link, &next, target->name);
        } else if (opened == SYS_DONE) {
            opened = systemResult((unsigned long)errno);
        }
        close(folder);
        folder = next;
    }
    return opened == SYS_DENIED ? SYS_DENIED : SYS_UNREACHABLE;
}

// True when the existing target is the root of a mount of its own (a file
// bound over another), which no rename can replace: the system says so, or
// where it cannot, the target lies on another mount than its folder.
static bool existingIsMountPoint(const FoundTarget *target) {
    struct statx file, folder;
    unsigned mask = STATX_BASIC_STATS | STATX_MNT_ID;
    if (statx(target->existing, "", AT_EMPTY_PATH, mask, &file) != 0) return false;
    if (file.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return (file.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    if (target->folder < 0 || statx(target->folder, "", AT_EMPTY_PATH, mask, &folder) != 0)
        return false;
    if ((file.stx_mask & folder.stx_mask & STATX_MNT_ID) && file.stx_mnt_id != folder.stx_mnt_id)
        return true;
    return file.stx_dev_major != folder.stx_dev_major || file.stx_dev_minor != folder.stx_dev_minor;
}

// True when the walk of `name`'s links ends at the existing target itself,
// whose folder and name there it then leaves in `target`.
static bool nameExistingTarget(const char *name, FoundTarget *target) {
    struct stat named;
    if (walkLinks(name, target) != SYS_DONE) return false;
    if (fstatat(target->folder, target->name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_dev == target->old.st_dev && named.st_ino == target->old.st_ino)
        return true;
    // A magic link (a pipe, a deleted file) has no name that a walk reaches.
    close(target->folder);
    target->folder = -1;
    return false;
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

bool nameFitsFolder(const char *name) {
    if (strlen(name) >= SAVE_PATH_SIZE) return false;
    char part[SAVE_PATH_SIZE];
    const char *last = splitPath(name, part);
    int folder = open(part, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return true;  // the save itself tells what is wrong
    bool fits = strlen(last) <= folderNameMax(folder);
    close(folder);
    return fits;
}

SysResult findSaveTarget(const char *name, FoundTarget *target) {
    // Nothing of the target a previous save found is kept: a new file has
    // no existing path or status that a later step could write through.
    closeFoundTarget(target);
    target->kind = TARGET_NEW;
    target->name[0] = '\0';
    target->existingPath[0] = '\0';
    memset(&target->old, 0, sizeof target->old);
    if (strlen(name) >= SAVE_PATH_SIZE) return SYS_UNREACHABLE;
    // The system follows the links, with its own checks and limits.
    target->existing = open(name, O_PATH | O_CLOEXEC);
    if (target->existing < 0) {
        SysResult found = systemResult((unsigned long)errno);
        return found == SYS_MISSING ? walkLinks(name, target) : found;
    }
    if (fstat(target->existing, &target->old) != 0) {
        SysResult failed = systemResult((unsigned long)errno);
        closeFoundTarget(target);
        return failed;
    }
    if (!pathOfDescriptor(target->existing, target->existingPath))
        strcpy(target->existingPath, name);  // no /proc: the system follows the name again
    bool named = nameExistingTarget(name, target);
    bool plain = S_ISREG(target->old.st_mode) && target->old.st_nlink == 1 &&
                 !existingIsMountPoint(target);
    target->kind = named && plain ? TARGET_REPLACEABLE : TARGET_IN_PLACE;
    // A folder, a file this process may not write, and a plain file that
    // no walk of its name reaches (a magic link to it) are refused.
    SysResult found = SYS_DONE;
    if (S_ISDIR(target->old.st_mode) ||
        faccessat(AT_FDCWD, target->existingPath, W_OK, AT_EACCESS) != 0)
        found = SYS_DENIED;
    else if (!named && plain)
        found = SYS_UNREACHABLE;
    if (found != SYS_DONE) closeFoundTarget(target);
    return found;
}
