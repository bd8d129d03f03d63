// A save on Linux, from its beginning to its commit or abort: the target
// found by walking its links, the temporary file beside it (without a name
// until it is complete where the file system and /proc allow it, else
// under a hidden name), or the target itself opened and locked; the
// writes, the attributes, the syncs, the link and the rename; and the
// interruptions that remove a named temporary file before the process ends.
#include "platform/save.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/file_attributes_linux.h"
#include "platform/hidden_name.h"
#include "platform/save_step.h"
#include "platform/save_target_linux.h"

// The modes a temporary file is created with: a new file gets the mode any
// new file gets under the umask; a replacement stays private until it is
// given the old file's mode, after its last byte.
static const mode_t NEW_FILE_MODE = 0666;
static const mode_t PRIVATE_FILE_MODE = 0600;

// The record of a save under way on Linux.
struct SaveFile {
    SaveWay way;                          // where the bytes go
    FoundTarget target;                   // where the save goes
    int descriptor;                       // the file being written; -1 when none
    bool unnamed;                         // it is a temporary file with no name yet
    char temporary[SAVE_PATH_SIZE];       // the temporary file's name within
                                          // target.folder; "" when there is none
    char descriptorPath[SAVE_PATH_SIZE];  // the /proc name of an unnamed one, through
                                          // which it is linked to a name
    SaveFailure failure;                  // how the save failed, if it did
};

// The save under way: a static record, so that the signal handler can
// reach its temporary file; beginSave hands it out.
static SaveFile current = {SAVE_NONE, {TARGET_NEW, -1, -1, {}, {}, {}}, -1, false, {}, {},
                           {STEP_MAKE, SYS_DONE}};

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
    if (current.temporary[0]) unlinkat(current.target.folder, current.temporary, 0);
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

// Blocks (`block` true) or unblocks every signal, so that a named
// temporary file and the record of its name come into being and go
// together.
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

/* Failures */

// The result of the last failed call.
static SysResult lastError() {
    return systemResult((unsigned long)errno);
}

/* Begin */

// Closes the file being written, if any; false when closing fails.
static bool closeDescriptor(SaveFile *save) {
    bool closed = save->descriptor < 0 || close(save->descriptor) == 0;
    save->descriptor = -1;
    return closed;
}

// Closes and removes the temporary file, if any; an interruption no
// longer needs to.
static void dropTemporary(SaveFile *save) {
    if (save->way == SAVE_IN_PLACE) return;
    closeDescriptor(save);
    save->unnamed = false;
    holdInterrupts(true);
    if (save->temporary[0]) unlinkat(save->target.folder, save->temporary, 0);
    save->temporary[0] = '\0';
    holdInterrupts(false);
}

// Ends the save: nothing of it stays open.
static void endSave(SaveFile *save) {
    dropTemporary(save);
    closeDescriptor(save);
    closeFoundTarget(&save->target);
    save->way = SAVE_NONE;
}

// Creates the temporary file in the target's folder with no name, so that
// whatever ends the process before it is complete leaves nothing; it is
// linked to a name through /proc, without which it could never have one
// (SYS_UNSUPPORTED then, as where the file system takes no unnamed file).
static SysResult createUnnamed(SaveFile *save, mode_t mode) {
    int fd = openat(save->target.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) return lastError();
    if (!pathOfDescriptor(fd, save->descriptorPath)) {
        close(fd);
        return SYS_UNSUPPORTED;
    }
    save->descriptor = fd;
    save->unnamed = true;
    return SYS_DONE;
}

