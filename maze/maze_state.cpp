// Set-up and release of the maze state and the index arithmetic that ties
// wall ids to cells.
#include "maze/maze_state.h"

#include <cstdlib>
#include <initializer_list>

#include "maze/maze_braid.h"
#include "maze/maze_generator.h"
#include "maze/maze_random.h"
#include "maze/maze_solver.h"
#include "platform/memory.h"

MazeState maze;

uint64_t mazeStateBytes(int32_t width, int32_t height) {
    uint64_t w = (uint64_t)width, h = (uint64_t)height;
    uint64_t cells = w * h;
    uint64_t walls = (w - 1) * h + (h - 1) * w;
    if (cells > UINT32_MAX || walls > UINT32_MAX) return 0;
    // Carving holds the carved bits and the algorithm's bookkeeping; the
    // flags are written from the carved bits once the rest is freed; dead
    // ends are opened and the way is found beside the flags.
    uint64_t carving = bitBytes(walls) + carvingBytes(maze.algorithm, w, h);
    uint64_t flags = walls * sizeof(int32_t);
    uint64_t settled = flags + bitBytes(walls);
    bool braided = maze.braidPercent > 0;
    uint64_t braiding = braided ? flags + braidBytes(cells) : 0;
    uint64_t solving = flags + wayBytes(cells, braided);
    uint64_t most = carving;
    for (uint64_t phase : {settled, braiding, solving}) most = phase > most ? phase : most;
    return most;
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

RunStatus setUpMaze(uint32_t seed) {
    if (maze.mazeWidth < SMALLEST_SIDE || maze.mazeHeight < SMALLEST_SIDE) return RUN_SIZE_REJECTED;

    uint64_t bytes = mazeStateBytes(maze.mazeWidth, maze.mazeHeight);
    if (bytes == 0 || bytes > availableMemoryBytes()) return RUN_TOO_LARGE;

    seedRandom(seed);
    maze.seed = seed;

    uint32_t w = (uint32_t)maze.mazeWidth, h = (uint32_t)maze.mazeHeight;
    maze.cellCount = w * h;
    maze.eastWallCount = (w - 1) * h;
    maze.southWallCount = (h - 1) * w;
    maze.wallCount = maze.eastWallCount + maze.southWallCount;

    maze.carvedWalls = (uint64_t *)calloc(1, (size_t)bitBytes(maze.wallCount));
    // Carved bits are set all over the grid: large pages spare most of the
    // address translations.
    if (maze.carvedWalls) adviseLargePages(maze.carvedWalls, bitBytes(maze.wallCount));
    RunStatus status = maze.carvedWalls ? setUpCarving() : RUN_NO_MEMORY;
    if (status != RUN_OK) releaseMaze();
    return status;
}

// Frees what carving keeps besides the carved bits.
static void releaseBookkeeping() {
    free(maze.cellSets);
    free(maze.candidateStore);
    maze.cellSets = nullptr;
    maze.candidateWalls = nullptr;
    maze.candidateStore = nullptr;
    maze.candidateCounts = nullptr;
    maze.candidateCount = 0;
    free(maze.reachedCells);
    free(maze.cellSides);
    free(maze.cellList);
    maze.reachedCells = nullptr;
    maze.cellSides = nullptr;
    maze.cellList = nullptr;
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
