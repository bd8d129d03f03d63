// The sidewinder: the top row one corridor; along each row below it, runs
// of cells joined eastward, each closed at random by one passage north from
// a random cell of the run. Every cell has one way up: long passages north,
// none that run back down.
#ifndef MAZE_CARVE_SIDEWINDER_H
#define MAZE_CARVE_SIDEWINDER_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of the sidewinder's bookkeeping: none.
uint64_t sidewinderBytes(uint64_t width, uint64_t height);

// Sets up the sidewinder, which needs nothing but the carved walls: RUN_OK.
RunStatus setUpSidewinder();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveSidewinder();

#endif
