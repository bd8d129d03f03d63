// Mazes with loops: dead ends of a carved maze opened once more.
#ifndef MAZE_MAZE_BRAID_H
#define MAZE_MAZE_BRAID_H

#include <cstdint>

#include "platform/run_status.h"

// The largest chance, in percent, that a dead end is opened.
const uint32_t LARGEST_BRAID = 100;

// The most bytes braidMaze holds besides the wall flags for a maze of
// `cells` cells.
uint64_t braidBytes(uint64_t cells);

// Takes the dead ends of the maze whose wall flags are settled in random
// order, and opens each cell still a dead end at its turn, with a chance of
// `percent` in 100 (1 to LARGEST_BRAID; no draw at LARGEST_BRAID), towards
// a neighbouring dead end where there is one, else towards any closed side
// inside the grid. At LARGEST_BRAID no dead end is left. Returns RUN_OK or
// RUN_NO_MEMORY (the flags then as carved).
RunStatus braidMaze(uint32_t percent);

#endif
