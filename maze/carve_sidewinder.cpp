// The sidewinder, a row at a time from the top.
#include "maze/carve_sidewinder.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

uint64_t sidewinderBytes(uint64_t, uint64_t) {
    return 0;
}

RunStatus setUpSidewinder() {
    return RUN_OK;
}

RunStatus carveSidewinder() {
    uint32_t width = (uint32_t)maze.mazeWidth, height = (uint32_t)maze.mazeHeight;
    for (uint32_t column = 0; column + 1 < width; column++) carveWall(eastWallOf(column, 0));
    uint32_t carved = width - 1, reported = 0;
    for (uint32_t row = 1; row < height; row++) {
        uint32_t first = row * width, runStart = 0;
        for (uint32_t column = 0; column < width; column++) {
            uint32_t cell = first + column;
            // The run goes on east by a coin, but not past the last column.
            if (column + 1 < width && drawChoice(2) == 0) {
                carveWall(eastWallOf(cell, row));
            } else {
                carveWall(northWallOf(first + runStart + drawChoice(column - runStart + 1)));
                runStart = column + 1;
            }
            carved++;
        }
        if (carved - reported >= PROGRESS_UNITS) showProgress(reported = carved);
    }
    return settleWallFlags();
}
