// The backtracker: a depth-first walk from the top-left cell that steps to
// a random neighbour not yet reached and backs up when there is none: long
// winding corridors, few dead ends (about 10 %).
#ifndef MAZE_CARVE_BACKTRACKER_H
#define MAZE_CARVE_BACKTRACKER_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of the backtracker's bookkeeping for a width x height maze.
uint64_t backtrackerBytes(uint64_t width, uint64_t height);

// Allocates the backtracker's bookkeeping: the reached cells and the stack
// of steps. Returns RUN_OK or RUN_NO_MEMORY.
RunStatus setUpBacktracker();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveBacktracker();

#endif
