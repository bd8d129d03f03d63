// Carving of the maze: random walls are removed, Kruskal style, until every
// cell is joined to every other by exactly one path.
#ifndef MAZE_MAZE_GENERATOR_H
#define MAZE_MAZE_GENERATOR_H

#include <cstdint>

// Returned by pickWall when no candidate is left.
const uint32_t NO_WALL = 0xFFFFFFFFu;

#include "maze/maze_state.h"

// Prints the progress line, carves the maze set up by setUpMaze (carveMaze)
// and prints the closing progress line. Returns carveMaze's status.
MazeStatus generateMaze();

// Removes walls until every cell is joined: exactly cellCount - 1 removals.
// Which maze comes out depends only on the draws of the random generator.
// Ends by writing the wall flags (settleWallFlags) and returns its status.
MazeStatus carveMaze();

// Longest candidate list picked from with two draws; longer lists take four.
const uint32_t SHORT_LIST_REACH = 1u << 19;

// Draws the position of the next pick in a list of `count` (> 0)
// candidates: with two draws d1, d2, ((d1 << 4) | (d2 & 0xF)) mod count
// while count <= SHORT_LIST_REACH; beyond it with four draws d1 to d4,
// ((((d1 << 4) | (d2 & 0xF)) << 30) | (d3 << 15) | d4) mod count in 64 bits.
uint32_t drawPickPosition(uint32_t count);

// The candidate at drawPickPosition(candidateCount) of the list of
// candidates in ascending wall-id order, or NO_WALL (without drawing) when
// the list is empty.
uint32_t pickWall();

// The wall id at `position` (< candidateCount) of the ascending candidate list.
uint32_t candidateAt(uint32_t position);

// Joins the sets labelled `labelA` and `labelB` (two different sets): the
// smaller set takes the larger one's label, and every wall between the two
// leaves the candidate list.
void mergeSets(uint32_t labelA, uint32_t labelB);

#endif
