// The maze as a grid of 8-bit pixels: a 7 x 7 block per cell, a 5 x 5
// passage square in its middle and a one-pixel rim whose side strips open
// where that side's wall was carved away; each pixel of the grid becomes a
// square of `scale` x `scale` pixels of the picture. Rows are stored
// padded to a multiple of 4 bytes.
//
// A row of pixels crosses one row of cells, so it is a run of 7-byte cell
// patterns: the north strips, the passage rows or the south strips. The
// writers draw each kind once per row of cells, straight from the wall
// flags, and write the five passage rows, and the `scale` copies of each
// row, from one drawing.
#ifndef OUTPUT_RASTER_H
#define OUTPUT_RASTER_H

#include <cstdint>

#include "platform/run_status.h"

const int32_t PASSAGE_WIDTH = 5;   // pixels across a cell's passage square
const int32_t WALL_THICKNESS = 1;  // pixels across a cell's rim
const int32_t CELL_PITCH = PASSAGE_WIDTH + 2 * WALL_THICKNESS;  // across a cell's block: 7
const int32_t LARGEST_SCALE = 64;  // picture pixels across one pixel of the grid, at most

const uint8_t WALL_PIXEL = 0x00;     // colour-table entry of walls and fill
const uint8_t WAY_PIXEL = 0x01;      // colour-table entry of the way through
const uint8_t PASSAGE_PIXEL = 0xFF;  // colour-table entry of passages

// How a picture of the maze is drawn.
struct PictureStyle {
    int32_t scale = 1;      // picture pixels across one pixel of the grid: 1 to LARGEST_SCALE
    bool openings = false;  // the entrance (west of cell 0) and the exit (east of
                            // the last cell) are open
    bool way = false;       // the way through (findWay) is drawn in WAY_PIXEL;
                            // takes the openings with it
};

// The picture being drawn, set by setUpRaster: 0 until then.
struct Raster {
    PictureStyle style;       // how it is drawn
    int32_t imageWidth = 0;   // CELL_PITCH * mazeWidth * scale pixels
    int32_t imageHeight = 0;  // CELL_PITCH * mazeHeight * scale pixels
    int64_t rowStride = 0;    // bytes per stored row, imageWidth rounded up to 4
};

extern Raster raster;

// Sets `raster` for the sizes of `maze` drawn in `style`. Returns RUN_OK, or
// RUN_IMAGE_TOO_LARGE when a side of the picture would not fit in 31 bits.
RunStatus setUpRaster(const PictureStyle &style);

// Fills `row` (rowStride bytes, fill included) with the picture row of
// grid pixel row `localY` (0 to CELL_PITCH - 1, from the top) of the row of
// cells `cellRow`, scaled across.
void drawPixelRow(uint32_t cellRow, int32_t localY, uint8_t *row);

#endif
