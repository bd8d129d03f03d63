// Set-up and release of the maze state and the index arithmetic that ties
// wall ids to cells.
#include "maze/maze_state.h"

#include <cstdlib>
#include <cstring>

#include "maze/maze_random.h"
#include "platform/memory.h"

MazeState maze;

// Blocks of the candidate list for `wallCount` wall ids.
static uint64_t candidateBlocksFor(uint64_t wallCount) {
    return (wallCount + CANDIDATE_BLOCK_BITS - 1) / CANDIDATE_BLOCK_BITS;
}

// Bytes of `count` wall bits, 64 a word.
static uint64_t wallBitBytes(uint64_t count) {
    return wallWordCount(count) * sizeof(uint64_t);
}

// Entries of a count level of `size` entries, padded with zeros to whole groups.
static uint64_t paddedLevelSize(uint64_t size) {
    return (size + COUNT_FANOUT - 1) / COUNT_FANOUT * COUNT_FANOUT;
}

// Entries of all count levels over `blocks` blocks, each padded to whole
// groups; the levels' sizes in `sizes` and their number in `*levels` when
// given.
static uint64_t countEntriesFor(uint64_t blocks, uint32_t *sizes = nullptr,
                                uint32_t *levels = nullptr) {
    uint64_t entries = 0, size = blocks;
    uint32_t level = 0;
    for (;;) {
        if (sizes) sizes[level] = (uint32_t)size;
        entries += paddedLevelSize(size);
        level++;
        if (size <= COUNT_FANOUT) break;
        size = (size + COUNT_FANOUT - 1) / COUNT_FANOUT;
    }
    if (levels) *levels = level;
    return entries;
}

uint64_t mazeStateBytes(int32_t width, int32_t height) {
    uint64_t w = (uint64_t)width, h = (uint64_t)height;
    uint64_t cells = w * h;
    uint64_t walls = (w - 1) * h + (h - 1) * w;
    if (cells > UINT32_MAX || walls > UINT32_MAX) return 0;
    // Carving holds the sets, the carved bits and the candidate list (its
    // bits, aligned to a line, and its counts); the flags are written from
    // the carved bits once the rest is freed.
    uint64_t blocks = candidateBlocksFor(walls);
    uint64_t carving = cells * sizeof(CellSet) + 2 * wallBitBytes(walls) + CACHE_LINE_BYTES +
                       countEntriesFor(blocks) * sizeof(uint32_t);
    uint64_t settled = walls * sizeof(int32_t) + wallBitBytes(walls);
    return carving > settled ? carving : settled;
}

void wallCells(uint32_t wallId, uint32_t *firstCell, uint32_t *secondCell) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    if (wallId < maze.eastWallCount) {
        *firstCell = (wallId / (width - 1)) * width + wallId % (width - 1);
        *secondCell = *firstCell + 1;
    } else {
        *firstCell = wallId - maze.eastWallCount;
        *secondCell = *firstCell + width;
    }
}

// Marks every wall id a candidate and fills the count levels: each
// block's candidates, then each level's sums of the one below.
static void fillCandidates() {
    uint64_t words = wallWordCount(maze.wallCount);
    memset(maze.candidateWalls, 0xFF, words * sizeof(uint64_t));
    uint32_t tailBits = maze.wallCount % 64;
    if (tailBits != 0) maze.candidateWalls[words - 1] = (UINT64_C(1) << tailBits) - 1;

    uint32_t *blockCounts = maze.candidateCounts;
    for (uint32_t b = maze.candidateBlockCount; b < paddedLevelSize(maze.candidateBlockCount); b++)
        blockCounts[b] = 0;
    for (uint32_t b = 0; b < maze.candidateBlockCount; b++) {
        uint64_t first = (uint64_t)b * CANDIDATE_BLOCK_BITS;
        uint64_t end = first + CANDIDATE_BLOCK_BITS;
        if (end > maze.wallCount) end = maze.wallCount;
        blockCounts[b] = (uint32_t)(end - first);
    }
    for (uint32_t level = 1; level < maze.countLevels; level++) {
        const uint32_t *below = maze.candidateCounts + maze.countLevelStart[level - 1];
        uint32_t *counts = maze.candidateCounts + maze.countLevelStart[level];
        for (uint32_t i = 0; i < paddedLevelSize(maze.countLevelSize[level]); i++) counts[i] = 0;
        for (uint32_t i = 0; i < maze.countLevelSize[level - 1]; i++)
            counts[i / COUNT_FANOUT] += below[i];
    }
    maze.candidateCount = maze.wallCount;
}

