// The one maze of a run: its sizes, wall flags, carving bookkeeping, the
// way through and the random generator, held in one process-wide record
// `maze`.
#ifndef MAZE_MAZE_STATE_H
#define MAZE_MAZE_STATE_H

#include <cstddef>
#include <cstdint>

#include "maze/maze_generator.h"
#include "platform/run_status.h"

// The candidate list's order statistics: its bits come in blocks of
// CANDIDATE_BLOCK_BITS wall ids, a cache line each; level 0 counts the
// candidates of each block, and each level above sums COUNT_FANOUT entries
// of the one below, up to a top level of at most COUNT_FANOUT entries; each
// group of COUNT_FANOUT entries, a cache line, holds running totals (entry
// j the candidates of entries 0 to j). A pick compares one group a level
// with its rank, a drop lowers the rest of one group a level: groups of 16
// are one line, or two 256-bit vectors, and still few levels (four at
// 4000 x 4000).
const uint32_t CANDIDATE_BLOCK_BITS = 512;
const uint32_t COUNT_FANOUT = 16;
// Levels for 2^32 wall ids: 2^23 blocks, then 2^19, 2^15, 2^11, 2^7 and 2^3
// entries.
const uint32_t COUNT_LEVELS_MOST = 6;
// Bytes of a cache line, to which the blocks are aligned.
const uint32_t CACHE_LINE_BYTES = 64;

// One cell's entry in the sets of joined cells that carving keeps.
struct CellSet {
    uint32_t label;  // equal exactly for joined cells; a cell of the set
    uint32_t share;  // at the cell that is its set's label, the cells in the
                     // set; while a merge relabels a smaller set into another,
                     // at each of its cells the next cell the merge looks around
};

struct MazeState {
    /* Sizes, as answered at the console */
    int32_t mazeWidth = -1;       // cell columns; -1 until read; >= 2 once set up
    int32_t mazeHeight = -1;      // cell rows; -1 until read; >= 2 once set up

    /* What is carved, set before set-up */
    AlgorithmId algorithm = ALGORITHM_KRUSKAL;  // the carving, by the generator's table
    uint32_t braidPercent = 0;  // chance in percent that a dead end is opened once
                                // carved (braidMaze), 0 to LARGEST_BRAID; 0 = perfect

    /* Counts, valid once set up */
    uint32_t cellCount = 0;       // mazeWidth * mazeHeight
    uint32_t eastWallCount = 0;   // (mazeWidth - 1) * mazeHeight
    uint32_t southWallCount = 0;  // (mazeHeight - 1) * mazeWidth
    uint32_t wallCount = 0;       // eastWallCount + southWallCount: the wall ids

    /* Wall flags: 1 while the wall stands, 0 once carved away; written from
       carvedWalls when carving ends (settleWallFlags), null until then */
    int32_t *eastWalls = nullptr;   // eastWallCount flags, east-wall index order
    int32_t *southWalls = nullptr;  // southWallCount flags, south-wall index order

    /* Carving bookkeeping, from set-up until settleWallFlags frees it */
    CellSet *cellSets = nullptr;       // cellCount entries, one per cell
    uint64_t *carvedWalls = nullptr;   // wallCount bits, 64 a word; 1 = carved away

    /* Candidate walls: the standing walls between two different sets */
    uint64_t *candidateWalls = nullptr;   // wallCount bits, 64 a word; 1 = candidate;
                                          // each block a cache line of candidateStore
    void *candidateStore = nullptr;       // the allocation candidateWalls lies in
    uint32_t *candidateCounts = nullptr;  // the count levels, one after another, in
                                          // candidateStore after the bits
    uint32_t countLevelStart[COUNT_LEVELS_MOST] = {};  // where each level begins
    uint32_t countLevelSize[COUNT_LEVELS_MOST] = {};   // entries of each level
    uint32_t countLevels = 0;             // levels in use, the top one last
    uint32_t candidateBlockCount = 0;     // blocks of CANDIDATE_BLOCK_BITS wall ids
    uint32_t candidateCount = 0;          // candidates left; 0 once carving is done
    bool portablePick = false;            // the pick keeps to portable code even on a
                                          // processor with faster instructions (tests)

