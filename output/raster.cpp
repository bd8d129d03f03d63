// Geometry, row map and pixel rule of the maze image.
#include "output/raster.h"

#include <cstdlib>

MazeStatus setUpRaster(uint32_t leadingBytes) {
    int64_t pitch = PASSAGE_WIDTH + 2 * WALL_THICKNESS;
    int64_t width = pitch * maze.mazeWidth;
    int64_t height = pitch * maze.mazeHeight;
    int64_t stride = width % 4 == 0 ? width : width / 4 * 4 + 4;
    // Positions of stored bytes are 32-bit, like every raster field.
    uint64_t storedBytes = (uint64_t)stride * (uint64_t)height;
    if (stride > INT32_MAX || height > INT32_MAX || storedBytes + leadingBytes > UINT32_MAX)
        return MAZE_IMAGE_TOO_LARGE;
    if (storedBytes * sizeof(uint32_t) > availableMemoryBytes()) return MAZE_IMAGE_TOO_LARGE;

    maze.passageWidth = PASSAGE_WIDTH;
    maze.wallThickness = WALL_THICKNESS;
    maze.cellPitch = (int32_t)pitch;
    maze.imageWidth = (int32_t)width;
    maze.rowStride = (int32_t)stride;
    maze.imageHeight = (int32_t)height;
    free(maze.rowMap);
    maze.rowMap = (uint32_t *)malloc(storedBytes * sizeof(uint32_t));
    if (!maze.rowMap) return MAZE_NO_MEMORY;
    buildRowMap();
    return MAZE_OK;
}

void buildRowMap() {
    uint32_t stride = (uint32_t)maze.rowStride, height = (uint32_t)maze.imageHeight;
    for (uint32_t i = 0; i < height; i++) {
        uint32_t *stored = maze.rowMap + (size_t)i * stride;
        uint32_t topDown = (height - i - 1) * stride;
        for (uint32_t j = 0; j < stride; j++) stored[j] = topDown + j;
    }
}

int classifyPixel(uint32_t x, uint32_t y, uint32_t cellX, uint32_t cellY) {
    int32_t lx = (int32_t)(x - cellX * (uint32_t)maze.cellPitch);
    int32_t ly = (int32_t)(y - cellY * (uint32_t)maze.cellPitch);
    int32_t far = maze.passageWidth + maze.wallThickness - 1;
    // West adds 1, east 2, north 4 and south 7, so that each side alone and
    // each corner pair give distinct sums.
    int code = 0;
    if (lx < maze.wallThickness) code += 1;
    if (lx > far) code += 2;
    if (ly < maze.wallThickness) code += 4;
    if (ly > far) code += 7;
    switch (code) {
    case 0: return PART_PASSAGE;
    case 1: return SIDE_WEST;
    case 2: return SIDE_EAST;
    case 4: return SIDE_NORTH;
    case 7: return SIDE_SOUTH;
    default: return PART_CORNER;
    }
}

int hasNeighbour(uint32_t cell, int side) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    uint32_t row = cell / width, column = cell % width;
    switch (side) {
    case SIDE_NORTH: return row != 0;
    case SIDE_SOUTH: return row != (uint32_t)maze.mazeHeight - 1;
    case SIDE_WEST: return column != 0;
    case SIDE_EAST: return column != width - 1;
    default: return 1;
    }
}

int isSideOpen(uint32_t cell, int side) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    uint32_t row = cell / width;
    int32_t flag = 1;
    switch (side) {
    case SIDE_NORTH: flag = maze.southWalls[cell - width]; break;
    case SIDE_EAST: flag = maze.eastWalls[cell - row]; break;
    case SIDE_SOUTH: flag = maze.southWalls[cell]; break;
    case SIDE_WEST: flag = maze.eastWalls[cell - row - 1]; break;
    }
    return flag == 0;
}

int isPassagePixel(uint32_t k) {
    uint32_t stride = (uint32_t)maze.rowStride, pitch = (uint32_t)maze.cellPitch;
    uint32_t position = maze.rowMap[k];
    uint32_t x = position % stride, y = position / stride;
    if (x >= (uint32_t)maze.imageWidth) return 0;  // row fill
    uint32_t cellX = x / pitch, cellY = y / pitch;
    uint32_t cell = cellY * (uint32_t)maze.mazeWidth + cellX;
    int part = classifyPixel(x, y, cellX, cellY);
    if (part == PART_PASSAGE) return 1;
    if (part == PART_CORNER) return 0;
    return hasNeighbour(cell, part) && isSideOpen(cell, part);
}

uint8_t pixelValue(uint32_t k) {
    return isPassagePixel(k) ? PASSAGE_PIXEL : WALL_PIXEL;
}
