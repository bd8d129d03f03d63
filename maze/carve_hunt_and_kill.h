// Hunt-and-kill: a walk to random neighbours not yet reached, like the
// backtracker's; where it is stuck it hunts, row by row, for a cell not
// yet reached beside the maze, joins it to the maze and walks on from
// there (about 10 % dead ends).
#ifndef MAZE_CARVE_HUNT_AND_KILL_H
#define MAZE_CARVE_HUNT_AND_KILL_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of hunt-and-kill's bookkeeping for a width x height maze.
uint64_t huntAndKillBytes(uint64_t width, uint64_t height);

// Allocates hunt-and-kill's bookkeeping: the reached cells. Returns RUN_OK
// or RUN_NO_MEMORY.
RunStatus setUpHuntAndKill();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveHuntAndKill();

#endif
