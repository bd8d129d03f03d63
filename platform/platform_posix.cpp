// The platform calls on Linux (POSIX calls, with the Linux ones that let a
// save follow links as the kernel does and keep extended attributes).
#include "platform/platform.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <signal.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
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

/* Console */

// Code page of the program's texts; a terminal whose codeset is one of
// these takes the bytes as they are (the texts are ASCII and JIS X 0208,
// the same in each).
static const char TEXT_CODESET[] = "CP932";
static const char *const SHIFT_JIS_CODESETS[] = {"CP932", "SHIFT_JIS", "SHIFT-JIS", "SJIS",
                                                 "WINDOWS-31J", "MS932", "MS_KANJI"};
// The codeset taken for a terminal in the C or POSIX locale.
static const char DEFAULT_TERMINAL_CODESET[] = "UTF-8";

// How texts reach a console stream, decided at its first text.
struct ConsoleStream {
    bool decided;        // `converter` is set
    iconv_t converter;   // from TEXT_CODESET to the terminal's codeset; -1
                         // for the bytes as they are (not a terminal, or a
                         // Shift_JIS one)
};
static ConsoleStream outputStream = {false, (iconv_t)-1};  // standard output
static ConsoleStream errorStream = {false, (iconv_t)-1};   // standard error

// When `fd` is a terminal whose locale's codeset is not Shift_JIS,
// prepares in `stream` the conversion of texts to that codeset.
static void decideConsole(ConsoleStream *stream, int fd) {
    stream->decided = true;
    if (isatty(fd) != 1) return;
    const char *locale = setlocale(LC_CTYPE, "");
    const char *codeset = nl_langinfo(CODESET);
    if (!locale || strcmp(locale, "C") == 0 || strcmp(locale, "POSIX") == 0)
        codeset = DEFAULT_TERMINAL_CODESET;
    for (const char *same : SHIFT_JIS_CODESETS)
        if (strcasecmp(codeset, same) == 0) return;
    stream->converter = iconv_open(codeset, TEXT_CODESET);
}

// Converts `text` (`length` bytes) with `converter` into a buffer it
// allocates, `*converted` bytes long; null when it does not convert.
static char *convertForTerminal(iconv_t converter, const char *text, size_t length,
                                size_t *converted) {
    size_t room = length * 4 + 16;  // far more than any codeset takes
    char *out = (char *)malloc(room);
    if (!out) return nullptr;
    char *in = (char *)text, *next = out;
    size_t inLeft = length, outLeft = room;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &in, &inLeft, &next, &outLeft) == (size_t)-1 ||
        iconv(converter, nullptr, nullptr, &next, &outLeft) == (size_t)-1) {
        free(out);
        return nullptr;
    }
    *converted = room - outLeft;
    return out;
}

// Shows `text` on `file` (descriptor `fd`), converted for a terminal.
static void showOn(ConsoleStream *stream, FILE *file, int fd, const char *text) {
    if (!stream->decided) decideConsole(stream, fd);
    size_t length = strlen(text), converted = 0;
    char *shown = stream->converter == (iconv_t)-1
                      ? nullptr
                      : convertForTerminal(stream->converter, text, length, &converted);
    // One write for the whole text: the stream's buffer holds more than
    // any text, and a longer block goes out whole.
    if (shown) fwrite(shown, 1, converted, file);
    else fwrite(text, 1, length, file);
    fflush(file);
    free(shown);
}

void showText(const char *text) {
    showOn(&outputStream, stdout, STDOUT_FILENO, text);
}

