// The save under way on Windows. Files are named by paths in the system's
// code page (the bytes typed), as the runtime's own file calls name them;
// an existing file is replaced with ReplaceFileA, which keeps its security
// descriptor, attributes and alternate streams.
#include "platform/save.h"

#include <windows.h>

#include <cstring>

// Bytes handed to one WriteFile call at the most: a DWORD counts them.
static const size_t WRITE_CHUNK = 1u << 30;

// The save under way: one at a time. An interruption reads it.
static struct {
    HANDLE file = INVALID_HANDLE_VALUE;  // the file being written, or none
    char target[SAVE_PATH_SIZE];         // the name the save goes to
    char temporary[SAVE_PATH_SIZE];      // the temporary file beside it; "" when none
    char replaced[MAX_PATH];             // the whole paths of the target and of the
    char replacement[MAX_PATH];          // temporary file, for ReplaceFileA; "" for a
                                         // new name
} saving;

// Marks the temporary file of the save under way for removal when Ctrl-C,
// Ctrl-Break or a closing console window ends the process. The file was
// opened for deletion by others, so it goes as the process ends.
static BOOL WINAPI removeTemporaryOnClose(DWORD event) {
    (void)event;
    if (saving.temporary[0]) DeleteFileA(saving.temporary);
    return FALSE;  // and on to the default handling, which ends the process
}

void prepareInterrupts() {
    SetConsoleCtrlHandler(removeTemporaryOnClose, TRUE);
}

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

// Opens `path` with CreateFileA as `disposition` asks, sharing deletion so
// that an interruption can remove it, as the file being written.
static SysResult openFile(const char *path, DWORD disposition) {
    saving.file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return saving.file != INVALID_HANDLE_VALUE ? SYS_DONE : systemResult(GetLastError());
}

SysResult openSaveTarget(const char *name, SaveTargetFacts *facts) {
    memset(facts, 0, sizeof *facts);
    saving.temporary[0] = '\0';
    if (strlen(name) >= sizeof saving.target) return SYS_UNREACHABLE;
    strcpy(saving.target, name);
    saving.replaced[0] = saving.replacement[0] = '\0';
    DWORD attributes = GetFileAttributesA(saving.target);
    facts->exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!facts->exists) return SYS_DONE;
    facts->isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts->writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0;
    // A file that a rename would cut from its other names, or no file on
    // the disk at all (a device), is written in place.
    HANDLE handle = CreateFileA(saving.target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return SYS_DENIED;
    BY_HANDLE_FILE_INFORMATION information;
    facts->replaceable = GetFileType(handle) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(handle, &information) &&
                         information.nNumberOfLinks == 1;
    CloseHandle(handle);
    return SYS_DONE;
}

SysResult createUnnamedTemporary() {
    // Windows has no file without a name: the temporary file is a named
    // one, which a process killed outright leaves behind.
    return SYS_UNSUPPORTED;
}

SysResult createSaveTemporary(const char *leafName) {
    size_t folder = folderLength(saving.target);
    if (folder + strlen(leafName) >= sizeof saving.temporary) return SYS_UNREACHABLE;
    char path[SAVE_PATH_SIZE];
    memcpy(path, saving.target, folder);
    strcpy(path + folder, leafName);
    SysResult opened = openFile(path, CREATE_NEW);
    if (opened == SYS_DONE) strcpy(saving.temporary, path);
    return opened;
}

SysResult keepTargetAttributes() {
    // ReplaceFileA gives the replacement what the old file has, given the
    // whole paths of both, which its ANSI form takes up to MAX_PATH only:
    // a longer one is written in place rather than lose the old file's
    // access list.
    DWORD target = GetFullPathNameA(saving.target, MAX_PATH, saving.replaced, nullptr);
    DWORD temporary = GetFullPathNameA(saving.temporary, MAX_PATH, saving.replacement, nullptr);
    if (target == 0 || target >= MAX_PATH || temporary == 0 || temporary >= MAX_PATH) {
        saving.replaced[0] = saving.replacement[0] = '\0';
        return SYS_UNSUPPORTED;
    }
    return SYS_DONE;
}

SysResult openTargetInPlace() {
    return openFile(saving.target, TRUNCATE_EXISTING);
}

SysResult writeSaveData(const void *data, size_t size) {
    const char *bytes = (const char *)data;
    while (size > 0) {
        DWORD chunk = size > WRITE_CHUNK ? (DWORD)WRITE_CHUNK : (DWORD)size, written = 0;
        if (!WriteFile(saving.file, bytes, chunk, &written, nullptr) || written == 0)
            return SYS_FAILED;
        bytes += written;
        size -= written;
    }
    return SYS_DONE;
}

SysResult finishSaveData() {
    // A device (NUL, a console) has nothing to flush to a disk.
    bool flushed = FlushFileBuffers(saving.file) || GetFileType(saving.file) != FILE_TYPE_DISK;
    bool closed = CloseHandle(saving.file) != 0;
    saving.file = INVALID_HANDLE_VALUE;
    return flushed && closed ? SYS_DONE : SYS_FAILED;
}

SysResult replaceSaveTarget() {
    // An existing file is replaced keeping its security descriptor (access
    // list), attributes and alternate streams, where a rename would give the
    // new file the folder's inherited access list; a new name is a rename.
    bool moved = !saving.replaced[0];
    bool replaced = false;
    if (!moved) {
        replaced = ReplaceFileA(saving.replaced, saving.replacement, nullptr,
                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
        // The old file gone but the new one not yet renamed: finish the move.
        DWORD error = GetLastError();
        moved = !replaced && (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                              error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    }
    if (moved)
        replaced = MoveFileExA(saving.temporary, saving.target,
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced) return SYS_DENIED;
    saving.temporary[0] = '\0';  // it is the target now
    return SYS_DONE;
}

SysResult nameSaveTemporary(const char *leafName) {
    (void)leafName;  // every temporary file here has its name from the start
    return SYS_UNSUPPORTED;
}

void removeSaveTemporary() {
    if (!saving.temporary[0]) return;
    if (saving.file != INVALID_HANDLE_VALUE) {
        CloseHandle(saving.file);
        saving.file = INVALID_HANDLE_VALUE;
    }
    DeleteFileA(saving.temporary);
    saving.temporary[0] = '\0';
}

void closeSaveTarget() {
    if (saving.file != INVALID_HANDLE_VALUE) CloseHandle(saving.file);
    saving.file = INVALID_HANDLE_VALUE;
}

bool saveTemporaryPending() {
    return saving.temporary[0] != '\0';
}
