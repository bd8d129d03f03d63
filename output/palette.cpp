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

// Colours a way may take, as red, green and blue, the first preferred.
static const uint8_t WAY_COLOURS[][3] = {
    {255, 0, 0}, {0, 0, 255}, {0, 160, 0}, {255, 0, 255}, {0, 200, 255}, {255, 220, 0}};
// Squared distance in red, green and blue at which two colours stand apart:
// 120 of the 441 between black and white.
static const int APART = 120 * 120;

// Squared distance between `rgb` and palette entry `entry`.
static int distance(const uint8_t *rgb, const uint8_t *palette, uint8_t entry) {
    const uint8_t *bgr = palette + (size_t)entry * PALETTE_ENTRY_BYTES;
    int red = rgb[0] - bgr[2], green = rgb[1] - bgr[1], blue = rgb[2] - bgr[0];
    return red * red + green * green + blue * blue;
}

void markWayColour(uint8_t *palette, uint8_t way, uint8_t wall, uint8_t passage) {
    const uint8_t *chosen = WAY_COLOURS[0];
    int best = -1;
    for (const uint8_t *colour : WAY_COLOURS) {
        int nearest = distance(colour, palette, wall);
        int other = distance(colour, palette, passage);
        if (other < nearest) nearest = other;
        if (nearest >= APART) {
            chosen = colour;
            break;
        }
        if (nearest > best) {
            best = nearest;
            chosen = colour;
        }
    }
    uint8_t *entry = palette + (size_t)way * PALETTE_ENTRY_BYTES;
    entry[0] = chosen[2];
    entry[1] = chosen[1];
    entry[2] = chosen[0];
    entry[3] = 0;
}

RunStatus readPictureColours(const PictureStyle &style, uint8_t *palette) {
    RunStatus status = readPalette(palette);
    if (status == RUN_OK && style.way) markWayColour(palette, WAY_PIXEL, WALL_PIXEL, PASSAGE_PIXEL);
    return status;
}
