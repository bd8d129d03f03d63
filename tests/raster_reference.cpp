#include "tests/raster_reference.h"

#include <cstdint>
#include <vector>

#include "maze/maze_state.h"

namespace {

enum { PART_PASSAGE = -1, NORTH = 0, EAST = 1, SOUTH = 2, WEST = 3, CORNER = 4 };

// For each stored byte i * rowStride + j, the top-down position of stored
// row i (row 0 at the bottom of the image), byte j.
std::vector<uint32_t> buildRowMap() {
    uint32_t stride = (uint32_t)maze.rowStride, height = (uint32_t)maze.imageHeight;
    std::vector<uint32_t> rowMap((size_t)stride * height);
    for (uint32_t i = 0; i < height; i++)
        for (uint32_t j = 0; j < stride; j++) rowMap[(size_t)i * stride + j] = (height - i - 1) * stride + j;
    return rowMap;
}

int classifyPixel(uint32_t x, uint32_t y, uint32_t cellX, uint32_t cellY) {
    int32_t lx = (int32_t)(x - cellX * (uint32_t)maze.cellPitch);
    int32_t ly = (int32_t)(y - cellY * (uint32_t)maze.cellPitch);
    int32_t far = maze.passageWidth + maze.wallThickness - 1;
    int code = 0;
    if (lx < maze.wallThickness) code += 1;
    if (lx > far) code += 2;
    if (ly < maze.wallThickness) code += 4;
    if (ly > far) code += 7;
    switch (code) {
    case 0: return PART_PASSAGE;
    case 1: return WEST;
    case 2: return EAST;
    case 4: return NORTH;
    case 7: return SOUTH;
    default: return CORNER;
    }
}

int hasNeighbour(uint32_t cell, int side) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    uint32_t row = cell / width, column = cell % width;
    switch (side) {
    case NORTH: return row != 0;
    case SOUTH: return row != (uint32_t)maze.mazeHeight - 1;
    case WEST: return column != 0;
    default: return column != width - 1;
    }
}

int isSideOpen(uint32_t cell, int side) {
    uint32_t width = (uint32_t)maze.mazeWidth, row = cell / width;
    switch (side) {
    case NORTH: return maze.southWalls[cell - width] == 0;
    case EAST: return maze.eastWalls[cell - row] == 0;
    case SOUTH: return maze.southWalls[cell] == 0;
    default: return maze.eastWalls[cell - row - 1] == 0;
    }
}

int isPassagePixel(uint32_t position) {
    uint32_t stride = (uint32_t)maze.rowStride, pitch = (uint32_t)maze.cellPitch;
    uint32_t x = position % stride, y = position / stride;
    if (x >= (uint32_t)maze.imageWidth) return 0;  // row fill
    uint32_t cellX = x / pitch, cellY = y / pitch;
    uint32_t cell = cellY * (uint32_t)maze.mazeWidth + cellX;
    int part = classifyPixel(x, y, cellX, cellY);
    if (part == PART_PASSAGE) return 1;
    if (part == CORNER) return 0;
    return hasNeighbour(cell, part) && isSideOpen(cell, part);
}

}  // namespace

std::string referencePixels() {
    std::vector<uint32_t> rowMap = buildRowMap();
    std::string pixels(rowMap.size(), '\0');
    for (size_t k = 0; k < rowMap.size(); k++) pixels[k] = isPassagePixel(rowMap[k]) ? '\xff' : '\0';
    return pixels;
}
