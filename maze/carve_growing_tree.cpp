// The growing tree over a list kept in the order cells joined it: a cell
// that leaves it from the middle is struck out where it stands, so that
// "newest" keeps its meaning, and the struck-out entries are squeezed out
// whenever they outnumber the active cells. A random pick among the active
// cells draws a position in the whole list and draws again on a struck-out
// entry, fewer than two draws a pick on average.
#include "maze/carve_growing_tree.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

// An entry of the list struck out.
static const uint32_t STRUCK_OUT = 0xFFFFFFFFu;

uint64_t growingTreeBytes(uint64_t width, uint64_t height) {
    // Every cell enters the list once.
    return bitBytes(width * height) + width * height * sizeof(uint32_t);
}

RunStatus setUpGrowingTree() {
    return allocateReachedCells() && allocateCellList(maze.cellCount) ? RUN_OK : RUN_NO_MEMORY;
}

// Squeezes the struck-out entries out of the first `length` of the list,
// keeping the order of the rest; returns the new length.
static uint32_t squeeze(uint32_t length) {
    uint32_t kept = 0;
    for (uint32_t i = 0; i < length; i++)
        if (maze.cellList[i] != STRUCK_OUT) maze.cellList[kept++] = maze.cellList[i];
    return kept;
}

RunStatus carveGrowingTree() {
    uint32_t *list = maze.cellList;
    list[0] = drawChoice(maze.cellCount);
    markReached(list[0]);
    // The list's entries and the active cells among them; the last entry
    // is always active.
    uint32_t length = 1, active = 1, carved = 0;
    while (active > 0) {
        uint32_t at = length - 1;
        if (drawChoice(2) != 0)
            do at = drawChoice(length);
            while (list[at] == STRUCK_OUT);
        Place place = placeOf(list[at]);
        if (carveIntoUnreached(&place) != SIDES) {
            markReached(place.cell);
            list[length++] = place.cell;
            active++;
            if (++carved % PROGRESS_UNITS == 0) showProgress(carved);
            continue;
        }
        list[at] = STRUCK_OUT;
        active--;
        while (length > 0 && list[length - 1] == STRUCK_OUT) length--;
        if (length - active > active) length = squeeze(length);
    }
    return settleWallFlags();
}