RunStatus setUpMaze(uint32_t seed) {
    if (maze.mazeWidth < 2 || maze.mazeHeight < 2) return RUN_SIZE_REJECTED;

    uint64_t bytes = mazeStateBytes(maze.mazeWidth, maze.mazeHeight);
    if (bytes == 0 || bytes > availableMemoryBytes()) return RUN_TOO_LARGE;

    seedRandom(seed);

    uint32_t w = (uint32_t)maze.mazeWidth, h = (uint32_t)maze.mazeHeight;
    maze.cellCount = w * h;
    maze.eastWallCount = (w - 1) * h;
    maze.southWallCount = (h - 1) * w;
    maze.wallCount = maze.eastWallCount + maze.southWallCount;
    maze.candidateBlockCount = (uint32_t)candidateBlocksFor(maze.wallCount);

    uint64_t countEntries =
        countEntriesFor(maze.candidateBlockCount, maze.countLevelSize, &maze.countLevels);
    for (uint32_t level = 1; level < maze.countLevels; level++)
        maze.countLevelStart[level] =
            maze.countLevelStart[level - 1] + (uint32_t)paddedLevelSize(maze.countLevelSize[level - 1]);

    size_t wallBits = (size_t)wallBitBytes(maze.wallCount);
    maze.cellSets = (CellSet *)malloc((size_t)maze.cellCount * sizeof(CellSet));
    maze.carvedWalls = (uint64_t *)calloc(1, wallBits);
    maze.candidateStore = malloc(wallBits + CACHE_LINE_BYTES);
    maze.candidateCounts = (uint32_t *)malloc((size_t)countEntries * sizeof(uint32_t));
    if (!maze.cellSets || !maze.carvedWalls || !maze.candidateStore || !maze.candidateCounts) {
        releaseMaze();
        return RUN_NO_MEMORY;
    }
    // The cells' records are read all over: large pages spare most of the
    // address translations, as they do for the candidate bits.
    adviseLargePages(maze.cellSets, (uint64_t)maze.cellCount * sizeof(CellSet));
    adviseLargePages(maze.candidateStore, wallBits + CACHE_LINE_BYTES);
    adviseLargePages(maze.carvedWalls, wallBits);
    // Each block of candidate bits a cache line of its own.
    uintptr_t store = (uintptr_t)maze.candidateStore;
    maze.candidateWalls =
        (uint64_t *)((store + CACHE_LINE_BYTES - 1) / CACHE_LINE_BYTES * CACHE_LINE_BYTES);

    for (uint32_t i = 0; i < maze.cellCount; i++) {
        maze.cellSets[i].label = i;
        maze.cellSets[i].next = 0;
        maze.cellSets[i].size = 1;
    }
    fillCandidates();
    return RUN_OK;
}

// Frees what carving keeps besides the carved bits.
static void releaseBookkeeping() {
    free(maze.cellSets);
    free(maze.candidateStore);
    free(maze.candidateCounts);
    maze.cellSets = nullptr;
    maze.candidateWalls = nullptr;
    maze.candidateStore = nullptr;
    maze.candidateCounts = nullptr;
    maze.candidateCount = 0;
}

// 0 when wall id `wallId` is set in carvedWalls, else 1.
static int32_t wallFlag(uint64_t wallId) {
    return (int32_t)(~maze.carvedWalls[wallId / 64] >> (wallId % 64) & 1);
}

RunStatus settleWallFlags() {
    releaseBookkeeping();
    maze.eastWalls = (int32_t *)malloc((size_t)maze.eastWallCount * sizeof(int32_t));
    maze.southWalls = (int32_t *)malloc((size_t)maze.southWallCount * sizeof(int32_t));
    if (!maze.eastWalls || !maze.southWalls) {
        releaseMaze();
        return RUN_NO_MEMORY;
    }
    for (uint32_t i = 0; i < maze.eastWallCount; i++) maze.eastWalls[i] = wallFlag(i);
    for (uint32_t i = 0; i < maze.southWallCount; i++)
        maze.southWalls[i] = wallFlag((uint64_t)maze.eastWallCount + i);
    free(maze.carvedWalls);
    maze.carvedWalls = nullptr;
    return RUN_OK;
}

void releaseMaze() {
    releaseBookkeeping();
    free(maze.carvedWalls);
    free(maze.eastWalls);
    free(maze.southWalls);
    free(maze.wayCells);
    maze.carvedWalls = nullptr;
    maze.eastWalls = nullptr;
    maze.southWalls = nullptr;
    maze.wayCells = nullptr;
    maze.wayLength = 0;
}
