// The binary tree, cell by cell in index order.
#include "maze/carve_binary_tree.h"

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

uint64_t binaryTreeBytes(uint64_t, uint64_t) {
    return 0;
}

RunStatus setUpBinaryTree() {
    return RUN_OK;
}

RunStatus carveBinaryTree() {
    uint32_t width = (uint32_t)maze.mazeWidth;
    uint32_t carved = 0;
    for (uint32_t cell = 1; cell < maze.cellCount; cell++) {
        uint32_t row = cell / width, column = cell % width;
        bool north = row > 0 && (column == 0 || drawChoice(2) == 0);
        carveWall(north ? northWallOf(cell) : westWallOf(cell, row));
        if (++carved % PROGRESS_UNITS == 0) showProgress(carved);
    }
    return settleWallFlags();
}
