// The growing tree: a list of active cells, first one random cell. Each
// step takes the newest cell of the list or a random one, half and half,
// and carves to a random neighbour not yet reached, which joins the list;
// a cell with none leaves the list.
#ifndef MAZE_CARVE_GROWING_TREE_H
#define MAZE_CARVE_GROWING_TREE_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of the growing tree's bookkeeping for a width x height maze.
uint64_t growingTreeBytes(uint64_t width, uint64_t height);

// Allocates the growing tree's bookkeeping: the reached cells and the list
// of active cells. Returns RUN_OK or RUN_NO_MEMORY.
RunStatus setUpGrowingTree();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveGrowingTree();

#endif
