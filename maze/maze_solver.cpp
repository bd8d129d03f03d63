// Finding the way through: a walk of the maze's tree from the exit that
// keeps, for each cell it reaches, only the side its parent lies on (2
// bits), and so needs no stack. Once the walk reaches cell 0, the parents
// from there lead back to the exit along the way.
#include "maze/maze_solver.h"

#include <cstdlib>

#include "platform/progress.h"

// The sides of a cell, as the raster numbers them.
enum Side { NORTH = 0, EAST = 1, SOUTH = 2, WEST = 3, SIDES = 4 };
// Cells visited between two reports to the progress line.
static const uint32_t PROGRESS_CELLS = 1u << 16;
// Cells whose parent sides share one byte.
static const uint32_t SIDES_PER_BYTE = 4;

// The side opposite `side`.
static int opposite(int side) {
    return (side + 2) % SIDES;
}

// The neighbour of `cell` on `side` when the wall between them has been
// carved away, else NO_CELL (a standing wall or the border).
static uint32_t openNeighbour(uint32_t cell, int side) {
    uint32_t width = (uint32_t)maze.mazeWidth, row = cell / width, column = cell % width;
    switch (side) {
    case NORTH: return row > 0 && maze.southWalls[cell - width] == 0 ? cell - width : NO_CELL;
    case EAST:
        return column + 1 < width && maze.eastWalls[eastWallOf(cell, row)] == 0 ? cell + 1 : NO_CELL;
    case SOUTH:
        return cell + width < maze.cellCount && maze.southWalls[cell] == 0 ? cell + width : NO_CELL;
    default: return column > 0 && maze.eastWalls[westWallOf(cell, row)] == 0 ? cell - 1 : NO_CELL;
    }
}

static int parentSide(const uint8_t *sides, uint32_t cell) {
    return sides[cell / SIDES_PER_BYTE] >> (2 * (cell % SIDES_PER_BYTE)) & 3;
}

static void setParentSide(uint8_t *sides, uint32_t cell, int side) {
    uint8_t *byte = &sides[cell / SIDES_PER_BYTE];
    int shift = 2 * (int)(cell % SIDES_PER_BYTE);
    *byte = (uint8_t)((*byte & ~(3 << shift)) | side << shift);
}

RunStatus findWay() {
    uint32_t last = maze.cellCount - 1;
    uint8_t *sides = (uint8_t *)calloc(maze.cellCount / SIDES_PER_BYTE + 1, 1);
    free(maze.wayCells);
    maze.wayCells = (uint64_t *)calloc((size_t)wallWordCount(maze.cellCount), sizeof(uint64_t));
    if (!sides || !maze.wayCells) {
        free(sides);
        free(maze.wayCells);
        maze.wayCells = nullptr;
        return RUN_NO_MEMORY;
    }
    // Depth first from the exit: at each cell the sides are tried in
    // order, skipping the parent's; a cell whose sides are all tried hands
    // the walk back to its parent, which goes on with the side after it.
    uint32_t cell = last, visited = 1;
    int side = NORTH;
    // A perfect maze joins every cell to the exit, so the walk reaches cell
    // 0 before it could come back to the exit with every side tried.
    while (cell != 0) {
        if (side == SIDES) {
            int up = parentSide(sides, cell);
            cell = openNeighbour(cell, up);
            side = opposite(up) + 1;
            continue;
        }
        uint32_t next = side == parentSide(sides, cell) && cell != last ? NO_CELL
                                                                        : openNeighbour(cell, side);
        if (next == NO_CELL) {
            side++;
            continue;
        }
        setParentSide(sides, next, opposite(side));
        cell = next;
        side = NORTH;
        if (++visited % PROGRESS_CELLS == 0) showProgress(visited);
    }
    // From the entrance back along the parents to the exit.
    maze.wayLength = 1;
    for (cell = 0;; maze.wayLength++) {
        maze.wayCells[cell / 64] |= UINT64_C(1) << (cell % 64);
        if (cell == last) break;
        cell = openNeighbour(cell, parentSide(sides, cell));
    }
    free(sides);
    return RUN_OK;
}

uint32_t nextOnWay(uint32_t cell, uint32_t previous) {
    if (cell == maze.cellCount - 1) return NO_CELL;
    for (int side = NORTH; side < SIDES; side++) {
        uint32_t next = openNeighbour(cell, side);
        if (next != NO_CELL && next != previous && onWay(next)) return next;
    }
    return NO_CELL;
}
