// Prim's carving over a list of the frontier's cells, in no particular
// order: a pick takes the entry at a random position and the last entry
// fills its place. A cell is on the frontier exactly while it is not reached
// and a neighbour is, so no mark of its own is needed: a cell joins the
// frontier when its first neighbour is reached.
#include "maze/carve_prim.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

uint64_t primBytes(uint64_t width, uint64_t height) {
    // Every cell but the first enters the frontier once at most.
    return bitBytes(width * height) + width * height * sizeof(uint32_t);
}

RunStatus setUpPrim() {
    return allocateReachedCells() && allocateCellList(maze.cellCount) ? RUN_OK : RUN_NO_MEMORY;
}

// Reaches `place` and puts on the frontier list (`frontier` entries long)
// its neighbours that were on it not before.
static void reach(const Place &place, uint32_t *frontier) {
    markReached(place.cell);
    int sides[SIDES];
    int count = sidesReached(place, false, sides);
    for (int i = 0; i < count; i++) {
        Place next = place;
        stepTo(&next, sides[i]);
        int reachedSides[SIDES];
        if (sidesReached(next, true, reachedSides) == 1) maze.cellList[(*frontier)++] = next.cell;
    }
}

RunStatus carvePrim() {
    uint32_t frontier = 0, carved = 0;
    reach(placeOf(drawChoice(maze.cellCount)), &frontier);
    while (frontier > 0) {
        uint32_t at = drawChoice(frontier);
        Place place = placeOf(maze.cellList[at]);
        maze.cellList[at] = maze.cellList[--frontier];
        int sides[SIDES];
        int count = sidesReached(place, true, sides);
        carveSide(place, sides[drawChoice(count)]);
        reach(place, &frontier);
        if (++carved % PROGRESS_UNITS == 0) showProgress(carved);
    }
    return settleWallFlags();
}
