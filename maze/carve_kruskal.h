// Carving of the maze: random walls are removed, Kruskal style, until every
// cell is joined to every other by exactly one path.
#ifndef MAZE_MAZE_GENERATOR_H
#define MAZE_MAZE_GENERATOR_H

#include <cstdint>

#include "maze/maze_state.h"

// Returned by pickWall when no candidate is left.
const uint32_t NO_WALL = 0xFFFFFFFFu;

// Removes walls from the maze set up by setUpMaze until every cell is
// joined: exactly cellCount - 1 removals, reported to the progress line of
// the step under way. Which maze comes out depends only on the draws of
// the random generator. Ends by writing the wall flags (settleWallFlags)
// and returns its status.
RunStatus carveMaze();

// Draws the position of the next pick in a list of `count` (> 0)
// candidates, every position equally likely: a value v of two draws d1, d2,
// (d1 << 4) | (d2 & 0xF), while count <= 2^19, else of four,
// ((((d1 << 4) | (d2 & 0xF)) << 30) | (d3 << 15) | d4); a v at or above
// range - (range mod count) is drawn again, and the position is v mod count.
uint32_t drawPickPosition(uint32_t count);

// The candidate at drawPickPosition(candidateCount) of the list of
// candidates in ascending wall-id order, or NO_WALL (without drawing) when
// the list is empty.
uint32_t pickWall();

// The wall id at `position` (< candidateCount) of the ascending candidate list.
uint32_t candidateAt(uint32_t position);

#endif
