// Carving of the maze: the algorithms that turn the grid set up by
// setUpMaze into a perfect maze, every cell joined to every other by
// exactly one path, each in a module of its own behind one table of names.
#ifndef MAZE_MAZE_GENERATOR_H
#define MAZE_MAZE_GENERATOR_H

#include <cstdint>

#include "platform/run_status.h"

// The carving algorithms, in the order of the table of names; Kruskal's,
// the first, is the default.
enum AlgorithmId {
    ALGORITHM_KRUSKAL,
    ALGORITHM_BACKTRACKER,
    ALGORITHM_PRIM,
    ALGORITHM_WILSON,
    ALGORITHM_ALDOUS_BRODER,
    ALGORITHM_ELLER,
    ALGORITHM_HUNT_AND_KILL,
    ALGORITHM_GROWING_TREE,
    ALGORITHM_SIDEWINDER,
    ALGORITHM_BINARY_TREE,
    ALGORITHM_DIVISION,
    ALGORITHM_COUNT,
};

// The name of `algorithm` as --algorithm takes it ("kruskal", ...).
const char *algorithmName(AlgorithmId algorithm);

// The algorithm named `name` exactly, or ALGORITHM_COUNT when none is.
AlgorithmId algorithmNamed(const char *name);

// The most bytes `algorithm` holds besides the carved-wall bits while it
// carves a width x height maze (both at least 2, the counts within 32 bits).
uint64_t carvingBytes(AlgorithmId algorithm, uint64_t width, uint64_t height);

// Allocates and fills the bookkeeping of maze.algorithm, for setUpMaze,
// once the counts are set and the carved-wall bits allocated (all 0).
// Returns RUN_OK or RUN_NO_MEMORY.
RunStatus setUpCarving();

// Carves the maze set up by setUpMaze with maze.algorithm, reporting to
// the progress line of the step under way, writes its wall flags
// (settleWallFlags) and, when maze.braidPercent is above 0, opens dead ends
// (braidMaze). Which maze comes out depends only on the draws of the random
// generator. Returns RUN_OK or RUN_NO_MEMORY.
RunStatus carveMaze();

#endif
