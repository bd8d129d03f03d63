// Braiding: the dead ends in a list, taken out at random positions.
#include "maze/maze_braid.h"

#include <cstdlib>

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"

uint64_t braidBytes(uint64_t cells) {
    // The list of dead ends, which holds fewer than every cell.
    return cells * sizeof(uint32_t);
}

RunStatus braidMaze(uint32_t percent) {
    uint32_t deadEnds = 0;
    for (uint32_t cell = 0; cell < maze.cellCount; cell++) deadEnds += openSideCount(cell) == 1;
    if (deadEnds == 0) return RUN_OK;
    uint32_t *waiting = (uint32_t *)malloc((size_t)deadEnds * sizeof(uint32_t));
    if (!waiting) return RUN_NO_MEMORY;
    for (uint32_t cell = 0, count = 0; cell < maze.cellCount; cell++)
        if (openSideCount(cell) == 1) waiting[count++] = cell;

    uint32_t width = (uint32_t)maze.mazeWidth;
    for (uint32_t left = deadEnds; left > 0;) {
        // A dead end at a random position; the last one takes its place.
        uint32_t at = drawChoice(left);
        uint32_t cell = waiting[at];
        waiting[at] = waiting[--left];
        // One opened from its neighbour's turn is a dead end no more.
        if (openSideCount(cell) != 1) continue;
        if (percent < LARGEST_BRAID && drawChoice(LARGEST_BRAID) >= percent) continue;
        uint32_t row = cell / width;
        int inside[SIDES], closed[SIDES], towardsDeadEnd[SIDES];
        int insideCount = sidesInside(row, cell % width, inside);
        int closedCount = 0, deadEndCount = 0;
        for (int i = 0; i < insideCount; i++) {
            if (*wallFlagOn(cell, row, inside[i]) == 0) continue;
            closed[closedCount++] = inside[i];
            if (openSideCount(neighbourOn(cell, inside[i])) == 1)
                towardsDeadEnd[deadEndCount++] = inside[i];
        }
        // A dead end has one open side and at least two inside the grid.
        int side = deadEndCount > 0 ? towardsDeadEnd[drawChoice(deadEndCount)]
                                    : closed[drawChoice(closedCount)];
        *wallFlagOn(cell, row, side) = 0;
    }
    free(waiting);
    return RUN_OK;
}
