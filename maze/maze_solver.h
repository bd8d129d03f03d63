// The way through the carved maze: the one path from the top-left cell
// (cell 0), where the entrance is, to the bottom-right cell (the last
// one), where the exit is.
#ifndef MAZE_MAZE_SOLVER_H
#define MAZE_MAZE_SOLVER_H

#include <cstdint>

#include "maze/maze_state.h"

// The most bytes findWay holds besides the wall flags for a maze of
// `cells` cells: the tree walk's, or with `shortest` the breadth-first
// search's.
uint64_t wayBytes(uint64_t cells, bool shortest);

// Finds the way through the maze whose wall flags are settled and marks
// its cells in maze.wayCells, reporting the cells searched to the progress
// line of the step under way. A perfect maze's one way is found by a walk of
// its tree, without recursion and with 2 bits a cell besides the marks; a
// braided one's (maze.braidPercent above 0), a shortest way, breadth first
// from cell 0 with its neighbours in side order, with 2 bits, 1 bit and a
// 4-byte queue entry a cell. Returns RUN_OK or RUN_NO_MEMORY.
RunStatus findWay();

// True when `cell` lies on the way found by findWay.
inline bool onWay(uint32_t cell) {
    return (maze.wayCells[cell / 64] >> (cell % 64) & 1) != 0;
}

// The cell after `cell` on the way from cell 0, given the one before it
// (`previous`, NO_CELL at cell 0); NO_CELL after the last cell. A shortest
// way has no cell beside two others of it but its neighbours on the way, so
// the next cell is the one open neighbour on it that is not `previous`.
uint32_t nextOnWay(uint32_t cell, uint32_t previous);

#endif
