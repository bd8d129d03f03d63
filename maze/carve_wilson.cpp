// Wilson's carving. A walk keeps for each cell only the side it last left
// it by (2 bits): following those sides from the walk's start is the walk
// with its loops erased, as a loop's exits are overwritten when the walk
// leaves the loop's first cell again. The maze starts as one random cell;
// walks start from the cells not yet reached in index order, which leaves
// the distribution uniform whatever the order.
#include "maze/carve_wilson.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

uint64_t wilsonBytes(uint64_t width, uint64_t height) {
    return bitBytes(width * height) + sideBytes(width * height);
}

RunStatus setUpWilson() {
    return allocateReachedCells() && allocateCellSides() ? RUN_OK : RUN_NO_MEMORY;
}

RunStatus carveWilson() {
    markReached(drawChoice(maze.cellCount));
    uint32_t carved = 0, steps = 0;
    for (uint32_t start = 0; start < maze.cellCount; start++) {
        if (isReached(start)) continue;
        // The walk, until it meets the maze.
        Place place = placeOf(start);
        while (!isReached(place.cell)) {
            int sides[SIDES];
            int side = sides[drawChoice(sidesInside(place.row, place.column, sides))];
            setSideAt(place.cell, side);
            stepTo(&place, side);
            if (++steps % PROGRESS_UNITS == 0) showProgress(carved);
        }
        // Its path without loops joins the maze.
        place = placeOf(start);
        while (!isReached(place.cell)) {
            markReached(place.cell);
            int side = sideAt(place.cell);
            carveSide(place, side);
            stepTo(&place, side);
            carved++;
        }
    }
    return settleWallFlags();
}
