// The picture of the raster as rectangles, for the vector formats: the
// walls as long runs (a row of standing walls and the corners between them
// is one rectangle, a column of them another) and the way as its straight
// stretches, each from the raster's one geometry, so that filled in their
// colours over the passages' they give the bitmap's pixels. Walked row of
// cells by row of cells, holding one number per column of cells.
#ifndef OUTPUT_PICTURE_SHAPES_H
#define OUTPUT_PICTURE_SHAPES_H

#include <cstdint>

#include "platform/run_status.h"

// A rectangle of the picture in its pixels, from its top-left corner.
struct PictureRect {
    int64_t x;       // pixels from the picture's left edge
    int64_t y;       // pixels from its top edge
    int64_t width;   // pixels across, more than 0
    int64_t height;  // pixels down, more than 0
};

// A walk over the walls of the picture set up in `raster`: the band of
// wall above each row of cells (the corners and the north strips that
// stand), then the side strips of that row, each column's run of standing
// side strips given out once it ends; last the band below the maze.
struct WallWalk {
    uint32_t cellRow;    // the row of cells under way; mazeHeight for the last band
    bool sides;          // its side strips are under way, else the band above it
    uint32_t boundary;   // the next corner of the band, or column boundary of the sides
    uint32_t *runStart;  // for each of the mazeWidth + 1 column boundaries, the
                         // first row of cells of its run of standing side strips,
                         // or NO_RUN
};

// A walk over the way through the maze (findWay) as straight stretches,
// from the entrance at the left edge to the exit at the right one.
struct WayWalk {
    int64_t startRow, startColumn;  // the stretch's first cell; column -1 is the
                                    // entrance, mazeWidth the exit
    int64_t endRow, endColumn;      // its last cell so far
    uint32_t cell;                  // the cell after it on the way, or NO_CELL
    uint32_t previous;              // the cell before that one
    bool done;                      // every stretch was given out
};

// Starts the walk over the walls; RUN_OK or RUN_NO_MEMORY.
RunStatus beginWallWalk(WallWalk *walk);

// Gives out the next rectangle of wall in `rect`; false once there is none
// left. Reports each row of cells finished to the progress line.
bool nextWallRect(WallWalk *walk, PictureRect *rect);

// Frees what the walk holds.
void endWallWalk(WallWalk *walk);

// Starts the walk over the way.
void beginWayWalk(WayWalk *walk);

// Gives out the next straight stretch of the way in `rect`: the passages of
// its cells and the strips between them; false once there is none left.
bool nextWayRect(WayWalk *walk, PictureRect *rect);

#endif