    /* The other carvings' bookkeeping, from set-up until settleWallFlags
       frees it; each carving allocates only what it uses */
    uint64_t *reachedCells = nullptr;  // cellCount bits, 64 a word; 1 = joined to the maze
    uint8_t *cellSides = nullptr;      // 2 bits a slot, 4 a byte: a side per cell or per step
    uint32_t *cellList = nullptr;      // cells waiting to be carved from, or per-column records

    /* The way through, from the top-left cell to the bottom-right one, once
       findWay has found it */
    uint64_t *wayCells = nullptr;  // cellCount bits, 64 a word; 1 = on the way
    uint32_t wayLength = 0;        // cells on the way, both ends included

    /* Random draws */
    uint32_t randomNext = 1;  // generator state; seeded by setUpMaze
    uint32_t seed = 0;        // the seed set-up was given, which makes this maze again
};

extern MazeState maze;

// The fewest cells across and down a maze has.
const int32_t SMALLEST_SIDE = 2;

// No cell: the end of a list or a walk of cells, or the cell before the
// first; never a cell's index, as cellCount fits in 32 bits.
const uint32_t NO_CELL = 0xFFFFFFFFu;

// The most bytes a width x height maze holds at once with maze.algorithm
// and maze.braidPercent: while it is carved, while its wall flags are
// written, while dead ends are opened or the way is found; 0 when its
// counts do not fit in 32 bits. Both sizes must be at least 2.
uint64_t mazeStateBytes(int32_t width, int32_t height);

// Checks the sizes in `maze` and the memory the maze needs, seeds the
// generator with `seed` (kept in maze.seed) and allocates and fills the
// bookkeeping of maze.algorithm (setUpCarving): for the default, every cell
// its own set, every wall standing and a candidate. Returns RUN_OK,
// RUN_SIZE_REJECTED (a size below 2), RUN_TOO_LARGE or RUN_NO_MEMORY; a
// size or memory refused leaves the generator unseeded, and no failure
// leaves anything allocated.
RunStatus setUpMaze(uint32_t seed);

// Frees the carving bookkeeping and writes the wall flags from carvedWalls
// (all 1 straight after set-up, but for the division's). Returns RUN_OK or
// RUN_NO_MEMORY, when the flags cannot be allocated (the bookkeeping is
// freed all the same).
RunStatus settleWallFlags();

// Frees every array of the maze state; safe to call
// on a state that was never set up or was already released.
void releaseMaze();

// Words of 64 bits that hold one bit per wall of `wallCount` wall ids.
inline uint64_t wallWordCount(uint64_t wallCount) {
    return (wallCount + 63) / 64;
}

// Bytes of `count` bits, 64 a word: the wall bits, and the carvings' and
// the way's bits a cell.
inline uint64_t bitBytes(uint64_t count) {
    return wallWordCount(count) * sizeof(uint64_t);
}

/* The wall-id arithmetic: east walls first, row by row, then south walls.
   A cell at row `row` has its east wall at `cell - row` (its west wall one
   before), and the south wall of a cell is the cell's own index among the
   south walls. */

// The two cells that wall id `wallId` (< wallCount) separates, in
// `firstCell` and `secondCell`, the first being the upper or left one.
void wallCells(uint32_t wallId, uint32_t *firstCell, uint32_t *secondCell);

// Wall id of the wall east of `cell` in row `row` (a column before the last).
inline uint32_t eastWallOf(uint32_t cell, uint32_t row) {
    return cell - row;
}

// Wall id of the wall west of `cell` in row `row` (a column after the first).
inline uint32_t westWallOf(uint32_t cell, uint32_t row) {
    return cell - row - 1;
}

// Wall id of the wall south of `cell` (a row above the last).
inline uint32_t southWallOf(uint32_t cell) {
    return maze.eastWallCount + cell;
}

// Wall id of the wall north of `cell` (a row below the first).
inline uint32_t northWallOf(uint32_t cell) {
    return maze.eastWallCount + cell - (uint32_t)maze.mazeWidth;
}

#endif
