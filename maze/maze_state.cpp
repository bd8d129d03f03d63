// Set-up and release of the maze state and the index arithmetic that ties
// wall ids to cells.
#include "maze/maze_state.h"

#include <cstdlib>
#include <cstring>

#include "maze/maze_random.h"
#include "platform/memory.h"

MazeState maze;

// Blocks of the candidate list's Fenwick tree for `wallCount` wall ids.
static uint64_t candidateBlocksFor(uint64_t wallCount) {
    return (wallCount + CANDIDATE_BLOCK_BITS - 1) / CANDIDATE_BLOCK_BITS;
}

// Bytes of `count` wall bits, 64 a word.
static uint64_t wallBitBytes(uint64_t count) {
    return wallWordCount(count) * sizeof(uint64_t);
}

uint64_t mazeStateBytes(int32_t width, int32_t height) {
    uint64_t w = (uint64_t)width, h = (uint64_t)height;
    uint64_t cells = w * h;
    uint64_t walls = (w - 1) * h + (h - 1) * w;
    if (cells > UINT32_MAX || walls > UINT32_MAX) return 0;
    // Carving holds the sets, the carved bits and the candidate list; the
    // flags are written from the carved bits once the rest is freed.
    uint64_t carving = cells * sizeof(CellSet) + 2 * wallBitBytes(walls) +
                       candidateBlocksFor(walls) * sizeof(uint32_t);
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

// Marks every wall id a candidate and builds the per-block Fenwick tree
// over those bits in linear time.
static void fillCandidates() {
    uint64_t words = wallWordCount(maze.wallCount);
    memset(maze.candidateWalls, 0xFF, words * sizeof(uint64_t));
    uint32_t tailBits = maze.wallCount % 64;
    if (tailBits != 0) maze.candidateWalls[words - 1] = (UINT64_C(1) << tailBits) - 1;

    uint32_t blocks = maze.candidateBlockCount;
    for (uint32_t b = 0; b < blocks; b++) {
        uint64_t first = (uint64_t)b * CANDIDATE_BLOCK_BITS;
        uint64_t end = first + CANDIDATE_BLOCK_BITS;
        if (end > maze.wallCount) end = maze.wallCount;
        maze.candidateBlockTree[b] = (uint32_t)(end - first);
    }
    // Fenwick node i (1-based) adds its total into its parent i + (i & -i).
    for (uint32_t i = 1; i <= blocks; i++) {
        uint64_t parent = (uint64_t)i + (i & (0u - i));
        if (parent <= blocks) maze.candidateBlockTree[parent - 1] += maze.candidateBlockTree[i - 1];
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

    size_t wallBits = (size_t)wallBitBytes(maze.wallCount);
    maze.cellSets = (CellSet *)malloc((size_t)maze.cellCount * sizeof(CellSet));
    maze.carvedWalls = (uint64_t *)calloc(1, wallBits);
    maze.candidateWalls = (uint64_t *)malloc(wallBits);
    maze.candidateBlockTree =
        (uint32_t *)malloc((size_t)maze.candidateBlockCount * sizeof(uint32_t));
    if (!maze.cellSets || !maze.carvedWalls || !maze.candidateWalls ||
        !maze.candidateBlockTree) {
        releaseMaze();
        return RUN_NO_MEMORY;
    }

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
    free(maze.candidateWalls);
    free(maze.candidateBlockTree);
    maze.cellSets = nullptr;
    maze.candidateWalls = nullptr;
    maze.candidateBlockTree = nullptr;
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
