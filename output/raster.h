// The maze as a grid of 8-bit pixels: a 7 x 7 block per cell, a 5 x 5
// passage square in its middle and a one-pixel rim whose side strips open
// where that side's wall was carved away. Rows are stored bottom-up.
#ifndef OUTPUT_RASTER_H
#define OUTPUT_RASTER_H

#include <cstdint>

#include "maze/maze_state.h"

const int32_t PASSAGE_WIDTH = 5;   // pixels across a cell's passage square
const int32_t WALL_THICKNESS = 1;  // pixels across a cell's rim

const uint8_t WALL_PIXEL = 0x00;     // colour-table entry of walls and fill
const uint8_t PASSAGE_PIXEL = 0xFF;  // colour-table entry of passages

// What a pixel of a cell's block is: its passage square, one of its four
// side strips (the side codes) or one of its corners.
enum PixelPart {
    PART_PASSAGE = -1,
    SIDE_NORTH = 0,   // towards row - 1
    SIDE_EAST = 1,    // towards column + 1
    SIDE_SOUTH = 2,   // towards row + 1
    SIDE_WEST = 3,    // towards column - 1
    PART_CORNER = 4,
};

// Sets the raster fields of `maze` for its sizes and builds the row map.
// `leadingBytes` is what a file puts before the pixel bytes: their sum
// must fit in 32 bits too. Returns MAZE_OK, MAZE_IMAGE_TOO_LARGE when a
// field or that sum would exceed its 32 bits or the row map the memory
// available, or MAZE_NO_MEMORY.
MazeStatus setUpRaster(uint32_t leadingBytes);

// Fills rowMap: stored byte i * rowStride + j holds the top-down position
// of stored row i (row 0 at the bottom of the image), byte j.
void buildRowMap();

// The byte stored at index `k` (< rowStride * imageHeight): PASSAGE_PIXEL
// for passage, WALL_PIXEL for walls, corners, frame and row fill.
uint8_t pixelValue(uint32_t k);

// 1 when stored byte `k` is passage, else 0.
int isPassagePixel(uint32_t k);

// The part of cell (`cellX`, `cellY`)'s block that holds image pixel
// (`x`, `y`): a PixelPart.
int classifyPixel(uint32_t x, uint32_t y, uint32_t cellX, uint32_t cellY);

// 0 when `cell` lies on the grid border at side `side`, else 1.
int hasNeighbour(uint32_t cell, int side);

// 1 when the wall at side `side` of `cell` (which has a neighbour there) was
// carved away, 0 when it stands.
int isSideOpen(uint32_t cell, int side);

#endif
