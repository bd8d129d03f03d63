// Reading of the palette file.
#include "output/palette.h"

#include <cstdio>

const char PALETTE_FILE_NAME[] = "colorPalette.bin";

RunStatus readPalette(uint8_t *palette) {
    FILE *paletteFile = fopen(PALETTE_FILE_NAME, "rb");
    if (!paletteFile) return RUN_NO_PALETTE;
    size_t read = fread(palette, 1, PALETTE_SIZE, paletteFile);
    fclose(paletteFile);
    return read == PALETTE_SIZE ? RUN_OK : RUN_BAD_PALETTE;
}
