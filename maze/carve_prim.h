// Prim's carving: a random cell of the frontier (the cells next to the maze
// but not in it) joins the maze through a random wall to it: many short
// dead ends (about 36 %), growing out from a random first cell.
#ifndef MAZE_CARVE_PRIM_H
#define MAZE_CARVE_PRIM_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of Prim's bookkeeping for a width x height maze.
uint64_t primBytes(uint64_t width, uint64_t height);

// Allocates Prim's bookkeeping: the reached cells and the frontier list.
// Returns RUN_OK or RUN_NO_MEMORY.
RunStatus setUpPrim();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carvePrim();

#endif