void showErrorText(const char *text) {
    showOn(&errorStream, stderr, STDERR_FILENO, text);
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
// The largest list of attribute names, and the largest attribute value.
static const size_t ATTRIBUTE_LIST_SIZE = 65536;
static const size_t ATTRIBUTE_VALUE_SIZE = 65536;
// The access control list, an extended attribute of its own.
static const char ACCESS_ACL[] = "system.posix_acl_access";

// The save under way: one at a time.
static struct {
    int folder = -1;                    // the target's folder, open; -1 when none,
                                        // or the target has no name there to replace
    int existing = -1;                  // the existing target, opened as a path;
                                        // -1 when there is none
    int descriptor = -1;                // the file being written; -1 when none
    char target[TARGET_PATH_SIZE];      // the target's name within `folder`
    char temporary[TARGET_PATH_SIZE];   // the temporary file's name within
                                        // `folder`; "" when there is none
    char existingPath[TARGET_PATH_SIZE];  // a path to the existing target itself:
                                          // its descriptor's, or the name typed
    struct stat old;                    // the existing target
} saving;

// Attribute names and one value, copied from the old file to its replacement.
static char attributeNames[ATTRIBUTE_LIST_SIZE];
static char attributeValue[ATTRIBUTE_VALUE_SIZE];

/* Interruptions */

// Every signal that ends the process by default and can be caught.
static const int ENDING_SIGNALS[] = {
    SIGHUP,  SIGINT,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
    SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE,   SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM,
    SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

// Removes the temporary file of the save under way, then ends the process
// by the same signal (the handler is reset to the default action).
static void removeTemporaryAndEnd(int signalNumber) {
    if (saving.temporary[0]) unlinkat(saving.folder, saving.temporary, 0);
    raise(signalNumber);
}

// Makes `signalNumber` remove the temporary file before it ends the
// process, unless whoever started the program ignores it: then it stays
// ignored.
static void catchEndingSignal(int signalNumber) {
    struct sigaction old;
    if (sigaction(signalNumber, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) return;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
}

void prepareInterrupts() {
    for (int signalNumber : ENDING_SIGNALS) catchEndingSignal(signalNumber);
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; signalNumber++)
        catchEndingSignal(signalNumber);
    // A write past the file-size limit fails like any other write.
    signal(SIGXFSZ, SIG_IGN);
}

// Blocks (`block` true) or unblocks every signal, so that a temporary file
// and the record of it come into being and go together.
static void holdInterrupts(bool block) {
    static sigset_t held;
    if (block) {
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &held);
    } else {
        sigprocmask(SIG_SETMASK, &held, nullptr);
    }
}

/* Finding the target */

// The result of a failed call, by its errno.
static SysResult failureOf(int error) {
    switch (error) {
    case EEXIST: return SYS_EXISTS;
    case EACCES: case EPERM: case EROFS: case ENAMETOOLONG: case ENOENT: case ENOTDIR:
    case EISDIR: case ELOOP: case ETXTBSY: case EBUSY: case EXDEV: case ENXIO:
        return SYS_DENIED;
    default: return SYS_FAILED;
    }
}

// Puts the folder part of `path` (shorter than TARGET_PATH_SIZE) in
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
    char folder[TARGET_PATH_SIZE];
    splitPath(link, folder);
    struct stat holder;
    if (stat(folder, &holder) != 0) return false;
    bool shared = (holder.st_mode & S_ISVTX) && (holder.st_mode & S_IWOTH);
    return !shared || status->st_uid == holder.st_uid || !symlinksProtected();
}

