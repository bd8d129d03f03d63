// A save on Windows, from its beginning to its commit or abort. Files are
// named by paths in the system's code page (the bytes typed), as the
// runtime's own file calls name them. A new name or an existing plain file
// gets a temporary file beside it under a hidden name; an existing file is
// replaced with ReplaceFileA, which keeps its security descriptor,
// attributes and alternate streams. A file a rename would cut from its
// other names, or no file on the disk (a device), is written in place,
// locked with LockFileEx.
#include "platform/save.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/clock.h"
#include "platform/hidden_name.h"
#include "platform/save_step.h"
#include "platform/sys_result.h"

// Bytes handed to one WriteFile call at the most: a DWORD counts them.
static const size_t WRITE_CHUNK = 1u << 30;
// The longest name a folder takes on NTFS, exFAT and FAT's long names, in
// UTF-16 units.
static const int WINDOWS_NAME_MAX = 255;

// The record of a save under way on Windows.
struct SaveFile {
    SaveWay way;                     // where the bytes go
    HANDLE file;                     // the file being written; INVALID_HANDLE_VALUE when none
    char target[SAVE_PATH_SIZE];     // the name the save goes to
    char temporary[SAVE_PATH_SIZE];  // the temporary file beside it; "" when none
    char replaced[MAX_PATH];         // the whole path of the target, for ReplaceFileA
    char replacement[MAX_PATH];      // the whole path of the temporary file, for it
    SaveFailure failure;             // how the save failed, if it did
};

// The save under way: a static record, so that the console's handler can
// reach its temporary file; beginSave hands it out.
static SaveFile current = {SAVE_NONE, INVALID_HANDLE_VALUE, {}, {}, {}, {}, {STEP_MAKE, SYS_DONE}};

/* Interruptions */

// Marks the temporary file of the save under way for removal when Ctrl-C,
// Ctrl-Break or a closing console window ends the process. The file was
// opened for deletion by others, so it goes as the process ends.
static BOOL WINAPI removeTemporaryOnClose(DWORD event) {
    (void)event;
    if (current.temporary[0]) DeleteFileA(current.temporary);
    return FALSE;  // and on to the default handling, which ends the process
}

void prepareInterrupts() {
    SetConsoleCtrlHandler(removeTemporaryOnClose, TRUE);
}

/* Failures */

// The result of the last failed call.
static SysResult lastError() {
    return systemResult(GetLastError());
}

/* Names */

