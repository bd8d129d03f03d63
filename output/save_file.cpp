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

// True when `name` is longer than `folder` ("" for the current folder)
// allows for one of its entries.
static bool nameTooLong(const char *folder, const char *name) {
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

    // The temporary file goes in the final name's folder, so that the
    // rename never crosses file systems.
    const char *slash = strrchr(file->finalName, '/');
    size_t folderLength = slash ? (size_t)(slash - file->finalName) + 1 : 0;
    memcpy(file->tempName, file->finalName, folderLength);
    file->tempName[folderLength] = '\0';
    if (nameTooLong(file->tempName, file->finalName + folderLength)) return MAZE_CANNOT_CREATE;
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
