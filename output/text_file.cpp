// Writer of the text maze file.
#include "output/text_file.h"

#include <cstring>

#include "output/save_file.h"

static const char TEXT_EXTENSION[] = ".txt";
// Lines are gathered in a block of this many bytes before each write.
static const size_t TEXT_BLOCK_SIZE = 1 << 16;
// Longest line: a sign, ten digits, CR and LF.
static const size_t LONGEST_LINE = 13;

// Formats `value` in decimal followed by CR LF at `out`; returns its length.
// The line end is written byte by byte, so the file is the same on every
// system.
static size_t formatLine(char *out, int32_t value) {
    char digits[10];
    size_t count = 0, length = 0;
    int64_t magnitude = value;
    if (magnitude < 0) {
        out[length++] = '-';
        magnitude = -magnitude;
    }
    do {
        digits[count++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    while (count > 0) out[length++] = digits[--count];
    out[length++] = '\r';
    out[length++] = '\n';
    return length;
}

// Appends the lines of `count` values from `values` to `file` through
// `block`, whose first `*used` bytes are pending. Returns false on a write
// error.
static bool writeLines(SaveFile *file, char *block, size_t *used, const int32_t *values,
                       uint32_t count) {
    for (uint32_t i = 0; i < count; i++) {
        if (*used + LONGEST_LINE > TEXT_BLOCK_SIZE) {
            if (!writeSaveFile(file, block, *used)) return false;
            *used = 0;
        }
        *used += formatLine(block + *used, values[i]);
    }
    return true;
}

MazeStatus saveText(const char *filename) {
    SaveFile file;
    MazeStatus status = openSaveFile(&file, filename, TEXT_EXTENSION);
    if (status != MAZE_OK) return status;

    static char block[TEXT_BLOCK_SIZE];
    size_t used = 0;
    const int32_t sizes[2] = {maze.mazeWidth, maze.mazeHeight};
    bool written = writeLines(&file, block, &used, sizes, 2) &&
                   writeLines(&file, block, &used, maze.eastWalls, maze.eastWallCount) &&
                   writeLines(&file, block, &used, maze.southWalls, maze.southWallCount) &&
                   writeSaveFile(&file, block, used);
    if (!written) {
        abandonSaveFile(&file);
        return MAZE_CANNOT_WRITE;
    }
    return commitSaveFile(&file);
}
