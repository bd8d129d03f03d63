// Eller's carving: row by row, keeping the sets of one row only. Along a
// row, neighbours of different sets are joined at random; each set then
// goes down to the next row at one random cell at least, and at others at
// random; the last row joins every set that is left.
#ifndef MAZE_CARVE_ELLER_H
#define MAZE_CARVE_ELLER_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of Eller's bookkeeping for a width x height maze: records of
// one row.
uint64_t ellerBytes(uint64_t width, uint64_t height);

// Allocates Eller's bookkeeping. Returns RUN_OK or RUN_NO_MEMORY.
RunStatus setUpEller();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveEller();

#endif
