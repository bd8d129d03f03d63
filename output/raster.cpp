// Geometry and pixel rows of the maze image.
#include "output/raster.h"

#include <cstring>

Raster raster;

RunStatus setUpRaster(uint32_t leadingBytes) {
    int64_t width = (int64_t)CELL_PITCH * maze.mazeWidth;
    int64_t height = (int64_t)CELL_PITCH * maze.mazeHeight;
    int64_t stride = width % 4 == 0 ? width : width / 4 * 4 + 4;
    uint64_t storedBytes = (uint64_t)stride * (uint64_t)height;
    if (stride > INT32_MAX || height > INT32_MAX || storedBytes + leadingBytes > UINT32_MAX)
        return RUN_IMAGE_TOO_LARGE;

    raster.imageWidth = (int32_t)width;
    raster.rowStride = (int32_t)stride;
    raster.imageHeight = (int32_t)height;
    return RUN_OK;
}

// Writes one cell's pattern at `out`: `first` on the rim pixels before the
// passage, `middle` across it, `last` on the rim pixels after it.
// The widths are the constants, so that the copies are a few stores.
static uint8_t *putCell(uint8_t *out, uint8_t first, uint8_t middle, uint8_t last) {
    memset(out, first, WALL_THICKNESS);
    out += WALL_THICKNESS;
    memset(out, middle, PASSAGE_WIDTH);
    out += PASSAGE_WIDTH;
    memset(out, last, WALL_THICKNESS);
    return out + WALL_THICKNESS;
}

static uint8_t openPixel(int32_t flag) {
    return flag == 0 ? PASSAGE_PIXEL : WALL_PIXEL;
}

void drawPixelRow(uint32_t cellRow, int32_t localY, uint8_t *row) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    uint8_t *out = row;
    if (localY < WALL_THICKNESS || localY >= WALL_THICKNESS + PASSAGE_WIDTH) {
        // The north or south strips, between wall corners; a strip on the
        // grid border stays wall.
        bool north = localY < WALL_THICKNESS;
        bool border = north ? cellRow == 0 : cellRow + 1 == (uint32_t)maze.mazeHeight;
        const int32_t *flags = border ? nullptr
                               : maze.southWalls + (size_t)(north ? cellRow - 1 : cellRow) * width;
        for (uint32_t column = 0; column < width; column++)
            out = putCell(out, WALL_PIXEL, flags ? openPixel(flags[column]) : WALL_PIXEL,
                          WALL_PIXEL);
    } else {
        // A passage row: the west and east strips open where those walls
        // were carved; the outer frame stays wall.
        const int32_t *east = maze.eastWalls + (size_t)cellRow * (width - 1);
        for (uint32_t column = 0; column < width; column++) {
            uint8_t west = column > 0 ? openPixel(east[column - 1]) : WALL_PIXEL;
            uint8_t eastPixel = column + 1 < width ? openPixel(east[column]) : WALL_PIXEL;
            out = putCell(out, west, PASSAGE_PIXEL, eastPixel);
        }
    }
    memset(out, WALL_PIXEL, (size_t)(raster.rowStride - raster.imageWidth));
}
