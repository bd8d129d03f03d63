// The backtracker without recursion: the walk's path back to the top-left
// cell is a stack of the sides it stepped through, 2 bits a step, so that a
// path millions of cells deep (a 2 x 3000000 maze) takes a quarter of a
// byte a cell.
#include "maze/carve_backtracker.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

uint64_t backtrackerBytes(uint64_t width, uint64_t height) {
    return bitBytes(width * height) + sideBytes(width * height);
}

RunStatus setUpBacktracker() {
    return allocateReachedCells() && allocateCellSides() ? RUN_OK : RUN_NO_MEMORY;
}

RunStatus carveBacktracker() {
    Place place = placeOf(0);
    markReached(0);
    uint32_t depth = 0, carved = 0;
    for (;;) {
        int side = carveIntoUnreached(&place);
        if (side != SIDES) {
            setSideAt(depth++, side);
            markReached(place.cell);
            if (++carved % PROGRESS_UNITS == 0) showProgress(carved);
        } else {
            // Every cell is reached once the walk is back at the start.
            if (depth == 0) break;
            stepTo(&place, oppositeSide(sideAt(--depth)));
        }
    }
    return settleWallFlags();
}
