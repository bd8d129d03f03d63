// The Kruskal carving, the default: random walls are removed until every
// cell is joined to every other by exactly one path, each pick uniform
// among the standing walls between two cells not yet joined.
#ifndef MAZE_CARVE_KRUSKAL_H
#define MAZE_CARVE_KRUSKAL_H

#include <cstdint>

#include "maze/maze_state.h"

// Returned by pickWall when no candidate is left.
const uint32_t NO_WALL = 0xFFFFFFFFu;

// The bytes of Kruskal's bookkeeping for a width x height maze: the sets,
// the candidate bits, aligned to a cache line, and their count levels.
uint64_t kruskalBytes(uint64_t width, uint64_t height);

// Allocates and fills Kruskal's bookkeeping, for setUpMaze: every cell its
// own set, every wall a candidate. Returns RUN_OK or RUN_NO_MEMORY.
RunStatus setUpKruskal();

// Removes walls from the maze set up by setUpMaze until every cell is
// joined: exactly cellCount - 1 removals, reported to the progress line of
// the step under way. Which maze comes out depends only on the draws of
// the random generator. Ends by writing the wall flags (settleWallFlags)
// and returns its status.
RunStatus carveKruskal();

// The candidate at drawPickPosition(candidateCount) of the list of
// candidates in ascending wall-id order, or NO_WALL (without drawing) when
// the list is empty.
uint32_t pickWall();

// The wall id at `position` (< candidateCount) of the ascending candidate list.
uint32_t candidateAt(uint32_t position);

// Takes wall id `wallId` (< wallCount) off the candidate list if it is on
// it; nothing changes if it is not.
void dropCandidate(uint32_t wallId);

#endif
