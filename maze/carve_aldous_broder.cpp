// The Aldous-Broder walk, from a random cell until every cell is reached.
#include "maze/carve_aldous_broder.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

uint64_t aldousBroderBytes(uint64_t width, uint64_t height) {
    return bitBytes(width * height);
}

RunStatus setUpAldousBroder() {
    return allocateReachedCells() ? RUN_OK : RUN_NO_MEMORY;
}

RunStatus carveAldousBroder() {
    Place place = placeOf(drawChoice(maze.cellCount));
    markReached(place.cell);
    uint32_t carved = 0, steps = 0;
    while (carved + 1 < maze.cellCount) {
        int sides[SIDES];
        int side = sides[drawChoice(sidesInside(place.row, place.column, sides))];
        Place next = place;
        stepTo(&next, side);
        if (!isReached(next.cell)) {
            carveSide(place, side);
            markReached(next.cell);
            carved++;
        }
        place = next;
        // The last cells take most of the walk: it reports by steps.
        if (++steps % PROGRESS_UNITS == 0) showProgress(carved);
    }
    return settleWallFlags();
}
