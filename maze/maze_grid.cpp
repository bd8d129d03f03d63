// The grid's sides and the allocation of the carvings' marks.
#include "maze/maze_grid.h"

#include <cstdlib>

#include "maze/maze_random.h"

int sidesInside(uint32_t row, uint32_t column, int sides[SIDES]) {
    int count = 0;
    if (row > 0) sides[count++] = NORTH;
    if (column + 1 < (uint32_t)maze.mazeWidth) sides[count++] = EAST;
    if (row + 1 < (uint32_t)maze.mazeHeight) sides[count++] = SOUTH;
    if (column > 0) sides[count++] = WEST;
    return count;
}

int sidesReached(const Place &place, bool reached, int sides[SIDES]) {
    int inside[SIDES];
    int insideCount = sidesInside(place.row, place.column, inside), count = 0;
    for (int i = 0; i < insideCount; i++)
        if (isReached(neighbourOn(place.cell, inside[i])) == reached) sides[count++] = inside[i];
    return count;
}

int carveIntoUnreached(Place *place) {
    int sides[SIDES];
    int count = sidesReached(*place, false, sides);
    if (count == 0) return SIDES;
    int side = sides[drawChoice(count)];
    carveSide(*place, side);
    stepTo(place, side);
    return side;
}

int openSideCount(uint32_t cell) {
    uint32_t width = (uint32_t)maze.mazeWidth, row = cell / width;
    int sides[SIDES];
    int inside = sidesInside(row, cell % width, sides), open = 0;
    for (int i = 0; i < inside; i++) open += *wallFlagOn(cell, row, sides[i]) == 0;
    return open;
}

uint64_t sideBytes(uint64_t count) {
    return count / SIDES_PER_BYTE + 1;
}

bool allocateReachedCells() {
    maze.reachedCells = (uint64_t *)calloc(1, (size_t)bitBytes(maze.cellCount));
    return maze.reachedCells != nullptr;
}

bool allocateCellSides() {
    maze.cellSides = (uint8_t *)calloc(1, (size_t)sideBytes(maze.cellCount));
    return maze.cellSides != nullptr;
}

bool allocateCellList(uint64_t count) {
    maze.cellList = (uint32_t *)malloc((size_t)count * sizeof(uint32_t));
    return maze.cellList != nullptr;
}
