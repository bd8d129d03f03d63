// The save under way on Linux: the temporary file beside the target, the
// writes, the syncs and the rename, and the interruptions that remove the
// temporary file before the process ends.
#include "platform/save.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_attributes_linux.h"
#include "platform/save_target_linux.h"

// The save under way: one at a time. An interruption reads it.
static struct {
    FoundTarget target = {-1, -1, {}, {}, {}};  // where the save goes
    int descriptor = -1;                        // the file being written; -1 when none
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

SysResult createSaveTemporary(const char *leafName) {
    if (strlen(leafName) >= sizeof saving.temporary) return SYS_UNREACHABLE;
    // A new file gets the mode any new file gets; a replacement starts
    // private and takes the old file's permissions before any byte.
    mode_t mode = saving.target.existing >= 0 ? 0600 : 0666;
    holdInterrupts(true);
    int fd = openat(saving.target.folder, leafName,
                    O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
    int error = errno;
    if (fd >= 0) {
        strcpy(saving.temporary, leafName);
        saving.descriptor = fd;
    }
    holdInterrupts(false);
    return fd >= 0 ? SYS_DONE : systemResult((unsigned long)error);
}

SysResult keepTargetAttributes() {
    return giveFileAttributes(saving.target.existingPath, &saving.target.old, saving.descriptor);
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

SysResult finishSaveData() {
    bool synced = !syncFailed(saving.descriptor);
    bool closed = close(saving.descriptor) == 0;
    saving.descriptor = -1;
    return synced && closed ? SYS_DONE : SYS_FAILED;
}

SysResult replaceSaveTarget() {
    if (renameat(saving.target.folder, saving.temporary, saving.target.folder,
                 saving.target.name) != 0)
        return SYS_DENIED;
    holdInterrupts(true);
    saving.temporary[0] = '\0';  // it is the target now
    holdInterrupts(false);
    // The rename reaches the disk only with its folder.
    return syncFailed(saving.target.folder) ? SYS_FAILED : SYS_DONE;
}

void removeSaveTemporary() {
    if (saving.temporary[0] && saving.descriptor >= 0) {
        close(saving.descriptor);
        saving.descriptor = -1;
    }
    holdInterrupts(true);
    if (saving.temporary[0]) unlinkat(saving.target.folder, saving.temporary, 0);
    saving.temporary[0] = '\0';
    holdInterrupts(false);
}

void closeSaveTarget() {
    if (saving.descriptor >= 0) close(saving.descriptor);
    saving.descriptor = -1;
    closeFoundTarget(&saving.target);
}

bool saveTemporaryPending() {
    return saving.temporary[0] != '\0';
}
