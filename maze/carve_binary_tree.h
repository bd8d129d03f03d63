// The binary tree: each cell opens north or west at random (the top row
// west only, the left column north only): a diagonal bias towards the
// top-left, two straight corridors along the top and the left, about 25 %
// dead ends.
#ifndef MAZE_CARVE_BINARY_TREE_H
#define MAZE_CARVE_BINARY_TREE_H

#include <cstdint>

#include "platform/run_status.h"

// The bytes of the binary tree's bookkeeping: none.
uint64_t binaryTreeBytes(uint64_t width, uint64_t height);

// Sets up the binary tree, which needs nothing but the carved walls: RUN_OK.
RunStatus setUpBinaryTree();

// Carves the maze set up by setUpMaze, reporting the walls carved to the
// progress line, and ends with settleWallFlags, whose status it returns.
RunStatus carveBinaryTree();

#endif
