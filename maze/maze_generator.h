// Carving of the maze: random walls are removed, Kruskal style, until every
// cell is joined to every other by exactly one path.
#ifndef MAZE_MAZE_GENERATOR_H
#define MAZE_MAZE_GENERATOR_H

#include <cstdint>

// Returned by pickWall when no candidate is left.
const uint32_t NO_WALL = 0xFFFFFFFFu;

// Prints the progress line, carves the maze set up by setUpMaze (carveMaze)
// and prints the closing progress line.
void generateMaze();

// Removes walls until every cell is joined: exactly cellCount - 1 removals.
// Which maze comes out depends only on the draws of the random generator.
void carveMaze();

// Draws twice and returns the candidate at position
// ((first draw << 4) | (second draw & 0xF)) mod candidateCount of the list
// of candidates in ascending wall-id order, or NO_WALL (without drawing)
// when the list is empty.
uint32_t pickWall();

// The wall id at `position` (< candidateCount) of the ascending candidate list.
uint32_t candidateAt(uint32_t position);

// Drops from the candidate list every wall between the sets labelled
// `labelA` and `labelB` (two different sets), walking the smaller one.
void refreshCandidates(uint32_t labelA, uint32_t labelB);

// Joins the sets labelled `labelA` and `labelB` (two different sets): the
// smaller set takes the larger one's label.
void mergeLabels(uint32_t labelA, uint32_t labelB);

#endif
