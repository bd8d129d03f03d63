// The save under way on Linux: the temporary file beside the target
// (unnamed until it is complete where the file system allows it), the
// writes, the syncs, the link and the rename, and the interruptions that
// remove a named temporary file before the process ends.
#include "platform/save.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_attributes_linux.h"
#include "platform/save_target_linux.h"

// The modes a temporary file is created with: a new file gets the mode any
// new file gets under the umask; a replacement stays private until it is
// given the old file's mode, after its last byte.
static const mode_t NEW_FILE_MODE = 0666;
static const mode_t PRIVATE_FILE_MODE = 0600;

// The save under way: one at a time. An interruption reads it.
static struct {
    FoundTarget target = {-1, -1, {}, {}, {}};  // where the save goes
    int descriptor = -1;                        // the file being written; -1 when none
    bool unnamed = false;                       // it is a temporary file with no name yet
    char temporary[SAVE_PATH_SIZE] = {};        // the temporary file's name within
                                                // target.folder; "" when there is none
} saving;

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
    if (saving.temporary[0]) unlinkat(saving.target.folder, saving.temporary, 0);
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

/* The target */

SysResult openSaveTarget(const char *name, SaveTargetFacts *facts) {
    saving.temporary[0] = '\0';
    return findSaveTarget(name, &saving.target, facts);
}

/* Writing */

// The mode a temporary file for the target is created with.
static mode_t temporaryMode() {
    return saving.target.existing >= 0 ? PRIVATE_FILE_MODE : NEW_FILE_MODE;
}

SysResult createUnnamedTemporary() {
    int fd = openat(saving.target.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, temporaryMode());
    if (fd < 0) return systemResult((unsigned long)errno);
    // It gets its name through /proc: without it, it could never have one.
    char path[SAVE_PATH_SIZE];
    if (!pathOfDescriptor(fd, path)) {
        close(fd);
        return SYS_UNSUPPORTED;
    }
    saving.descriptor = fd;
    saving.unnamed = true;
    return SYS_DONE;
}

SysResult createSaveTemporary(const char *leafName) {
    if (strlen(leafName) >= sizeof saving.temporary) return SYS_UNREACHABLE;
    holdInterrupts(true);
    int fd = openat(saving.target.folder, leafName,
                    O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, temporaryMode());
    int error = errno;
    if (fd >= 0) {
        strcpy(saving.temporary, leafName);
        saving.descriptor = fd;
    }
    holdInterrupts(false);
    return fd >= 0 ? SYS_DONE : systemResult((unsigned long)error);
}

SysResult keepTargetAttributes() {
    return giveFileAttributes(saving.target.existingPath, &saving.target.old, saving.descriptor,
                              false);
}

SysResult openTargetInPlace() {
    // Through the existing file itself, as a shell's redirection writes it:
    // a pipe or terminal behind a link, a deleted file, a mount point.
    saving.descriptor =
        open(saving.target.existingPath, O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    return saving.descriptor >= 0 ? SYS_DONE : systemResult((unsigned long)errno);
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

// True when syncing `fd` failed for a reason other than a file that has
// nothing to sync (a FIFO, a device) or a system without syncs.
static bool syncFailed(int fd) {
    if (fsync(fd) == 0) return false;
    return errno != EINVAL && systemResult((unsigned long)errno) != SYS_UNSUPPORTED;
}

// Closes the file being written; false when closing fails.
static bool closeSaveData() {
    bool closed = close(saving.descriptor) == 0;
    saving.descriptor = -1;
    return closed;
}

SysResult finishSaveData() {
    bool temporary = saving.unnamed || saving.temporary[0];
    bool given = !temporary || saving.target.existing < 0 ||
                 giveFileAttributes(saving.target.existingPath, &saving.target.old,
                                    saving.descriptor, true) == SYS_DONE;
    bool synced = given && !syncFailed(saving.descriptor);
    // A temporary file stays open: an unnamed one is linked through its
    // descriptor, and the sync after the rename may need it.
    if (temporary && synced) return SYS_DONE;
    bool closed = closeSaveData();
    return synced && closed ? SYS_DONE : SYS_FAILED;
}

// Makes the new name in the target's folder last: a sync of the folder,
// or, where the folder may be written but not read (mode 0733), of the
// whole file system that holds it, through the new file. Then closes the
// file. False when a sync or the close fails.
static bool syncFolderAndClose() {
    int folder = openat(saving.target.folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool synced;
    if (folder >= 0) {
        synced = !syncFailed(folder);
        close(folder);
    } else {
        synced = systemResult((unsigned long)errno) == SYS_DENIED && syncfs(saving.descriptor) == 0;
    }
    return closeSaveData() && synced;
}

SysResult replaceSaveTarget() {
    if (saving.unnamed) {
        // Straight to a new name; a name that is taken is replaced by a rename.
        if (saving.target.existing >= 0) return SYS_EXISTS;
        char path[SAVE_PATH_SIZE];
        pathOfDescriptor(saving.descriptor, path);
        if (linkat(AT_FDCWD, path, saving.target.folder, saving.target.name, AT_SYMLINK_FOLLOW) != 0)
            return systemResult((unsigned long)errno) == SYS_EXISTS ? SYS_EXISTS : SYS_DENIED;
        saving.unnamed = false;
    } else {
        if (renameat(saving.target.folder, saving.temporary, saving.target.folder,
                     saving.target.name) != 0)
            return SYS_DENIED;
        holdInterrupts(true);
        saving.temporary[0] = '\0';  // it is the target now
        holdInterrupts(false);
    }
    // The new name reaches the disk only with its folder.
    return syncFolderAndClose() ? SYS_DONE : SYS_FAILED;
}

SysResult nameSaveTemporary(const char *leafName) {
    if (strlen(leafName) >= sizeof saving.temporary) return SYS_UNREACHABLE;
    char path[SAVE_PATH_SIZE];
    pathOfDescriptor(saving.descriptor, path);
    holdInterrupts(true);
    bool linked =
        linkat(AT_FDCWD, path, saving.target.folder, leafName, AT_SYMLINK_FOLLOW) == 0;
    int error = errno;
    if (linked) {
        strcpy(saving.temporary, leafName);
        saving.unnamed = false;
    }
    holdInterrupts(false);
    return linked ? SYS_DONE : systemResult((unsigned long)error);
}

void removeSaveTemporary() {
    if ((saving.temporary[0] || saving.unnamed) && saving.descriptor >= 0) closeSaveData();
    saving.unnamed = false;
    holdInterrupts(true);
    if (saving.temporary[0]) unlinkat(saving.target.folder, saving.temporary, 0);
    saving.temporary[0] = '\0';
    holdInterrupts(false);
}

void closeSaveTarget() {
    if (saving.descriptor >= 0) close(saving.descriptor);
    saving.descriptor = -1;
    saving.unnamed = false;
    closeFoundTarget(&saving.target);
}

bool saveTemporaryPending() {
    return saving.unnamed || saving.temporary[0] != '\0';
}
