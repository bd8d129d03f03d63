// The PNG file: an indexed-colour PNG of the smallest bit depth that holds
// the picture's colours (1 bit for the maze, 2 with the way), whose colour
// table holds the palette's entries of those colours; rows filtered and
// compressed with zlib as they are drawn.
#ifndef OUTPUT_PNG_FILE_H
#define OUTPUT_PNG_FILE_H

#include <cstdint>

#include "output/raster.h"
#include "platform/run_status.h"

// The endings of the PNG file's name, without the way and with it.
const char PNG_EXTENSION[] = ".png";
const char WAY_PNG_EXTENSION[] = "-solution.png";

// The longest side of a PNG picture, in pixels: as long as any picture's.
const int64_t PNG_LARGEST_SIDE = INT32_MAX;
static_assert(PNG_LARGEST_SIDE >= LARGEST_SIDE, "every picture fits a PNG");

// Saves the carved maze drawn in `style` as `filename` plus ".png", or plus
// "-solution.png" when it shows the way (whose colour is chosen as for the
// bitmap). Every input (palette, picture size, memory for the compression
// and a row) is checked before the file is touched. Returns RUN_OK,
// RUN_NO_PALETTE, RUN_BAD_PALETTE, RUN_IMAGE_TOO_LARGE (a side over
// PNG_LARGEST_SIDE pixels), RUN_NO_MEMORY, RUN_CANNOT_CREATE or
// RUN_CANNOT_WRITE; on failure an existing file of that name is left as it
// was.
RunStatus savePng(const char *filename, const PictureStyle &style);

// Sets up the raster for the maze drawn in `style` (setUpRaster), which
// refuses any picture a PNG cannot hold: RUN_OK or RUN_IMAGE_TOO_LARGE.
RunStatus setUpPng(const PictureStyle &style);

// How the rows of a PNG are compressed.
struct PngCompression {
    int level;       // zlib's level, 1 (fastest) to 9 (smallest)
    int strategy;    // zlib's strategy (Z_DEFAULT_STRATEGY, Z_FILTERED, Z_RLE)
    uint8_t filter;  // the filter type of every row: 0 none, 2 the row above,
                     // or FILTER_BY_WIDTH
};

// A filter chosen by the picture's width: none where the compressor's
// window reaches a row back (it then matches a repeated row whole), the
// row above where rows are longer (a repeated row is then zeros).
const uint8_t FILTER_BY_WIDTH = 0xFF;

// The compression savePng uses; see the README for why.
extern const PngCompression PNG_COMPRESSION;

// savePng with `compression` instead of PNG_COMPRESSION, to measure others.
RunStatus writePng(const char *filename, const PictureStyle &style,
                   const PngCompression &compression);

#endif
