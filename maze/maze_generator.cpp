// The carving algorithms, by name: one table of each algorithm's name, the
// bytes of its bookkeeping, its set-up and its carving.
#include "maze/maze_generator.h"

#include <cstring>

#include "maze/carve_aldous_broder.h"
#include "maze/carve_backtracker.h"
#include "maze/carve_binary_tree.h"
#include "maze/carve_division.h"
#include "maze/carve_eller.h"
#include "maze/carve_growing_tree.h"
#include "maze/carve_hunt_and_kill.h"
#include "maze/carve_kruskal.h"
#include "maze/carve_prim.h"
#include "maze/carve_sidewinder.h"
#include "maze/carve_wilson.h"
#include "maze/maze_braid.h"
#include "maze/maze_state.h"

// One algorithm of the table.
struct Carving {
    const char *name;                              // as --algorithm takes it
    uint64_t (*bytes)(uint64_t width, uint64_t height);  // its bookkeeping's bytes
    RunStatus (*setUp)();                          // allocates and fills that bookkeeping
    RunStatus (*carve)();                          // carves, then settles the wall flags
};

static const Carving CARVINGS[ALGORITHM_COUNT] = {
    {"kruskal", kruskalBytes, setUpKruskal, carveKruskal},
    {"backtracker", backtrackerBytes, setUpBacktracker, carveBacktracker},
    {"prim", primBytes, setUpPrim, carvePrim},
    {"wilson", wilsonBytes, setUpWilson, carveWilson},
    {"aldous-broder", aldousBroderBytes, setUpAldousBroder, carveAldousBroder},
    {"eller", ellerBytes, setUpEller, carveEller},
    {"hunt-and-kill", huntAndKillBytes, setUpHuntAndKill, carveHuntAndKill},
    {"growing-tree", growingTreeBytes, setUpGrowingTree, carveGrowingTree},
    {"sidewinder", sidewinderBytes, setUpSidewinder, carveSidewinder},
    {"binary-tree", binaryTreeBytes, setUpBinaryTree, carveBinaryTree},
    {"division", divisionBytes, setUpDivision, carveDivision},
};

const char *algorithmName(AlgorithmId algorithm) {
    return CARVINGS[algorithm].name;
}

AlgorithmId algorithmNamed(const char *name) {
    for (int id = 0; id < ALGORITHM_COUNT; id++)
        if (strcmp(name, CARVINGS[id].name) == 0) return (AlgorithmId)id;
    return ALGORITHM_COUNT;
}

uint64_t carvingBytes(AlgorithmId algorithm, uint64_t width, uint64_t height) {
    return CARVINGS[algorithm].bytes(width, height);
}

RunStatus setUpCarving() {
    return CARVINGS[maze.algorithm].setUp();
}

RunStatus carveMaze() {
    RunStatus status = CARVINGS[maze.algorithm].carve();
    if (status == RUN_OK && maze.braidPercent > 0) status = braidMaze(maze.braidPercent);
    return status;
}
