// The bitmap file: an uncompressed 8-bit bottom-up BMP whose 256-entry
// colour table is copied from colorPalette.bin.
#ifndef OUTPUT_BITMAP_FILE_H
#define OUTPUT_BITMAP_FILE_H

#include <cstdint>

#include "platform/run_status.h"

// Offset of the pixel bytes: the two headers (14 and 40 bytes) and the
// 1024-byte colour table come first.
const uint32_t PIXEL_DATA_OFFSET = 1078;

// Saves the carved maze as `filename` plus ".bmp". Every input (palette,
// image size, memory for a few pixel rows) is checked before the file is
// touched. Returns RUN_OK, RUN_NO_PALETTE, RUN_BAD_PALETTE,
// RUN_IMAGE_TOO_LARGE, RUN_NO_MEMORY, RUN_CANNOT_CREATE or
// RUN_CANNOT_WRITE; on failure an existing file of that name is left as it
// was.
RunStatus saveBitmap(const char *filename);

#endif
