// Finding the way through. In a perfect maze: a walk of the maze's tree
// from the exit that keeps, for each cell it reaches, only the side its
// parent lies on (2 bits), and so needs no stack; once the walk reaches cell
// 0, the parents from there lead back to the exit along the way. In a maze
// with loops: a breadth-first search from cell 0 that keeps the same 2 bits
// a cell, whose parents lead back from the exit along a shortest way.
#include "maze/maze_solver.h"

#include <cstdlib>

#include "maze/maze_grid.h"
#include "platform/progress.h"

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

uint64_t wayBytes(uint64_t cells, bool shortest) {
    uint64_t walk = sideBytes(cells) + bitBytes(cells);
    return shortest ? walk + bitBytes(cells) + cells * sizeof(uint32_t) : walk;
}

// Marks in maze.wayCells the cells from `from` along the parents' sides in
// `sides` to the cell that has none to follow, `to`; sets maze.wayLength.
static void markWay(const uint8_t *sides, uint32_t from, uint32_t to) {
    maze.wayLength = 1;
    for (uint32_t cell = from;; maze.wayLength++) {
        maze.wayCells[cell / 64] |= UINT64_C(1) << (cell % 64);
        if (cell == to) break;
        cell = openNeighbour(cell, parentSide(sides, cell));
    }
}

// Breadth first from cell 0 until the exit is reached, each cell's parent
// side in `sides`, then marks the way from the exit back. Returns RUN_OK or
// RUN_NO_MEMORY.
static RunStatus findShortestWay(uint8_t *sides) {
    uint32_t last = maze.cellCount - 1;
    uint64_t *seen = (uint64_t *)calloc(1, (size_t)bitBytes(maze.cellCount));
    uint32_t *queue = (uint32_t *)malloc((size_t)maze.cellCount * sizeof(uint32_t));
    if (!seen || !queue) {
        free(seen);
        free(queue);
        return RUN_NO_MEMORY;
    }
    seen[0] = 1;
    queue[0] = 0;
    // Every cell enters the queue once at most; the exit is reached, as
    // braiding only opens walls of a perfect maze.
    for (uint32_t head = 0, tail = 1; head < tail; head++) {
        uint32_t cell = queue[head];
        if (cell == last) break;
        if (head % PROGRESS_UNITS == 0) showProgress(head);
        for (int side = NORTH; side < SIDES; side++) {
            uint32_t next = openNeighbour(cell, side);
            if (next == NO_CELL || (seen[next / 64] >> (next % 64) & 1)) continue;
            seen[next / 64] |= UINT64_C(1) << (next % 64);
            setParentSide(sides, next, oppositeSide(side));
            queue[tail++] = next;
        }
    }
    free(seen);
    free(queue);
    markWay(sides, last, 0);
    return RUN_OK;
}

RunStatus findWay() {
    uint32_t last = maze.cellCount - 1;
    uint8_t *sides = (uint8_t *)calloc((size_t)sideBytes(maze.cellCount), 1);
    free(maze.wayCells);
    maze.wayCells = (uint64_t *)calloc((size_t)wallWordCount(maze.cellCount), sizeof(uint64_t));
    if (!sides || !maze.wayCells) {
        free(sides);
        free(maze.wayCells);
        maze.wayCells = nullptr;
        return RUN_NO_MEMORY;
    }
    if (maze.braidPercent > 0) {
        RunStatus status = findShortestWay(sides);
        free(sides);
        if (status != RUN_OK) {
            free(maze.wayCells);
            maze.wayCells = nullptr;
        }
        return status;
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
            side = oppositeSide(up) + 1;
            continue;
        }
        uint32_t next = side == parentSide(sides, cell) && cell != last ? NO_CELL
                                                                        : openNeighbour(cell, side);
        if (next == NO_CELL) {
            side++;
            continue;
        }
        setParentSide(sides, next, oppositeSide(side));
        cell = next;
        side = NORTH;
        if (++visited % PROGRESS_UNITS == 0) showProgress(visited);
    }
    // From the entrance back along the parents to the exit.
    markWay(sides, 0, last);
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
