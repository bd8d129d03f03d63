// The maze as a picture: each cell a block of `wall` rim pixels, a square
// passage of `passage` pixels, and `wall` rim pixels again, across and
// down, every width times the scale. A rim's side strip opens where that
// side's wall was carved away, so a wall between two cells is two rims
// thick and the outer frame one. The geometry is worked out once here and
// every picture format draws from it: the bitmaps by pixel rows (a row
// cursor), the vector pictures by rectangles (picture_shapes).
//
// A row of pixels crosses one row of cells, so it is a run of cell
// patterns: the north strips, the passage rows or the south strips. The
// row cursor draws each kind once per row of cells, straight from the wall
// flags, and hands out how many picture rows repeat it.
#ifndef OUTPUT_RASTER_H
#define OUTPUT_RASTER_H

#include <cstdint>

#include "platform/run_status.h"

const int32_t PASSAGE_WIDTH = 5;   // pixels across a cell's passage square, unless given
const int32_t WALL_THICKNESS = 1;  // pixels across a cell's rim, unless given
const int32_t CELL_PITCH = PASSAGE_WIDTH + 2 * WALL_THICKNESS;  // across a usual cell: 7
const int32_t LARGEST_SCALE = 64;  // the most the widths are multiplied by
const int32_t LARGEST_WIDTH = 64;  // the most pixels a passage or a rim is given
const int32_t LARGEST_DPI = 100000;  // the finest print resolution written, dots an inch
const int64_t LARGEST_SIDE = INT32_MAX;  // the most pixels across or down any picture
const int32_t TENTH_MM_AN_INCH = 254;    // tenths of a millimetre in an inch, which tie
                                         // print resolutions to paper and file units

const uint8_t WALL_PIXEL = 0x00;     // colour-table entry of walls and fill
const uint8_t WAY_PIXEL = 0x01;      // colour-table entry of the way through
const uint8_t PASSAGE_PIXEL = 0xFF;  // colour-table entry of passages

// How a picture of the maze is drawn.
struct PictureStyle {
    int32_t scale = 1;                // multiplies both widths: 1 to LARGEST_SCALE
    int32_t passage = PASSAGE_WIDTH;  // pixels across a passage before the scale,
                                      // 1 to LARGEST_WIDTH
    int32_t wall = WALL_THICKNESS;    // pixels across a cell's rim before the scale,
                                      // 1 to LARGEST_WIDTH
    int32_t dpi = 0;                  // print resolution written into the file, dots
                                      // an inch, 1 to LARGEST_DPI; 0 when not given
    bool openings = false;  // the entrance (west of cell 0) and the exit (east of
                            // the last cell) are open
    bool way = false;       // the way through (findWay) is drawn in WAY_PIXEL;
                            // takes the openings with it
};

// The picture being drawn, set by setUpRaster: 0 until then.
struct Raster {
    PictureStyle style;       // how it is drawn
    int32_t passage = 0;      // pixels across a passage: passage * scale
    int32_t rim = 0;          // pixels across a cell's rim: wall * scale
    int64_t pitch = 0;        // pixels across a cell: passage + 2 * rim
    int32_t imageWidth = 0;   // pitch * mazeWidth pixels
    int32_t imageHeight = 0;  // pitch * mazeHeight pixels
    int64_t rowStride = 0;    // bytes per stored row, imageWidth rounded up to 4
};

extern Raster raster;

// Pixels a metre at `dpi` dots an inch, rounded (an inch is 0.0254 m); 0
// for 0, a resolution not given.
uint32_t pixelsPerMetre(int32_t dpi);

// Sets `raster` for the sizes of `maze` drawn in `style`. Returns RUN_OK, or
// RUN_IMAGE_TOO_LARGE when a side of the picture would be over LARGEST_SIDE
// pixels.
RunStatus setUpRaster(const PictureStyle &style);

// The parts of a row of cells, each a kind of pixel row, from the top.
enum CellRowPart {
    NORTH_STRIPS,  // the north rims: rim rows
    PASSAGE_ROWS,  // the west rims, passages and east rims: passage rows
    SOUTH_STRIPS,  // the south rims: rim rows
    CELL_ROW_PARTS,
};

// A walk over the rows of the picture set up in `raster`, top down or
// bottom up, drawing each distinct row once.
struct RowCursor {
    bool bottomUp;          // the bottom row comes first (the bitmap's order)
    uint32_t cellRowsDone;  // rows of cells all of whose rows were handed out
    int32_t part;           // the next part of the row of cells, in the walk's order
};

// Starts the walk over the rows of the picture in `raster`.
void beginRows(RowCursor *cursor, bool bottomUp);

// Draws the next distinct row of the walk into `row` (rowStride bytes,
// fill included) and returns how many picture rows in a row it stands for;
// 0 once every row was handed out. Reports each row of cells finished to
// the progress line of the step under way.
int32_t nextRow(RowCursor *cursor, uint8_t *row);

// Fills `row` (rowStride bytes, fill included) with the pixel row of part
// `part` of the row of cells `cellRow`.
void drawPixelRow(uint32_t cellRow, CellRowPart part, uint8_t *row);

#endif