// Creates the temporary file under a fresh hidden name in the target's
// folder, made only where no file has that name so that a link planted
// there is never followed; an interruption removes it from now on.
// SYS_DENIED when the folder takes no new file from this process.
static SysResult createNamed(SaveFile *save, mode_t mode) {
    uint64_t seed = uniqueSeed();
    SysResult made = SYS_EXISTS;
    for (int attempt = 0; made == SYS_EXISTS && attempt < HIDDEN_NAME_TRIES; attempt++) {
        char name[HIDDEN_NAME_SIZE];
        nextHiddenName(&seed, name);
        holdInterrupts(true);
        int fd = openat(save->target.folder, name,
                        O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        made = fd >= 0 ? SYS_DONE : lastError();
        if (fd >= 0) {
            strcpy(save->temporary, name);
            save->descriptor = fd;
        }
        holdInterrupts(false);
    }
    return made == SYS_EXISTS ? SYS_FAILED : made;
}

// Makes the temporary file for a new name or a replacement and, for a
// replacement, tries the old file's attributes on it. SYS_DENIED or
// SYS_UNSUPPORTED when the folder takes no new file from this process or
// the attributes cannot be given; another failure (no room, a quota, a
// disk error) is a failure of the save. Nothing is left on failure.
static SysResult makeTemporary(SaveFile *save) {
    bool replacing = save->target.kind == TARGET_REPLACEABLE;
    mode_t mode = replacing ? PRIVATE_FILE_MODE : NEW_FILE_MODE;
    SysResult made = createUnnamed(save, mode);
    if (made != SYS_DONE && made != SYS_FAILED) made = createNamed(save, mode);
    if (made == SYS_DONE && replacing)
        made = giveFileAttributes(save->target.existingPath, &save->target.old, save->descriptor,
                                  ATTRIBUTES_TRIAL);
    if (made != SYS_DONE) dropTemporary(save);
    return made;
}

// Opens the existing target itself for writing, through its descriptor's
// /proc name where there is one, as a shell's redirection writes it (a
// pipe or terminal behind a link, a deleted file, a mount point); locks a
// file against another save, which waits, and empties it.
static SysResult openInPlace(SaveFile *save) {
    save->descriptor = open(save->target.existingPath, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (save->descriptor < 0) return lastError();
    struct stat opened;
    if (fstat(save->descriptor, &opened) != 0) return lastError();
    // The name typed (no /proc) must still lead to the file found.
    if (opened.st_dev != save->target.old.st_dev || opened.st_ino != save->target.old.st_ino)
        return SYS_UNREACHABLE;
    // A FIFO or a device holds no bytes to protect or to empty.
    if (!S_ISREG(opened.st_mode)) return SYS_DONE;
    int locked;
    while ((locked = flock(save->descriptor, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0 || ftruncate(save->descriptor, 0) != 0) return lastError();
    return SYS_DONE;
}

RunStatus beginSave(const char *name, SaveFile **save) {
    SaveFile *s = &current;
    *save = s;
    endSave(s);
    s->failure.result = SYS_DONE;
    SysResult found = findSaveTarget(name, &s->target);
    if (found != SYS_DONE) return saveFailed(&s->failure, STEP_MAKE, found);
    // A temporary file beside the target, to be put in its place. Only
    // where the folder takes no new file from this process, or the
    // replacement could not keep what the old file has, is a replaceable
    // target written in place; lack of room or a disk error fails the save.
    SysResult made = SYS_DENIED;
    if (s->target.kind != TARGET_IN_PLACE) {
        made = makeTemporary(s);
        bool refused = made == SYS_DENIED || made == SYS_UNSUPPORTED;
        if (made == SYS_DONE) {
            s->way = s->target.kind == TARGET_NEW ? SAVE_NEW : SAVE_REPLACE;
            return RUN_OK;
        }
        if (!refused || s->target.kind == TARGET_NEW) {
            endSave(s);
            return saveFailed(&s->failure, STEP_MAKE, made);
        }
    }
    s->way = SAVE_IN_PLACE;
    SysResult opened = openInPlace(s);
    if (opened == SYS_DONE) return RUN_OK;
    endSave(s);
    return saveFailed(&s->failure, STEP_MAKE, opened);
}

/* Write */

RunStatus writeSave(SaveFile *save, const void *data, size_t size) {
    const char *bytes = (const char *)data;
    while (size > 0) {
        ssize_t written = write(save->descriptor, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        // A write that takes nothing without an error: a full device.
        if (written <= 0)
            return saveFailed(&save->failure, STEP_WRITE, written < 0 ? lastError() : SYS_FAILED);
        bytes += written;
        size -= (size_t)written;
    }
    return RUN_OK;
}

/* Commit */

// The result of syncing `fd`: SYS_DONE as well for a file that has nothing
// to sync (a FIFO, a device) or a system without syncs.
static SysResult syncFile(int fd) {
    if (fsync(fd) == 0) return SYS_DONE;
    SysResult result = lastError();
    return errno == EINVAL || result == SYS_UNSUPPORTED ? SYS_DONE : result;
}

// Gives the complete unnamed file a fresh hidden name in the target's
// folder, as a named temporary file that an interruption removes.
static SysResult nameUnnamed(SaveFile *save) {
    uint64_t seed = uniqueSeed();
    SysResult linked = SYS_EXISTS;
    for (int attempt = 0; linked == SYS_EXISTS && attempt < HIDDEN_NAME_TRIES; attempt++) {
        char name[HIDDEN_NAME_SIZE];
        nextHiddenName(&seed, name);
        holdInterrupts(true);
        linked = linkat(AT_FDCWD, save->descriptorPath, save->target.folder, name,
                        AT_SYMLINK_FOLLOW) == 0 ? SYS_DONE : lastError();
        if (linked == SYS_DONE) {
            strcpy(save->temporary, name);
            save->unnamed = false;
        }
        holdInterrupts(false);
    }
    return linked == SYS_EXISTS ? SYS_FAILED : linked;
}

// Puts the complete temporary file in place of the target: an unnamed one
// is linked straight to a name no file has, and otherwise, or when one has
// it by now, first gets a hidden name; a named one is renamed over the
// target.
static SysResult nameTemporary(SaveFile *save) {
    if (save->unnamed && save->way == SAVE_NEW) {
        if (linkat(AT_FDCWD, save->descriptorPath, save->target.folder, save->target.name,
                   AT_SYMLINK_FOLLOW) == 0) {
            save->unnamed = false;
            return SYS_DONE;
        }
        SysResult linked = lastError();
        if (linked != SYS_EXISTS) return linked;
    }
    if (save->unnamed) {
        SysResult named = nameUnnamed(save);
        if (named != SYS_DONE) return named;
    }
    if (renameat(save->target.folder, save->temporary, save->target.folder, save->target.name) != 0)
        return lastError();
    holdInterrupts(true);
    save->temporary[0] = '\0';  // it is the target now
    holdInterrupts(false);
    return SYS_DONE;
}

// Makes the new name in the target's folder last: a sync of the folder,
// or, where the folder may be written but not read (mode 0733), of the
// whole file system that holds it, through the new file.
static SysResult syncFolder(SaveFile *save) {
    int folder = openat(save->target.folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        SysResult synced = syncFile(folder);
        close(folder);
        return synced;
    }
    if (lastError() != SYS_DENIED) return lastError();
    return syncfs(save->descriptor) == 0 ? SYS_DONE : lastError();
}

// The commit of a temporary file: attributes, its sync, its name, the
// folder's sync and its close.
static RunStatus commitTemporary(SaveFile *save) {
    SysResult done = SYS_DONE;
    if (save->way == SAVE_REPLACE)
        done = giveFileAttributes(save->target.existingPath, &save->target.old, save->descriptor,
                                  ATTRIBUTES_FINAL);
    if (done == SYS_DONE) done = syncFile(save->descriptor);
    if (done != SYS_DONE) return saveFailed(&save->failure, STEP_WRITE, done);
    done = nameTemporary(save);
    if (done != SYS_DONE) return saveFailed(&save->failure, STEP_NAME, done);
    // The new name reaches the disk only with its folder.
    done = syncFolder(save);
    if (done == SYS_DONE && !closeDescriptor(save)) done = lastError();
    return done == SYS_DONE ? RUN_OK : saveFailed(&save->failure, STEP_WRITE, done);
}

RunStatus commitSave(SaveFile *save) {
    RunStatus status;
    if (save->way == SAVE_IN_PLACE) {
        SysResult synced = syncFile(save->descriptor);
        // Closing the file releases its lock.
        if (!closeDescriptor(save) && synced == SYS_DONE) synced = lastError();
        status = synced == SYS_DONE ? RUN_OK : saveFailed(&save->failure, STEP_WRITE, synced);
    } else {
        status = commitTemporary(save);
    }
    endSave(save);
    return status;
}

void abortSave(SaveFile *save) {
    endSave(save);
}

bool saveNameFits(const char *name) {
    return nameFitsFolder(name);
}
