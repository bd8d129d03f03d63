// The figures of a carved maze that --stats reports: its dead ends, its
// junctions, and the length and turns of its way through.
#ifndef MAZE_MAZE_REPORT_H
#define MAZE_MAZE_REPORT_H

#include <cstdint>

struct MazeFigures {
    uint32_t deadEnds = 0;   // cells open on one side only
    uint32_t junctions = 0;  // cells open on three or four sides
    uint32_t wayLength = 0;  // cells on the way, both ends included
    uint32_t wayTurns = 0;   // cells of the way where it changes direction
};

// The figures of the maze whose wall flags are settled and whose way is
// found (findWay).
MazeFigures measureMaze();

// The share `part` of `whole` (> 0) in tenths of a percent, rounded half up.
uint32_t tenthsOfPercent(uint64_t part, uint64_t whole);

#endif
