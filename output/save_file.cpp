// Saving for the text and bitmap writers; where and how a file is opened,
// synced and put in place is the platform's part.
#include "output/save_file.h"

#include <cstring>

#include "platform/platform.h"

// Stream buffer of an output file: large writes keep big mazes fast.
static const size_t STREAM_BUFFER_SIZE = 1 << 16;

MazeStatus openSaveFile(SaveFile *file, const char *filename, const char *extension) {
    memset(file, 0, sizeof *file);
    file->folder = -1;
    size_t nameLength = strnlen(filename, FILENAME_BUFFER_SIZE - 1);
    size_t extensionLength = strlen(extension);
    memcpy(file->finalName, filename, nameLength);
    memcpy(file->finalName + nameLength, extension, extensionLength + 1);
    MazeStatus status = openTargetFile(file);
    if (status == MAZE_OK) setvbuf(file->stream, nullptr, _IOFBF, STREAM_BUFFER_SIZE);
    return status;
}

bool writeSaveFile(SaveFile *file, const void *data, size_t size) {
    return fwrite(data, 1, size, file->stream) == size;
}

MazeStatus commitSaveFile(SaveFile *file) {
    bool written = ferror(file->stream) == 0;
    if (fflush(file->stream) != 0) written = false;
    return commitTargetFile(file, written);
}

void abandonSaveFile(SaveFile *file) {
    abandonTargetFile(file);
}
