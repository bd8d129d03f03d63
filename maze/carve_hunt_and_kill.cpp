// Hunt-and-kill in linear time. The hunt goes on from where the last one
// stopped: every cell before that one is reached, so the first cell not yet
// reached from there on is beside the maze (its north neighbour, or in the
// top row its west one, comes before it) and is the one a hunt from the top
// would find. The walk starts at the top-left cell.
#include "maze/carve_hunt_and_kill.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

uint64_t huntAndKillBytes(uint64_t width, uint64_t height) {
    return bitBytes(width * height);
}

RunStatus setUpHuntAndKill() {
    return allocateReachedCells() ? RUN_OK : RUN_NO_MEMORY;
}

// The first cell at or after `from` that is not reached, or cellCount when
// every one is; whole words of reached cells are passed at once.
static uint32_t firstUnreached(uint32_t from) {
    uint64_t at = from;
    while (at < maze.cellCount) {
        uint64_t rest = ~maze.reachedCells[at / 64] >> (at % 64);
        if (rest != 0) {
            at += (uint64_t)__builtin_ctzll(rest);
            break;
        }
        at = (at / 64 + 1) * 64;
    }
    return at < maze.cellCount ? (uint32_t)at : maze.cellCount;
}

RunStatus carveHuntAndKill() {
    Place place = placeOf(0);
    markReached(0);
    uint32_t hunted = 0, carved = 0;
    for (;;) {
        if (carveIntoUnreached(&place) == SIDES) {
            hunted = firstUnreached(hunted);
            if (hunted == maze.cellCount) break;
            place = placeOf(hunted);
            int sides[SIDES];
            int count = sidesReached(place, true, sides);
            carveSide(place, sides[drawChoice(count)]);
        }
        markReached(place.cell);
        if (++carved % PROGRESS_UNITS == 0) showProgress(carved);
    }
    return settleWallFlags();
}
