// The colour table of the pictures: the first 1024 bytes of
// colorPalette.bin in the current folder, 256 entries of blue, green, red
// and a reserved byte.
#ifndef OUTPUT_PALETTE_H
#define OUTPUT_PALETTE_H

#include <cstddef>
#include <cstdint>

#include "output/raster.h"
#include "platform/run_status.h"

const size_t PALETTE_ENTRIES = 256;    // colours of the table, one for each pixel value
const size_t PALETTE_ENTRY_BYTES = 4;  // bytes of an entry: blue, green, red, 0
const size_t PALETTE_SIZE = PALETTE_ENTRIES * PALETTE_ENTRY_BYTES;  // 1024 bytes

// Name of the palette file, read from the current folder.
extern const char PALETTE_FILE_NAME[];

// Reads the first PALETTE_SIZE bytes of colorPalette.bin into `palette`.
// Returns RUN_OK, RUN_NO_PALETTE when it cannot be opened, or
// RUN_BAD_PALETTE when it holds fewer bytes or is no regular file (a FIFO,
// a device, a folder), which is never waited on.
RunStatus readPalette(uint8_t *palette);

// Sets colour-table entry `way` of `palette` to a colour that stands
// clearly apart from entries `wall` and `passage`: red, or where red is
// close to either of them, the first of blue, green, magenta, cyan and
// yellow that is not; where none is far enough, the one farthest from both.
void markWayColour(uint8_t *palette, uint8_t way, uint8_t wall, uint8_t passage);

// Reads the colour table of a picture drawn in `style` into `palette`: the
// palette (readPalette), with the way's entry marked (markWayColour) when
// the picture shows the way. Returns readPalette's status.
RunStatus readPictureColours(const PictureStyle &style, uint8_t *palette);

#endif
