// Recursive division: the grid starts as one chamber with no interior
// wall; each chamber two cells or more in both directions is split by a
// straight wall with one gap, across its longer side (either way for a
// square, at random), at a random line; long straight walls and corridors.
#ifndef MAZE_CARVE_DIVISION_H
#define MAZE_CARVE_DIVISION_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of the division's bookkeeping: none beyond a fixed work list.
uint64_t divisionBytes(uint64_t width, uint64_t height);

// Carves away every interior wall: the one chamber the division starts
// from. Returns RUN_OK.
RunStatus setUpDivision();

// Divides the maze set up by setUpDivision, reporting the walls left
// carved to the progress line, and ends with settleWallFlags, whose status
// it returns.
RunStatus carveDivision();

#endif
