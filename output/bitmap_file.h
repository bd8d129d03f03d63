// The bitmap file: an uncompressed 8-bit bottom-up BMP whose 256-entry
// colour table is copied from colorPalette.bin.
#ifndef OUTPUT_BITMAP_FILE_H
#define OUTPUT_BITMAP_FILE_H

#include <cstddef>
#include <cstdint>

#include "maze/maze_state.h"
#include "output/save_file.h"

const size_t BITMAP_FILE_HEADER_SIZE = 14;  // bytes of bmfh
const size_t BITMAP_INFO_HEADER_SIZE = 40;  // bytes of bmih
const size_t PALETTE_SIZE = 1024;           // 256 entries of blue, green, red, 0
const uint32_t PIXEL_DATA_OFFSET =
    BITMAP_FILE_HEADER_SIZE + BITMAP_INFO_HEADER_SIZE + PALETTE_SIZE;  // 1078

// Name of the palette file, read from the current folder.
extern const char PALETTE_FILE_NAME[];

// The BMP file header, field by field.
struct BitmapFileHeader {
    uint16_t bfType;       // "BM"
    uint32_t bfSize;       // bytes of the whole file
    uint16_t bfReserved1;  // 0
    uint16_t bfReserved2;  // 0
    uint32_t bfOffBits;    // offset of the pixel bytes
};

// The BMP info header, field by field.
struct BitmapInfoHeader {
    uint32_t biSize;          // bytes of this header: 40
    int32_t biWidth;          // image width in pixels
    int32_t biHeight;         // image height; positive: rows stored bottom-up
    uint16_t biPlanes;        // 1
    uint16_t biBitCount;      // bits per pixel: 8
    uint32_t biCompression;   // 0: uncompressed
    uint32_t biSizeImage;     // bytes of the stored rows
    int32_t biXPelsPerMeter;  // 0: not given
    int32_t biYPelsPerMeter;  // 0: not given
    uint32_t biClrUsed;       // 0: the whole colour table
    uint32_t biClrImportant;  // 0: every colour
};

// Saves the carved maze as `filename` plus ".bmp". Every input (palette,
// image size, memory for a few pixel rows) is checked before the file is
// touched. Returns MAZE_OK,
// MAZE_NO_PALETTE, MAZE_BAD_PALETTE, MAZE_IMAGE_TOO_LARGE, MAZE_NO_MEMORY,
// MAZE_CANNOT_CREATE or MAZE_CANNOT_WRITE; on failure an existing file of
// that name is left as it was.
MazeStatus saveBitmap(const char *filename);

// Reads the first PALETTE_SIZE bytes of colorPalette.bin into `palette`.
// Returns MAZE_OK, MAZE_NO_PALETTE when it cannot be opened, or
// MAZE_BAD_PALETTE when it holds fewer bytes.
MazeStatus readPalette(uint8_t *palette);

// Writes the 54 header bytes for the image set up in `raster` to `file`;
// returns false on a write error.
bool writeBitmapHeader(SaveFile *file);

// Writes the PALETTE_SIZE bytes of `palette` as the colour table; returns
// false on a write error.
bool copyPalette(SaveFile *file, const uint8_t *palette);

// Writes the stored pixel rows, bottom row first, drawing them in `rows`
// (room for CELL_PITCH rows of rowStride bytes); returns false on a write
// error.
bool writePixels(SaveFile *file, uint8_t *rows);

#endif
