// The bitmap file: an uncompressed 8-bit bottom-up BMP whose 256-entry
// colour table is copied from colorPalette.bin.
#ifndef OUTPUT_BITMAP_FILE_H
#define OUTPUT_BITMAP_FILE_H

#include <cstdint>

#include "maze/maze_state.h"
#include "output/raster.h"
#include "platform/run_status.h"

// The endings of the bitmap's name, without the way and with it.
const char BITMAP_EXTENSION[] = ".bmp";
const char WAY_BITMAP_EXTENSION[] = "-solution.bmp";

// Offset of the pixel bytes: the two headers (14 and 40 bytes) and the
// 1024-byte colour table come first.
const uint32_t PIXEL_DATA_OFFSET = 1078;

// Bytes of a bitmap file of `width` x `height` pixels, its rows padded to
// a multiple of 4 bytes.
constexpr uint64_t bitmapFileBytes(uint64_t width, uint64_t height) {
    return PIXEL_DATA_OFFSET + (width + 3) / 4 * 4 * height;
}

// The largest square maze, in cells a side, whose bitmap at scale 1 fits
// the format's 32-bit file size.
constexpr int32_t largestBitmapSquare() {
    int32_t side = SMALLEST_SIDE;
    while (bitmapFileBytes((uint64_t)CELL_PITCH * (side + 1), (uint64_t)CELL_PITCH * (side + 1)) <=
           UINT32_MAX)
        side++;
    return side;
}

// Saves the carved maze drawn in `style` as `filename` plus ".bmp", or
// plus "-solution.bmp" when it shows the way, whose colour-table entry
// WAY_PIXEL is then a colour that stands apart from those of walls and
// passages. Every input (palette, image size, memory for a row and a block
// of rows) is checked before the file is touched. Returns RUN_OK,
// RUN_NO_PALETTE, RUN_BAD_PALETTE, RUN_IMAGE_TOO_LARGE (a file over 4 GiB),
// RUN_NO_MEMORY, RUN_CANNOT_CREATE or RUN_CANNOT_WRITE; on failure an
// existing file of that name is left as it was.
RunStatus saveBitmap(const char *filename, const PictureStyle &style);

// Sets up the raster for the maze drawn in `style` (setUpRaster) and checks
// that its bitmap fits the format: RUN_OK or RUN_IMAGE_TOO_LARGE.
RunStatus setUpBitmap(const PictureStyle &style);

#endif
