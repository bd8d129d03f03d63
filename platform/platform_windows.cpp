// The platform calls on Windows. Files are named by paths in the system's
// code page (the bytes typed), as the runtime's own file calls name them.
#include "platform/platform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <psapi.h>

#include <cstdio>
#include <cstring>

#include "output/save_file.h"

/* Memory */

uint64_t availableMemoryBytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    uint64_t available = UINT64_MAX;
    if (GlobalMemoryStatusEx(&status)) {
        available = status.ullAvailPhys;
        if (status.ullAvailVirtual < available) available = status.ullAvailVirtual;
    }
    // A job object the process runs in may cap the process or the whole job.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION job;
    if (QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job,
                                  nullptr)) {
        DWORD flags = job.BasicLimitInformation.LimitFlags;
        if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) {
            PROCESS_MEMORY_COUNTERS_EX used;
            used.cb = sizeof used;
            uint64_t inUse = 0;
            if (K32GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&used,
                                        sizeof used))
                inUse = used.PrivateUsage;
            uint64_t limit = job.ProcessMemoryLimit;
            uint64_t left = inUse < limit ? limit - inUse : 0;
            if (left < available) available = left;
        }
        if (flags & JOB_OBJECT_LIMIT_JOB_MEMORY) {
            uint64_t limit = job.JobMemoryLimit, inUse = job.PeakJobMemoryUsed;
            uint64_t left = inUse < limit ? limit - inUse : 0;
            if (left < available) available = left;
        }
    }
    return available;
}

/* Console and clock */

// Bytes of a console write: more than any prompt or message with CR LF.
static const size_t CONSOLE_CHUNK = 4096;

void showText(const char *text) {
    // A file or pipe gets the runtime's text stream (CR LF line ends). A
    // console gets the same bytes straight from WriteFile, which shows
    // them in the console's code page: the runtime's own console writes
    // may pass a two-byte character on a byte at a time.
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (!GetConsoleMode(console, &mode)) {
        fputs(text, stdout);
        fflush(stdout);
        return;
    }
    fflush(stdout);
    char chunk[CONSOLE_CHUNK];
    size_t used = 0;
    for (const char *c = text;; c++) {
        if (*c == '\0' || used + 2 > sizeof chunk) {
            DWORD written;
            WriteFile(console, chunk, (DWORD)used, &written, nullptr);
            used = 0;
            if (*c == '\0') break;
        }
        if (*c == '\n') chunk[used++] = '\r';
        chunk[used++] = *c;
    }
}

bool standardErrorIsTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

uint64_t monotonicMilliseconds() {
    return GetTickCount64();
}

/* Saving */

// Temporary files are this prefix and random letters beside the target.
static const char TEMP_PREFIX[] = ".mz-";
static const int TEMP_RANDOM_LETTERS = 6;
static const int TEMP_TRIES = 100;

// Marks the temporary file of the save under way for removal when Ctrl-C,
// Ctrl-Break or a closing console window ends the process. The file was
// opened for deletion by others, so it goes as the process ends.
static BOOL WINAPI removeTemporaryOnClose(DWORD event) {
    (void)event;
    SaveFile *file = maze.pendingSave;
    if (file && file->tempName[0]) DeleteFileA(file->tempName);
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
// that an interruption can remove it, and wraps it in file->stream.
static bool openStream(SaveFile *file, const char *path, DWORD disposition, DWORD attributes) {
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    int fd = _open_osfhandle((intptr_t)handle, _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return false;
    }
    file->stream = _fdopen(fd, "wb");
    if (!file->stream) {
        _close(fd);
        return false;
    }
    return true;
}

// Creates a new temporary file beside the target and records it for the
// interrupt handler. Returns false when the folder takes no new file.
static bool createTemporary(SaveFile *file) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    size_t folder = folderLength(file->target);
    if (folder + sizeof TEMP_PREFIX + TEMP_RANDOM_LETTERS >= TARGET_PATH_SIZE) return false;
    uint64_t seed = GetTickCount64() * 2654435761u ^ GetCurrentProcessId();
    for (int attempt = 0; attempt < TEMP_TRIES; attempt++) {
        char *out = file->tempName + folder;
        memcpy(file->tempName, file->target, folder);
        memcpy(out, TEMP_PREFIX, sizeof TEMP_PREFIX - 1);
        out += sizeof TEMP_PREFIX - 1;
        for (int i = 0; i < TEMP_RANDOM_LETTERS; i++) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            *out++ = letters[(seed >> 33) % (sizeof letters - 1)];
        }
        *out = '\0';
        if (openStream(file, file->tempName, CREATE_NEW, FILE_ATTRIBUTE_NORMAL)) {
            maze.pendingSave = file;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    file->tempName[0] = '\0';
    return false;
}

static void removeTemporary(SaveFile *file) {
    if (file->tempName[0]) DeleteFileA(file->tempName);
    maze.pendingSave = nullptr;
    file->tempName[0] = '\0';
}

MazeStatus openTargetFile(SaveFile *file) {
    strcpy(file->target, file->finalName);
    DWORD attributes = GetFileAttributesA(file->target);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return MAZE_CANNOT_CREATE;

    // A file that a rename would cut from its other names, or no file on
    // the disk at all (a device), is written in place.
    bool replaceable = true;
    if (exists) {
        HANDLE handle = CreateFileA(file->target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                    FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return MAZE_CANNOT_CREATE;
        BY_HANDLE_FILE_INFORMATION information;
        replaceable = GetFileType(handle) == FILE_TYPE_DISK &&
                      GetFileInformationByHandle(handle, &information) &&
                      information.nNumberOfLinks == 1;
        CloseHandle(handle);
    }
    if (replaceable && createTemporary(file)) return MAZE_OK;
    if (!exists) return MAZE_CANNOT_CREATE;
    file->inPlace = true;
    return openStream(file, file->target, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL)
               ? MAZE_OK
               : MAZE_CANNOT_CREATE;
}

MazeStatus commitTargetFile(SaveFile *file, bool written) {
    // A device (NUL, a console) has nothing to flush to a disk.
    int fd = _fileno(file->stream);
    if (written && _commit(fd) != 0 && GetFileType((HANDLE)_get_osfhandle(fd)) == FILE_TYPE_DISK)
        written = false;
    if (fclose(file->stream) != 0) written = false;
    file->stream = nullptr;
    MazeStatus status = written ? MAZE_OK : MAZE_CANNOT_WRITE;
    if (written && !file->inPlace) {
        // The old file's attributes (hidden, system, archive) stay with the name.
        DWORD attributes = GetFileAttributesA(file->target);
        if (MoveFileExA(file->tempName, file->target,
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            file->tempName[0] = '\0';
            if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(file->target, attributes);
        } else {
            status = MAZE_CANNOT_CREATE;
        }
    }
    removeTemporary(file);
    return status;
}

void abandonTargetFile(SaveFile *file) {
    if (file->stream) fclose(file->stream);
    file->stream = nullptr;
    removeTemporary(file);
}
