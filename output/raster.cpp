// Geometry and pixel rows of the maze picture.
#include "output/raster.h"

#include <cstring>

#include "maze/maze_solver.h"
#include "maze/maze_state.h"

Raster raster;

RunStatus setUpRaster(const PictureStyle &style) {
    int64_t width = (int64_t)CELL_PITCH * maze.mazeWidth * style.scale;
    int64_t height = (int64_t)CELL_PITCH * maze.mazeHeight * style.scale;
    int64_t stride = width % 4 == 0 ? width : width / 4 * 4 + 4;
    if (width > INT32_MAX || height > INT32_MAX) return RUN_IMAGE_TOO_LARGE;
    raster.style = style;
    raster.imageWidth = (int32_t)width;
    raster.rowStride = stride;
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

// The pixel of a strip between two cells: wall where the wall `flag`
// stands; else passage, or the way's when both cells are on it.
static uint8_t openPixel(int32_t flag, bool bothOnWay) {
    if (flag != 0) return WALL_PIXEL;
    return bothOnWay ? WAY_PIXEL : PASSAGE_PIXEL;
}

// True when `cell` is drawn as part of the way.
static bool drawnOnWay(uint32_t cell) {
    return raster.style.way && onWay(cell);
}

// Draws the grid pixels of pixel row `localY` of the row of cells `cellRow`
// at `out`, one pixel each (CELL_PITCH * mazeWidth bytes).
static void drawGridRow(uint32_t cellRow, int32_t localY, uint8_t *out) {
    uint32_t width = (uint32_t)maze.mazeWidth, first = cellRow * width;
    if (localY < WALL_THICKNESS || localY >= WALL_THICKNESS + PASSAGE_WIDTH) {
        // The north or south strips, between wall corners; a strip on the
        // grid border stays wall.
        bool north = localY < WALL_THICKNESS;
        bool border = north ? cellRow == 0 : cellRow + 1 == (uint32_t)maze.mazeHeight;
        const int32_t *flags = border ? nullptr
                               : maze.southWalls + (size_t)(north ? cellRow - 1 : cellRow) * width;
        for (uint32_t column = 0; column < width; column++) {
            uint32_t cell = first + column, other = north ? cell - width : cell + width;
            uint8_t strip = flags ? openPixel(flags[column], !border && drawnOnWay(cell) &&
                                                                 drawnOnWay(other))
                                  : WALL_PIXEL;
            out = putCell(out, WALL_PIXEL, strip, WALL_PIXEL);
        }
        return;
    }
    // A passage row: the west and east strips open where those walls were
    // carved; the outer frame stays wall but for the entrance and the exit.
    bool openings = raster.style.openings || raster.style.way;
    const int32_t *east = maze.eastWalls + (size_t)cellRow * (width - 1);
    for (uint32_t column = 0; column < width; column++) {
        uint32_t cell = first + column;
        bool here = drawnOnWay(cell);
        uint8_t middle = here ? WAY_PIXEL : PASSAGE_PIXEL;
        uint8_t west = column > 0 ? openPixel(east[column - 1], here && drawnOnWay(cell - 1))
                       : openings && cell == 0 ? middle
                                               : WALL_PIXEL;
        uint8_t eastPixel = column + 1 < width ? openPixel(east[column], here && drawnOnWay(cell + 1))
                            : openings && cell == maze.cellCount - 1 ? middle
                                                                     : WALL_PIXEL;
        out = putCell(out, west, middle, eastPixel);
    }
}

void drawPixelRow(uint32_t cellRow, int32_t localY, uint8_t *row) {
    int32_t scale = raster.style.scale;
    size_t gridWidth = (size_t)CELL_PITCH * (size_t)maze.mazeWidth;
    if (scale == 1) {
        drawGridRow(cellRow, localY, row);
    } else {
        // Drawn at the end of the row, then spread from the left: a grid
        // pixel at i goes to i * scale .. i * scale + scale - 1, never past
        // a grid pixel still to be read.
        uint8_t *grid = row + (size_t)raster.imageWidth - gridWidth;
        drawGridRow(cellRow, localY, grid);
        for (size_t i = 0; i < gridWidth; i++) memset(row + i * (size_t)scale, grid[i], (size_t)scale);
    }
    memset(row + raster.imageWidth, WALL_PIXEL, (size_t)(raster.rowStride - raster.imageWidth));
}
