// Geometry and pixel rows of the maze picture.
#include "output/raster.h"

#include <cstring>

#include "maze/maze_solver.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

Raster raster;

RunStatus setUpRaster(const PictureStyle &style) {
    int64_t passage = (int64_t)style.passage * style.scale, rim = (int64_t)style.wall * style.scale;
    int64_t pitch = passage + 2 * rim;
    int64_t width = pitch * maze.mazeWidth;
    int64_t height = pitch * maze.mazeHeight;
    int64_t stride = width % 4 == 0 ? width : width / 4 * 4 + 4;
    if (width > LARGEST_SIDE || height > LARGEST_SIDE) return RUN_IMAGE_TOO_LARGE;
    raster.style = style;
    raster.passage = (int32_t)passage;
    raster.rim = (int32_t)rim;
    raster.pitch = pitch;
    raster.imageWidth = (int32_t)width;
    raster.rowStride = stride;
    raster.imageHeight = (int32_t)height;
    return RUN_OK;
}

// Tenths of a millimetre in a metre.
static const uint64_t TENTH_MM_A_METRE = 10000;

uint32_t pixelsPerMetre(int32_t dpi) {
    return (uint32_t)(((uint64_t)dpi * TENTH_MM_A_METRE + TENTH_MM_AN_INCH / 2) / TENTH_MM_AN_INCH);
}

// Writes one cell's pattern at `out`: `first` on the `rim` pixels before
// the passage, `middle` across its `passage` pixels, `last` on the rim
// pixels after it; returns the byte after the cell.
static inline uint8_t *putCell(uint8_t *out, int32_t rim, int32_t passage, uint8_t first,
                               uint8_t middle, uint8_t last) {
    memset(out, first, (size_t)rim);
    out += rim;
    memset(out, middle, (size_t)passage);
    out += passage;
    memset(out, last, (size_t)rim);
    return out + rim;
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

// Draws the grid pixels (the widths before the scale) of part `part` of
// the row of cells `cellRow` at `out`. USUAL_CELL draws the usual cell of
// the constants, whose few fixed-size stores beat the copies of any width.
template <bool USUAL_CELL>
static void drawGridRow(uint32_t cellRow, CellRowPart part, uint8_t *out) {
    int32_t rim = USUAL_CELL ? WALL_THICKNESS : raster.style.wall;
    int32_t passage = USUAL_CELL ? PASSAGE_WIDTH : raster.style.passage;
    uint32_t width = (uint32_t)maze.mazeWidth, first = cellRow * width;
    if (part != PASSAGE_ROWS) {
        // The north or south strips, between wall corners; a strip on the
        // grid border stays wall.
        bool north = part == NORTH_STRIPS;
        bool border = north ? cellRow == 0 : cellRow + 1 == (uint32_t)maze.mazeHeight;
        const int32_t *flags = border ? nullptr
                               : maze.southWalls + (size_t)(north ? cellRow - 1 : cellRow) * width;
        for (uint32_t column = 0; column < width; column++) {
            uint32_t cell = first + column, other = north ? cell - width : cell + width;
            uint8_t strip = flags ? openPixel(flags[column], !border && drawnOnWay(cell) &&
                                                                 drawnOnWay(other))
                                  : WALL_PIXEL;
            out = putCell(out, rim, passage, WALL_PIXEL, strip, WALL_PIXEL);
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
        out = putCell(out, rim, passage, west, middle, eastPixel);
    }
}

void drawPixelRow(uint32_t cellRow, CellRowPart part, uint8_t *row) {
    const PictureStyle &style = raster.style;
    int32_t scale = style.scale;
    bool usual = style.passage == PASSAGE_WIDTH && style.wall == WALL_THICKNESS;
    size_t gridWidth = (size_t)(style.passage + 2 * style.wall) * (size_t)maze.mazeWidth;
    // At a scale the grid is drawn at the end of the row, then spread from
    // the left: a grid pixel at i goes to i * scale .. i * scale + scale - 1,
    // never past a grid pixel still to be read.
    uint8_t *grid = scale == 1 ? row : row + (size_t)raster.imageWidth - gridWidth;
    if (usual) drawGridRow<true>(cellRow, part, grid);
    else drawGridRow<false>(cellRow, part, grid);
    if (scale > 1)
        for (size_t i = 0; i < gridWidth; i++) memset(row + i * (size_t)scale, grid[i], (size_t)scale);
    memset(row + raster.imageWidth, WALL_PIXEL, (size_t)(raster.rowStride - raster.imageWidth));
}

void beginRows(RowCursor *cursor, bool bottomUp) {
    cursor->bottomUp = bottomUp;
    cursor->cellRowsDone = 0;
    cursor->part = 0;
}

int32_t nextRow(RowCursor *cursor, uint8_t *row) {
    uint32_t cellRows = (uint32_t)maze.mazeHeight;
    if (cursor->cellRowsDone == cellRows) return 0;
    uint32_t cellRow = cursor->bottomUp ? cellRows - 1 - cursor->cellRowsDone : cursor->cellRowsDone;
    CellRowPart part =
        (CellRowPart)(cursor->bottomUp ? CELL_ROW_PARTS - 1 - cursor->part : cursor->part);
    drawPixelRow(cellRow, part, row);
    if (++cursor->part == CELL_ROW_PARTS) {
        cursor->part = 0;
        showProgress(++cursor->cellRowsDone);
    }
    return part == PASSAGE_ROWS ? raster.passage : raster.rim;
}
