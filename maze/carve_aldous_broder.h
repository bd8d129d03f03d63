// The Aldous-Broder carving: a random walk over the whole grid that carves
// the wall it crosses into each cell it enters for the first time. Every
// spanning tree of the grid is exactly as likely as every other, like
// Wilson's, but the walk takes far longer to reach the last cells.
#ifndef MAZE_CARVE_ALDOUS_BRODER_H
#define MAZE_CARVE_ALDOUS_BRODER_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of the walk's bookkeeping for a width x height maze.
uint64_t aldousBroderBytes(uint64_t width, uint64_t height);

// Allocates the walk's bookkeeping: the reached cells. Returns RUN_OK or
// RUN_NO_MEMORY.
RunStatus setUpAldousBroder();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveAldousBroder();

#endif
