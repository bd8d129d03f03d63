// Reading of the palette file.
#include "output/palette.h"

#include "platform/read_file.h"

const char PALETTE_FILE_NAME[] = "colorPalette.bin";

RunStatus readPalette(uint8_t *palette) {
    size_t read = 0;
    SysResult result = readRegularFile(PALETTE_FILE_NAME, palette, PALETTE_SIZE, &read);
    if (result == SYS_UNSUPPORTED) return RUN_BAD_PALETTE;  // a FIFO, a device, a folder
    if (result != SYS_DONE) return RUN_NO_PALETTE;
    return read == PALETTE_SIZE ? RUN_OK : RUN_BAD_PALETTE;
}
