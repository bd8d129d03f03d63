// The grid as the carvings see it: the four sides of a cell, its
// neighbours and the wall on each side, the carved-wall bits, and the marks
// the carvings keep per cell (a bit for a cell joined to the maze, two bits
// for a side).
#ifndef MAZE_MAZE_GRID_H
#define MAZE_MAZE_GRID_H

#include <cstdint>

#include "maze/maze_state.h"

// Units of a carving's work (walls carved, steps walked) between two
// reports to the progress line.
const uint32_t PROGRESS_UNITS = 1u << 16;

// The sides of a cell, clockwise from the north; opposite sides differ in
// bit 1.
enum Side { NORTH = 0, EAST = 1, SOUTH = 2, WEST = 3, SIDES = 4 };

// The side opposite `side`.
inline int oppositeSide(int side) {
    return side ^ 2;
}

// The neighbour of `cell` on `side`, which lies inside the grid.
inline uint32_t neighbourOn(uint32_t cell, int side) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    switch (side) {
    case NORTH: return cell - width;
    case EAST: return cell + 1;
    case SOUTH: return cell + width;
    default: return cell - 1;
    }
}

// The wall id on `side` of `cell` in row `row`; the side lies inside the grid.
inline uint32_t wallOn(uint32_t cell, uint32_t row, int side) {
    switch (side) {
    case NORTH: return northWallOf(cell);
    case EAST: return eastWallOf(cell, row);
    case SOUTH: return southWallOf(cell);
    default: return westWallOf(cell, row);
    }
}

// The sides of the cell at `row`, `column` that lie inside the grid, in
// side order into `sides`; returns how many (2 to 4).
int sidesInside(uint32_t row, uint32_t column, int sides[SIDES]);

// A cell with its row and column, for walks that step from cell to cell
// without dividing.
struct Place {
    uint32_t cell;    // the cell's index, row * width + column
    uint32_t row;     // its row, from the top
    uint32_t column;  // its column, from the left
};

// The place of `cell`.
inline Place placeOf(uint32_t cell) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    return Place{cell, cell / width, cell % width};
}

// Moves `place` to its neighbour on `side`, which lies inside the grid.
// Steps by table, not by branches: a random walk's side is unforeseeable.
inline void stepTo(Place *place, int side) {
    static const uint32_t ROW_STEP[SIDES] = {0xFFFFFFFFu, 0, 1, 0};     // -1 wraps back
    static const uint32_t COLUMN_STEP[SIDES] = {0, 1, 0, 0xFFFFFFFFu};
    place->row += ROW_STEP[side];
    place->column += COLUMN_STEP[side];
    place->cell = place->row * (uint32_t)maze.mazeWidth + place->column;
}

// The sides of `place` inside the grid whose neighbour is reached
// (`reached` true) or not yet reached (false), in side order into `sides`;
// returns how many.
int sidesReached(const Place &place, bool reached, int sides[SIDES]);

/* The settled wall flags: maze.eastWalls and maze.southWalls, 0 = carved away */

// The flag of the wall on `side` of `cell` in row `row`, a side inside the grid.
inline int32_t *wallFlagOn(uint32_t cell, uint32_t row, int side) {
    uint32_t wallId = wallOn(cell, row, side);
    return wallId < maze.eastWallCount ? &maze.eastWalls[wallId]
                                       : &maze.southWalls[wallId - maze.eastWallCount];
}

// How many sides of `cell` are open by the settled flags (the border is
// closed).
int openSideCount(uint32_t cell);

/* The carved walls: maze.carvedWalls, 1 = carved away */

// Carves wall id `wallId` away.
inline void carveWall(uint32_t wallId) {
    maze.carvedWalls[wallId / 64] |= UINT64_C(1) << (wallId % 64);
}

// Carves away the wall on `side` of `place`, a side inside the grid.
inline void carveSide(const Place &place, int side) {
    carveWall(wallOn(place.cell, place.row, side));
}

// Carves from `place` into a neighbour not yet reached, drawn among them
// with drawChoice, and moves `place` there without marking it reached;
// returns the side it went through, or SIDES, without a draw, when every
// neighbour is reached already.
int carveIntoUnreached(Place *place);

// Stands wall id `wallId` up again (the division's walls).
inline void raiseWall(uint32_t wallId) {
    maze.carvedWalls[wallId / 64] &= ~(UINT64_C(1) << (wallId % 64));
}

/* The cells joined to the maze: maze.reachedCells */

// True when `cell` is joined to the maze.
inline bool isReached(uint32_t cell) {
    return (maze.reachedCells[cell / 64] >> (cell % 64) & 1) != 0;
}

// Marks `cell` joined to the maze.
inline void markReached(uint32_t cell) {
    maze.reachedCells[cell / 64] |= UINT64_C(1) << (cell % 64);
}

/* Two bits a slot: maze.cellSides, one side per cell or per step */

// Cells (or steps) whose sides share one byte.
const uint32_t SIDES_PER_BYTE = 4;

// The side kept in `slot`.
inline int sideAt(uint32_t slot) {
    return maze.cellSides[slot / SIDES_PER_BYTE] >> (2 * (slot % SIDES_PER_BYTE)) & 3;
}

// Keeps `side` in `slot`.
inline void setSideAt(uint32_t slot, int side) {
    uint8_t *byte = &maze.cellSides[slot / SIDES_PER_BYTE];
    int shift = 2 * (int)(slot % SIDES_PER_BYTE);
    *byte = (uint8_t)((*byte & ~(3 << shift)) | side << shift);
}

/* Set-up of the marks, for the carvings' set-up functions */

// Bytes of `count` two-bit sides.
uint64_t sideBytes(uint64_t count);

// Allocates maze.reachedCells with no cell reached; false when out of memory.
bool allocateReachedCells();

// Allocates maze.cellSides with a slot for each cell; false when out of memory.
bool allocateCellSides();

// Allocates maze.cellList with room for `count` entries; false when out of
// memory.
bool allocateCellList(uint64_t count);

#endif
