// Carving of the maze: the algorithms that turn the grid set up by
// setUpMaze into a perfect maze, every cell joined to every other by
// exactly one path.
#ifndef MAZE_MAZE_GENERATOR_H
#define MAZE_MAZE_GENERATOR_H

#include "platform/run_status.h"

// Carves the maze set up by setUpMaze, reporting to the progress line of
// the step under way, and writes its wall flags (settleWallFlags). Which
// maze comes out depends only on the draws of the random generator.
// Returns RUN_OK or RUN_NO_MEMORY.
RunStatus carveMaze();

#endif
