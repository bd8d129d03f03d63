// Eller's carving with four records per column, in maze.cellList: the set
// id of the row's cell in that column, and indexed by set id, a union-find
// parent, a count of the set's cells and the set's cell chosen to go down.
// Set ids are below the width: the sets carried down keep their ids, and
// the row's new cells take the ids no set carried down holds.
#include "maze/carve_eller.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

// Records per column.
static const uint64_t COLUMN_RECORDS = 4;
// A cell that starts a set of its own in the next row; a set whose cell
// going down is not yet chosen.
static const uint32_t NO_SET = 0xFFFFFFFFu;

uint64_t ellerBytes(uint64_t width, uint64_t) {
    return COLUMN_RECORDS * width * sizeof(uint32_t);
}

RunStatus setUpEller() {
    return allocateCellList(COLUMN_RECORDS * (uint32_t)maze.mazeWidth) ? RUN_OK : RUN_NO_MEMORY;
}

// The set id at the root of `id`'s tree in `parent`, halving the path.
static uint32_t rootOf(uint32_t *parent, uint32_t id) {
    while (parent[id] != id) {
        parent[id] = parent[parent[id]];
        id = parent[id];
    }
    return id;
}

RunStatus carveEller() {
    uint32_t width = (uint32_t)maze.mazeWidth, height = (uint32_t)maze.mazeHeight;
    uint32_t *setOf = maze.cellList, *parent = setOf + width;
    uint32_t *cellsLeft = parent + width, *chosen = cellsLeft + width;
    for (uint32_t column = 0; column < width; column++) {
        setOf[column] = parent[column] = column;
        chosen[column] = NO_SET;
    }
    uint32_t carved = 0, reported = 0;
    for (uint32_t row = 0; row < height; row++) {
        uint32_t first = row * width;
        bool lastRow = row + 1 == height;
        // Across: neighbours of different sets, at random but in the last row.
        for (uint32_t column = 0; column + 1 < width; column++) {
            uint32_t a = rootOf(parent, setOf[column]), b = rootOf(parent, setOf[column + 1]);
            if (a == b || (!lastRow && drawChoice(2) != 0)) continue;
            carveWall(eastWallOf(first + column, row));
            carved++;
            if (a < b) parent[b] = a;
            else parent[a] = b;
        }
        if (lastRow) break;
        // Down: each set at its chosen cell (counted from its last cell in
        // the row, drawn at its first) and at any other by a coin.
        for (uint32_t column = 0; column < width; column++) {
            setOf[column] = rootOf(parent, setOf[column]);
            cellsLeft[setOf[column]] = 0;
        }
        for (uint32_t column = 0; column < width; column++) cellsLeft[setOf[column]]++;
        for (uint32_t column = 0; column < width; column++) {
            uint32_t id = setOf[column];
            if (chosen[id] == NO_SET) chosen[id] = drawChoice(cellsLeft[id]);
            bool isChosen = --cellsLeft[id] == chosen[id];
            if (isChosen || drawChoice(2) == 0) {
                carveWall(southWallOf(first + column));
                carved++;
            } else {
                setOf[column] = NO_SET;
            }
        }
        // The next row: the sets carried down keep their ids (marked in
        // cellsLeft), the new cells take free ones.
        for (uint32_t id = 0; id < width; id++) {
            cellsLeft[id] = 0;
            parent[id] = id;
            chosen[id] = NO_SET;
        }
        for (uint32_t column = 0; column < width; column++)
            if (setOf[column] != NO_SET) cellsLeft[setOf[column]] = 1;
        uint32_t freeId = 0;
        for (uint32_t column = 0; column < width; column++) {
            if (setOf[column] != NO_SET) continue;
            while (cellsLeft[freeId]) freeId++;
            setOf[column] = freeId++;
        }
        if (carved - reported >= PROGRESS_UNITS) showProgress(reported = carved);
    }
    return settleWallFlags();
}