// Follows the symbolic links from `path` as the system would, with its
// limit and its protection of shared folders, leaving in `resolved`
// (TARGET_PATH_SIZE bytes) the name of the file they end at, which need not
// exist: the system's own walk is used wherever it can be, this one for a
// link to a file yet to be made. Returns false on a loop, a path too long
// or a link the system would refuse to follow.
static bool walkLinks(const char *path, char *resolved) {
    if (strlen(path) >= TARGET_PATH_SIZE) return false;
    strcpy(resolved, path);
    for (int followed = 0;; followed++) {
        struct stat status;
        if (lstat(resolved, &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        if (followed == LINK_DEPTH_LIMIT || !mayFollow(resolved, &status)) return false;
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
}

// Opens the folder of `path` into saving.folder and puts its last part in
// saving.target. Returns false when either is unusable.
static bool openTargetFolder(const char *path) {
    char folder[TARGET_PATH_SIZE];
    const char *name = splitPath(path, folder);
    if (name[0] == '\0') return false;
    saving.folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (saving.folder < 0) return false;
    long nameMax = fpathconf(saving.folder, _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    if (strlen(name) > (size_t)nameMax) return false;
    strcpy(saving.target, name);
    return true;
}

// Finds the folder and the name under which the existing target (opened
// as saving.existing from `name`) can be replaced: the path the system
// gives its descriptor, checked to lead to the same file. Returns false
// when it has none: a pipe, a socket, a deleted file, a path out of reach.
static bool nameExistingTarget(const char *name) {
    char path[TARGET_PATH_SIZE];
    ssize_t length = readlink(saving.existingPath, path, sizeof path - 1);
    if (length >= 0) path[length] = '\0';
    // Without /proc the links are walked here: the system has checked them.
    else if (!walkLinks(name, path)) return false;
    if (path[0] != '/' && length >= 0) return false;
    struct stat named;
    if (!openTargetFolder(path) ||
        fstatat(saving.folder, saving.target, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        named.st_dev != saving.old.st_dev || named.st_ino != saving.old.st_ino) {
        if (saving.folder >= 0) close(saving.folder);
        saving.folder = -1;
        return false;
    }
    return true;
}

// True when the existing target is the root of a mount of its own (a file
// bound over another), which no rename can replace.
static bool existingIsMountPoint() {
    struct statx file, folder;
    unsigned mask = STATX_BASIC_STATS | STATX_MNT_ID;
    if (statx(saving.existing, "", AT_EMPTY_PATH, mask, &file) != 0) return false;
    if (file.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return (file.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    if (statx(saving.folder, "", AT_EMPTY_PATH, mask, &folder) != 0) return false;
    if ((file.stx_mask & folder.stx_mask & STATX_MNT_ID) && file.stx_mnt_id != folder.stx_mnt_id)
        return true;
    return file.stx_dev_major != folder.stx_dev_major || file.stx_dev_minor != folder.stx_dev_minor;
}

SysResult openSaveTarget(const char *name, SaveTargetFacts *facts) {
    memset(facts, 0, sizeof *facts);
    saving.temporary[0] = '\0';
    if (strlen(name) >= TARGET_PATH_SIZE) return SYS_DENIED;
    // The system follows the links, with its own checks and limits.
    saving.existing = open(name, O_PATH | O_CLOEXEC);
    if (saving.existing < 0) {
        if (errno != ENOENT) return failureOf(errno) == SYS_FAILED ? SYS_FAILED : SYS_DENIED;
        char path[TARGET_PATH_SIZE];
        if (!walkLinks(name, path) || !openTargetFolder(path)) {
            closeSaveTarget();
            return SYS_DENIED;
        }
        return SYS_DONE;
    }
    if (fstat(saving.existing, &saving.old) != 0) {
        closeSaveTarget();
        return SYS_FAILED;
    }
    snprintf(saving.existingPath, sizeof saving.existingPath, "/proc/self/fd/%d", saving.existing);
    if (access(saving.existingPath, F_OK) != 0) strcpy(saving.existingPath, name);  // no /proc
    bool named = nameExistingTarget(name);
    facts->exists = true;
    facts->isFolder = S_ISDIR(saving.old.st_mode);
    facts->writable = faccessat(AT_FDCWD, saving.existingPath, W_OK, AT_EACCESS) == 0;
    facts->replaceable = named && S_ISREG(saving.old.st_mode) && saving.old.st_nlink == 1 &&
                         !existingIsMountPoint();
    return SYS_DONE;
}

/* Writing */

SysResult createSaveTemporary(const char *leafName) {
    if (strlen(leafName) >= sizeof saving.temporary) return SYS_DENIED;
    // A new file gets the mode any new file gets; a replacement starts
    // private and takes the old file's permissions before any byte.
    mode_t mode = saving.existing >= 0 ? 0600 : 0666;
    holdInterrupts(true);
    int fd = openat(saving.folder, leafName, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                    mode);
    int error = errno;
    if (fd >= 0) {
        strcpy(saving.temporary, leafName);
        saving.descriptor = fd;
    }
    holdInterrupts(false);
    if (fd >= 0) return SYS_DONE;
    // Only a folder that takes no new file from this process lets a save
    // fall back to writing in place; lack of space, a quota or an error
    // of the disk fails it.
    return error == EEXIST ? SYS_EXISTS : error == EACCES || error == EPERM ? SYS_DENIED : SYS_FAILED;
}

// The result of a failed change of an attribute: lack of room fails the
// save, a refusal makes it write in place.
static SysResult attributeFailure(int error) {
    return error == ENOSPC || error == EDQUOT || error == EIO ? SYS_FAILED : SYS_DENIED;
}

// Copies every extended attribute of the existing target that this process
// can read (the access control list among them) to the temporary file, and
// drops an access control list the old file did not have.
static SysResult copyExtendedAttributes() {
    ssize_t listed = listxattr(saving.existingPath, attributeNames, sizeof attributeNames);
    if (listed < 0) return errno == ENOTSUP ? SYS_DONE : SYS_DENIED;
    bool hadAcl = false;
    for (ssize_t at = 0; at < listed; at += (ssize_t)strlen(attributeNames + at) + 1) {
        const char *attribute = attributeNames + at;
        ssize_t size = getxattr(saving.existingPath, attribute, attributeValue, sizeof attributeValue);
        if (size < 0) return SYS_DENIED;
        if (fsetxattr(saving.descriptor, attribute, attributeValue, (size_t)size, 0) != 0)
            return attributeFailure(errno);
        if (strcmp(attribute, ACCESS_ACL) == 0) hadAcl = true;
    }
    // A list inherited from the folder's default would widen or narrow access.
    if (!hadAcl && fremovexattr(saving.descriptor, ACCESS_ACL) != 0 && errno != ENODATA &&
        errno != ENOTSUP)
        return attributeFailure(errno);
    return SYS_DONE;
}

SysResult keepTargetAttributes() {
    // The owner and group when they are not the process's own, then the
    // extended attributes, then the permission bits (a change of owner
    // clears set-user-ID bits, and a copied access list sets the group's).
    const struct stat *old = &saving.old;
    if ((old->st_uid != geteuid() || old->st_gid != getegid()) &&
        fchown(saving.descriptor, old->st_uid, old->st_gid) != 0)
        return attributeFailure(errno);
    SysResult copied = copyExtendedAttributes();
    if (copied != SYS_DONE) return copied;
    return fchmod(saving.descriptor, old->st_mode & 07777) == 0 ? SYS_DONE : attributeFailure(errno);
}

SysResult openTargetInPlace() {
    // Through the existing file itself, as a shell's redirection writes it:
    // a pipe or terminal behind a link, a deleted file, a mount point.
    saving.descriptor = open(saving.existingPath, O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
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

// True when syncing failed for a reason other than a file (a FIFO, a
// device) or a system that has nothing to sync.
static bool syncFailed(int fd) {
    return fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP;
}

SysResult finishSaveData() {
    bool synced = !syncFailed(saving.descriptor);
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
    // The rename reaches the disk only with its folder.
    return syncFailed(saving.folder) ? SYS_FAILED : SYS_DONE;
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
    int *open[] = {&saving.descriptor, &saving.folder, &saving.existing};
    for (int *fd : open) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

bool saveTemporaryPending() {
    return saving.temporary[0] != '\0';
}
