// The maze as a grid of 8-bit pixels: a 7 x 7 block per cell, a 5 x 5
// passage square in its middle and a one-pixel rim whose side strips open
// where that side's wall was carved away. Rows are stored bottom-up, each
// padded to a multiple of 4 bytes.
//
// A row of pixels crosses one row of cells, so it is a run of 7-byte cell
// patterns: the north strips, the passage rows or the south strips. The
// bitmap writer draws each kind once per row of cells, straight from the
// wall flags, and writes the five passage rows from one drawing.
#ifndef OUTPUT_RASTER_H
#define OUTPUT_RASTER_H

#include <cstdint>

#include "maze/maze_state.h"
#include "platform/run_status.h"

const int32_t PASSAGE_WIDTH = 5;   // pixels across a cell's passage square
const int32_t WALL_THICKNESS = 1;  // pixels across a cell's rim
const int32_t CELL_PITCH = PASSAGE_WIDTH + 2 * WALL_THICKNESS;  // across a cell's block: 7

const uint8_t WALL_PIXEL = 0x00;     // colour-table entry of walls and fill
const uint8_t PASSAGE_PIXEL = 0xFF;  // colour-table entry of passages

// The image of the maze, set by setUpRaster: 0 until then.
struct Raster {
    int32_t imageWidth = 0;   // CELL_PITCH * mazeWidth pixels
    int32_t imageHeight = 0;  // CELL_PITCH * mazeHeight pixels
    int32_t rowStride = 0;    // bytes per stored row, imageWidth rounded up to 4
};

extern Raster raster;

// Sets `raster` for the sizes of `maze`. `leadingBytes` is what a
// file puts before the pixel bytes. Returns RUN_OK, or
// RUN_IMAGE_TOO_LARGE when a field, the pixel bytes or their sum with
// `leadingBytes` would not fit in 32 bits.
RunStatus setUpRaster(uint32_t leadingBytes);

// Fills `row` (rowStride bytes, fill included) with pixel row `localY`
// (0 to CELL_PITCH - 1, from the top) of the row of cells `cellRow`.
void drawPixelRow(uint32_t cellRow, int32_t localY, uint8_t *row);

#endif
