// Recursive division without recursion: the chambers still to split wait
// on a work list. Of the two halves of a split, the larger waits and the
// smaller is split first, so that the chambers above a waiting one come
// from a half at most as large as its parent: the list holds one chamber
// per halving of the grid's cells and one more, fewer than 34 for the 2^32
// cells a maze may have.
#include "maze/carve_division.h"

#include <cstring>

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

// A rectangle of cells with no interior wall yet.
struct Chamber {
    uint32_t column;  // its left column
    uint32_t row;     // its top row
    uint32_t width;   // columns across, at least 1
    uint32_t height;  // rows down, at least 1
};

// Chambers the work list holds at most: a halving of the cells each, and
// the one being split.
static const uint32_t MOST_CHAMBERS = 34;

uint64_t divisionBytes(uint64_t, uint64_t) {
    return 0;
}

RunStatus setUpDivision() {
    memset(maze.carvedWalls, 0xFF, (size_t)bitBytes(maze.wallCount));
    return RUN_OK;
}

// The cells of `chamber`.
static uint64_t cellsOf(const Chamber &chamber) {
    return (uint64_t)chamber.width * chamber.height;
}

RunStatus carveDivision() {
    uint32_t width = (uint32_t)maze.mazeWidth;
    Chamber waiting[MOST_CHAMBERS];
    uint32_t count = 0;
    waiting[count++] = Chamber{0, 0, width, (uint32_t)maze.mazeHeight};
    // Walls left carved: each gap, and the walls inside a chamber too
    // narrow to split, which make a straight corridor.
    uint64_t carved = 0, reported = 0;
    while (count > 0) {
        Chamber chamber = waiting[--count];
        if (chamber.width < 2 || chamber.height < 2) {
            carved += cellsOf(chamber) - 1;
            if (carved - reported >= PROGRESS_UNITS) showProgress(reported = carved);
            continue;
        }
        bool across = chamber.width < chamber.height ||
                      (chamber.width == chamber.height && drawChoice(2) == 0);
        Chamber first = chamber, second = chamber;
        if (across) {
            // A wall along the south side of row `row`, with one gap.
            uint32_t above = 1 + drawChoice(chamber.height - 1), gap = drawChoice(chamber.width);
            uint32_t row = chamber.row + above - 1;
            for (uint32_t i = 0; i < chamber.width; i++)
                if (i != gap) raiseWall(southWallOf(row * width + chamber.column + i));
            first.height = above;
            second.row += above;
            second.height -= above;
        } else {
            // A wall along the east side of column `column`, with one gap.
            uint32_t left = 1 + drawChoice(chamber.width - 1), gap = drawChoice(chamber.height);
            uint32_t column = chamber.column + left - 1;
            for (uint32_t i = 0; i < chamber.height; i++) {
                uint32_t row = chamber.row + i;
                if (i != gap) raiseWall(eastWallOf(row * width + column, row));
            }
            first.width = left;
            second.column += left;
            second.width -= left;
        }
        carved++;
        bool firstLarger = cellsOf(first) >= cellsOf(second);
        waiting[count++] = firstLarger ? first : second;
        waiting[count++] = firstLarger ? second : first;
    }
    return settleWallFlags();
}
