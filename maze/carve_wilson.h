// Wilson's carving: loop-erased random walks, each from a cell not yet in
// the maze until it meets the maze, whose path without its loops joins the
// maze. Every spanning tree of the grid is exactly as likely as every other
// (a uniform spanning tree; about 29 % dead ends).
#ifndef MAZE_CARVE_WILSON_H
#define MAZE_CARVE_WILSON_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of Wilson's bookkeeping for a width x height maze.
uint64_t wilsonBytes(uint64_t width, uint64_t height);

// Allocates Wilson's bookkeeping: the reached cells and each cell's last
// exit. Returns RUN_OK or RUN_NO_MEMORY.
RunStatus setUpWilson();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveWilson();

#endif
