// Writers of the text maze file and of the way through.
#include "output/text_file.h"

#include <cstring>

#include "maze/maze_solver.h"
#include "maze/maze_state.h"
#include "output/save_file.h"
#include "platform/progress.h"

// Lines are gathered in a block of this many bytes, which goes to the file
// in one write.
static const size_t TEXT_BLOCK_SIZE = 1 << 16;
// Longest line: the 10 digits of a 32-bit value, CR and LF.
static const size_t LONGEST_LINE = 12;

// Formats `value` in decimal followed by CR LF at `out`; returns its length.
// Every value the files hold (sizes, wall flags, cell indices) is a whole
// number. The line end is written byte by byte, so the file is the same on
// every system.
static size_t formatLine(char *out, uint32_t value) {
    char digits[LONGEST_LINE];
    size_t count = 0, length = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count > 0) out[length++] = digits[--count];
    out[length++] = '\r';
    out[length++] = '\n';
    return length;
}

// Lines gathered for the next write.
struct TextBlock {
    char bytes[TEXT_BLOCK_SIZE];  // formatted lines
    size_t used;                  // bytes of them not yet written
    uint64_t lines;               // lines formatted so far, for the progress line
};

// Appends the line of `value` to the file being saved through `block`,
// writing the block out first when it is full. Returns false on a write
// error.
static bool writeLine(TextBlock *block, uint32_t value) {
    if (block->used + LONGEST_LINE > TEXT_BLOCK_SIZE) {
        if (!writeSaveFile(block->bytes, block->used)) return false;
        block->used = 0;
        showProgress(block->lines);
    }
    block->used += formatLine(block->bytes + block->used, value);
    block->lines++;
    return true;
}

// Appends the lines of `count` values from `values`. Returns false on a
// write error.
static bool writeLines(TextBlock *block, const int32_t *values, uint32_t count) {
    for (uint32_t i = 0; i < count; i++)
        if (!writeLine(block, (uint32_t)values[i])) return false;
    return true;
}

// The block of the save under way.
static TextBlock block;

RunStatus saveText(const char *filename) {
    RunStatus status = openSaveFile(filename, TEXT_EXTENSION, 2 + (uint64_t)maze.wallCount);
    if (status != RUN_OK) return status;

    block.used = 0;
    block.lines = 0;
    const int32_t sizes[2] = {maze.mazeWidth, maze.mazeHeight};
    bool written = writeLines(&block, sizes, 2) &&
                   writeLines(&block, maze.eastWalls, maze.eastWallCount) &&
                   writeLines(&block, maze.southWalls, maze.southWallCount) &&
                   writeSaveFile(block.bytes, block.used);
    return finishSaveFile(written);
}

RunStatus saveWayText(const char *filename) {
    RunStatus status = openSaveFile(filename, WAY_TEXT_EXTENSION, maze.wayLength);
    if (status != RUN_OK) return status;
    block.used = 0;
    block.lines = 0;
    bool written = true;
    for (uint32_t cell = 0, previous = NO_CELL; written && cell != NO_CELL;) {
        written = writeLine(&block, cell);
        uint32_t next = nextOnWay(cell, previous);
        previous = cell;
        cell = next;
    }
    written = written && writeSaveFile(block.bytes, block.used);
    return finishSaveFile(written);
}