// Length of the folder part of `path`, separators included: up to the last
// '\\', '/' or drive ':' that is a character of its own in the system code
// page, not the second byte of a two-byte character.
static size_t folderLength(const char *path) {
    size_t length = 0;
    for (size_t i = 0; path[i]; i++) {
        if (IsDBCSLeadByte((BYTE)path[i]) && path[i + 1]) {
            i++;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') length = i + 1;
    }
    return length;
}

bool saveNameFits(const char *name) {
    if (strlen(name) >= SAVE_PATH_SIZE) return false;
    const char *last = name + folderLength(name);
    int units = MultiByteToWideChar(CP_ACP, 0, last, -1, nullptr, 0);
    // The count includes the terminating zero.
    return units > 0 && units - 1 <= WINDOWS_NAME_MAX;
}

/* Begin */

// Closes the file being written, if any; false when closing fails.
static bool closeFile(SaveFile *save) {
    bool closed = save->file == INVALID_HANDLE_VALUE || CloseHandle(save->file);
    save->file = INVALID_HANDLE_VALUE;
    return closed;
}

// Closes and removes the temporary file, if any.
static void dropTemporary(SaveFile *save) {
    if (save->way == SAVE_IN_PLACE) return;
    closeFile(save);
    if (save->temporary[0]) DeleteFileA(save->temporary);
    save->temporary[0] = '\0';
}

// Ends the save: nothing of it stays open.
static void endSave(SaveFile *save) {
    dropTemporary(save);
    closeFile(save);
    save->way = SAVE_NONE;
}

// Opens `path` with CreateFileA as `disposition` asks, sharing `sharing`
// and deletion, so that an interruption can remove it, as the file being
// written.
static SysResult openFile(SaveFile *save, const char *path, DWORD disposition, DWORD sharing) {
    save->file = CreateFileA(path, GENERIC_WRITE, sharing | FILE_SHARE_DELETE, nullptr,
                             disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return save->file != INVALID_HANDLE_VALUE ? SYS_DONE : lastError();
}

// Creates the temporary file under a fresh hidden name beside the target,
// made only where no file has that name. SYS_DENIED when the folder takes
// no new file from this process.
static SysResult createTemporary(SaveFile *save) {
    size_t folder = folderLength(save->target);
    if (folder + HIDDEN_NAME_SIZE > sizeof save->temporary) return SYS_UNREACHABLE;
    uint64_t seed = uniqueSeed();
    SysResult made = SYS_EXISTS;
    for (int attempt = 0; made == SYS_EXISTS && attempt < HIDDEN_NAME_TRIES; attempt++) {
        char path[SAVE_PATH_SIZE];
        memcpy(path, save->target, folder);
        nextHiddenName(&seed, path + folder);
        made = openFile(save, path, CREATE_NEW, FILE_SHARE_READ);
        if (made == SYS_DONE) strcpy(save->temporary, path);
    }
    return made == SYS_EXISTS ? SYS_FAILED : made;
}

// Puts the whole paths of the target and of the temporary file in the
// record for ReplaceFileA, whose ANSI form takes them up to MAX_PATH only:
// SYS_UNSUPPORTED for a longer one, which is written in place rather than
// lose the old file's access list.
static SysResult wholePaths(SaveFile *save) {
    DWORD target = GetFullPathNameA(save->target, MAX_PATH, save->replaced, nullptr);
    DWORD temporary = GetFullPathNameA(save->temporary, MAX_PATH, save->replacement, nullptr);
    bool fit = target > 0 && target < MAX_PATH && temporary > 0 && temporary < MAX_PATH;
    return fit ? SYS_DONE : SYS_UNSUPPORTED;
}

// Opens the existing target itself for writing, shared with other writers
// so that another save's open succeeds and waits for the lock; locks a
// file on the disk whole against another save, which waits, and empties it.
static SysResult openInPlace(SaveFile *save) {
    SysResult opened = openFile(save, save->target, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    // A device (NUL, a console) holds no bytes to protect or to empty.
    if (opened != SYS_DONE || GetFileType(save->file) != FILE_TYPE_DISK) return opened;
    OVERLAPPED whole;
    memset(&whole, 0, sizeof whole);
    if (!LockFileEx(save->file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) ||
        !SetEndOfFile(save->file))
        return lastError();
    return SYS_DONE;
}

RunStatus beginSave(const char *name, SaveFile **save) {
    SaveFile *s = &current;
    *save = s;
    endSave(s);
    s->failure.result = SYS_DONE;
    if (strlen(name) >= sizeof s->target)
        return saveFailed(&s->failure, STEP_MAKE, SYS_UNREACHABLE);
    strcpy(s->target, name);
    DWORD attributes = GetFileAttributesA(s->target);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return saveFailed(&s->failure, STEP_MAKE, SYS_DENIED);
    // A file that a rename would cut from its other names, or no file on
    // the disk at all (a device), is written in place.
    bool replaceable = !exists;
    if (exists) {
        HANDLE handle = CreateFileA(s->target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                    FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return saveFailed(&s->failure, STEP_MAKE, SYS_DENIED);
        BY_HANDLE_FILE_INFORMATION information;
        replaceable = GetFileType(handle) == FILE_TYPE_DISK &&
                      GetFileInformationByHandle(handle, &information) &&
                      information.nNumberOfLinks == 1;
        CloseHandle(handle);
    }
    // A temporary file beside the target. Only where the folder takes no
    // new file from this process, or the whole paths are too long for
    // ReplaceFileA, is a replaceable target written in place; lack of room
    // or a disk error fails the save.
    if (replaceable) {
        SysResult made = createTemporary(s);
        if (made == SYS_DONE && exists) {
            made = wholePaths(s);
            if (made != SYS_DONE) dropTemporary(s);
        }
        if (made == SYS_DONE) {
            s->way = exists ? SAVE_REPLACE : SAVE_NEW;
            return RUN_OK;
        }
        bool refused = made == SYS_DENIED || made == SYS_UNSUPPORTED;
        if (!refused || !exists) return saveFailed(&s->failure, STEP_MAKE, made);
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
        DWORD chunk = size > WRITE_CHUNK ? (DWORD)WRITE_CHUNK : (DWORD)size, written = 0;
        if (!WriteFile(save->file, bytes, chunk, &written, nullptr))
            return saveFailed(&save->failure, STEP_WRITE, lastError());
        // A write that takes nothing without an error: a full device.
        if (written == 0) return saveFailed(&save->failure, STEP_WRITE, SYS_FAILED);
        bytes += written;
        size -= written;
    }
    return RUN_OK;
}

/* Commit */

// Flushes the file being written to the disk and closes it (which releases
// a lock); a device (NUL, a console) has nothing to flush.
static SysResult flushAndClose(SaveFile *save) {
    bool flushed = FlushFileBuffers(save->file) || GetFileType(save->file) != FILE_TYPE_DISK;
    SysResult done = flushed ? SYS_DONE : lastError();
    if (!closeFile(save) && done == SYS_DONE) done = lastError();
    return done;
}

// Puts the complete temporary file in place of the target: an existing file
// is replaced keeping its security descriptor (access list), attributes and
// alternate streams, where a rename would give the new file the folder's
// inherited access list; a new name is a rename. When ReplaceFileA took the
// old file away but left the move undone and finishing it fails too, the
// temporary file is no longer the record's to remove: it keeps its hidden
// name, the only copy of the maze.
static SysResult nameTemporary(SaveFile *save) {
    bool finishing = false;  // ReplaceFileA left its move undone
    if (save->way == SAVE_REPLACE) {
        if (ReplaceFileA(save->replaced, save->replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                         nullptr, nullptr))
            return SYS_DONE;
        // The old file may be gone and the new one not yet renamed: finish the move.
        DWORD error = GetLastError();
        finishing = error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                    error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
        if (!finishing) return systemResult(error);
    }
    if (MoveFileExA(save->temporary, save->target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return SYS_DONE;
    SysResult moved = lastError();
    // Kept: neither the end of the save nor Ctrl-C removes it now.
    if (finishing) save->temporary[0] = '\0';
    return moved;
}

RunStatus commitSave(SaveFile *save) {
    RunStatus status = RUN_OK;
    SysResult done = flushAndClose(save);
    if (done != SYS_DONE) status = saveFailed(&save->failure, STEP_WRITE, done);
    if (done == SYS_DONE && save->way != SAVE_IN_PLACE) {
        done = nameTemporary(save);
        if (done == SYS_DONE) save->temporary[0] = '\0';  // it is the target now
        else status = saveFailed(&save->failure, STEP_NAME, done);
    }
    endSave(save);
    return status;
}

void abortSave(SaveFile *save) {
    endSave(save);
}
