// Temporary-file-and-rename saving for the text and bitmap writers.
#include "output/save_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

// Short, so that a typed name of up to 255 bytes still fits beside it.
static const char TEMP_PATTERN[] = ".mz-XXXXXX";
// Stream buffer of an output file: large writes keep big mazes fast.
static const size_t STREAM_BUFFER_SIZE = 1 << 16;

// Splits `path` into its folder (with the trailing slash, or empty for the
// current folder) copied to `folder`, and returns the offset of the name.
static size_t splitFolder(const char *path, char *folder, size_t capacity) {
    const char *slash = strrchr(path, '/');
    size_t folderLength = slash ? (size_t)(slash - path) + 1 : 0;
    if (folderLength >= capacity) folderLength = capacity - 1;
    memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    return folderLength;
}

// True when the last component of `path` is longer than its folder allows.
static bool nameTooLong(const char *path, const char *folder) {
    const char *name = path + strlen(folder);
    long nameMax = pathconf(folder[0] ? folder : ".", _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = 255;
    return strlen(name) > (size_t)nameMax;
}

MazeStatus openSaveFile(SaveFile *file, const char *filename, const char *extension) {
    memset(file, 0, sizeof *file);
    size_t nameLength = strnlen(filename, FILENAME_BUFFER_SIZE - 1);
    size_t extensionLength = strlen(extension);
    memcpy(file->finalName, filename, nameLength);
    memcpy(file->finalName + nameLength, extension, extensionLength + 1);

    char folder[TEMP_NAME_SIZE];
    size_t folderLength = splitFolder(file->finalName, folder, sizeof folder - sizeof TEMP_PATTERN);
    if (nameTooLong(file->finalName, folder)) return MAZE_CANNOT_CREATE;
    memcpy(file->tempName, folder, folderLength);
    memcpy(file->tempName + folderLength, TEMP_PATTERN, sizeof TEMP_PATTERN);

    int fd = mkstemp(file->tempName);
    if (fd < 0) return MAZE_CANNOT_CREATE;
    // mkstemp makes the file private; give it the mode a new file would get.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    file->stream = fdopen(fd, "wb");
    if (!file->stream) {
        close(fd);
        unlink(file->tempName);
        return MAZE_CANNOT_CREATE;
    }
    setvbuf(file->stream, nullptr, _IOFBF, STREAM_BUFFER_SIZE);
    return MAZE_OK;
}

bool writeSaveFile(SaveFile *file, const void *data, size_t size) {
    return fwrite(data, 1, size, file->stream) == size;
}

MazeStatus commitSaveFile(SaveFile *file) {
    bool failed = ferror(file->stream) != 0;
    if (fflush(file->stream) != 0) failed = true;
    if (!failed && fsync(fileno(file->stream)) != 0 && errno != EINVAL) failed = true;
    if (fclose(file->stream) != 0) failed = true;
    file->stream = nullptr;
    if (failed) {
        unlink(file->tempName);
        return MAZE_CANNOT_WRITE;
    }
    if (rename(file->tempName, file->finalName) != 0) {
        unlink(file->tempName);
        return MAZE_CANNOT_CREATE;
    }
    return MAZE_OK;
}

void abandonSaveFile(SaveFile *file) {
    if (file->stream) fclose(file->stream);
    file->stream = nullptr;
    unlink(file->tempName);
}
