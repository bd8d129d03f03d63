// Rectangles of the maze picture: merged wall runs and the way's stretches.
#include "output/picture_shapes.h"

#include <cstdlib>

#include "maze/maze_solver.h"
#include "maze/maze_state.h"
#include "output/raster.h"
#include "platform/progress.h"

// A column boundary with no run of side strips open.
static const uint32_t NO_RUN = UINT32_MAX;

// The picture's pixels from `from` to `to` along a side of `size` pixels,
// cut to the picture, as the start and length of `rect` across or down.
static void span(int64_t from, int64_t to, int64_t size, int64_t *start, int64_t *length) {
    if (from < 0) from = 0;
    if (to > size) to = size;
    *start = from;
    *length = to - from;
}

// True when the north strip of column `column` in the band above row of
// cells `band` is wall: every strip of the frame's bands, else where the
// wall stands.
static bool bandStripStands(uint32_t band, uint32_t column) {
    if (band == 0 || band == (uint32_t)maze.mazeHeight) return true;
    return maze.southWalls[(size_t)(band - 1) * (uint32_t)maze.mazeWidth + column] != 0;
}

// True when the side strip at column boundary `boundary` of the row of
// cells `row` is wall: the frame but for the entrance and the exit, else
// where the wall stands.
static bool sideStands(uint32_t row, uint32_t boundary) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    bool openings = raster.style.openings || raster.style.way;
    if (boundary == 0) return !(openings && row == 0);
    if (boundary == width) return !(openings && row + 1 == (uint32_t)maze.mazeHeight);
    return maze.eastWalls[(size_t)row * (width - 1) + boundary - 1] != 0;
}

// The run of side strips at `boundary` from row `first` to row `last`,
// with the corners between them, in `rect`.
static void sideRun(uint32_t boundary, uint32_t first, uint32_t last, PictureRect *rect) {
    int64_t pitch = raster.pitch, rim = raster.rim;
    span(boundary * pitch - rim, boundary * pitch + rim, raster.imageWidth, &rect->x, &rect->width);
    span(first * pitch + rim, (last + 1) * pitch - rim, raster.imageHeight, &rect->y, &rect->height);
}

RunStatus beginWallWalk(WallWalk *walk) {
    size_t boundaries = (size_t)maze.mazeWidth + 1;
    walk->runStart = (uint32_t *)malloc(boundaries * sizeof(uint32_t));
    if (!walk->runStart) return RUN_NO_MEMORY;
    for (size_t i = 0; i < boundaries; i++) walk->runStart[i] = NO_RUN;
    walk->cellRow = 0;
    walk->sides = false;
    walk->boundary = 0;
    return RUN_OK;
}

bool nextWallRect(WallWalk *walk, PictureRect *rect) {
    uint32_t width = (uint32_t)maze.mazeWidth, height = (uint32_t)maze.mazeHeight;
    int64_t pitch = raster.pitch, rim = raster.rim;
    for (;;) {
        if (!walk->sides && walk->cellRow <= height) {
            // The band above the row of cells: from a corner through every
            // standing strip and the corner after it.
            uint32_t band = walk->cellRow, first = walk->boundary;
            if (first <= width) {
                uint32_t last = first;
                while (last < width && bandStripStands(band, last)) last++;
                walk->boundary = last + 1;
                span(first * pitch - rim, last * pitch + rim, raster.imageWidth, &rect->x,
                     &rect->width);
                span(band * pitch - rim, band * pitch + rim, raster.imageHeight, &rect->y,
                     &rect->height);
                return true;
            }
            walk->sides = true;
            walk->boundary = 0;
            continue;
        }
        if (walk->cellRow < height) {
            // The side strips of the row: a run opens at a standing strip
            // and is given out at the first open one below it.
            uint32_t row = walk->cellRow;
            while (walk->boundary <= width) {
                uint32_t boundary = walk->boundary++;
                uint32_t *start = &walk->runStart[boundary];
                if (sideStands(row, boundary)) {
                    if (*start == NO_RUN) *start = row;
                } else if (*start != NO_RUN) {
                    sideRun(boundary, *start, row - 1, rect);
                    *start = NO_RUN;
                    return true;
                }
            }
            walk->cellRow++;
            walk->sides = false;
            walk->boundary = 0;
            showProgress(walk->cellRow);
            continue;
        }
        // After the band below the maze: the runs that reach it.
        walk->sides = true;
        while (walk->boundary <= width) {
            uint32_t *start = &walk->runStart[walk->boundary++];
            if (*start == NO_RUN) continue;
            sideRun(walk->boundary - 1, *start, height - 1, rect);
            *start = NO_RUN;
            return true;
        }
        return false;
    }
}

void endWallWalk(WallWalk *walk) {
    free(walk->runStart);
    walk->runStart = nullptr;
}

void beginWayWalk(WayWalk *walk) {
    walk->startRow = walk->endRow = 0;
    walk->startColumn = -1;  // the entrance, left of cell 0
    walk->endColumn = 0;
    walk->previous = 0;
    walk->cell = nextOnWay(0, NO_CELL);
    walk->done = false;
}

// The passages of the cells from (`row0`, `column0`) to (`row1`,
// `column1`), in one row or one column, and the strips between them, cut
// to the picture, in `rect`.
static void stretch(int64_t row0, int64_t column0, int64_t row1, int64_t column1,
                    PictureRect *rect) {
    int64_t pitch = raster.pitch, rim = raster.rim, passage = raster.passage;
    int64_t left = column0 < column1 ? column0 : column1, right = column0 < column1 ? column1 : column0;
    int64_t top = row0 < row1 ? row0 : row1, bottom = row0 < row1 ? row1 : row0;
    span(left * pitch + rim, right * pitch + rim + passage, raster.imageWidth, &rect->x, &rect->width);
    span(top * pitch + rim, bottom * pitch + rim + passage, raster.imageHeight, &rect->y, &rect->height);
}

bool nextWayRect(WayWalk *walk, PictureRect *rect) {
    uint32_t width = (uint32_t)maze.mazeWidth;
    while (!walk->done) {
        // The next position: the next cell, or the exit after the last.
        int64_t row, column;
        if (walk->cell != NO_CELL) {
            row = walk->cell / width;
            column = walk->cell % width;
        } else if (walk->endColumn < (int64_t)width) {
            row = maze.mazeHeight - 1;
            column = width;
        } else {
            stretch(walk->startRow, walk->startColumn, walk->endRow, walk->endColumn, rect);
            walk->done = true;
            return true;
        }
        bool across = walk->startRow == walk->endRow && row == walk->endRow;
        bool down = walk->startColumn == walk->endColumn && column == walk->endColumn;
        bool turns = !across && !down;
        if (turns) stretch(walk->startRow, walk->startColumn, walk->endRow, walk->endColumn, rect);
        if (turns) {
            walk->startRow = walk->endRow;
            walk->startColumn = walk->endColumn;
        }
        walk->endRow = row;
        walk->endColumn = column;
        if (walk->cell != NO_CELL) {
            uint32_t next = nextOnWay(walk->cell, walk->previous);
            walk->previous = walk->cell;
            walk->cell = next;
        }
        if (turns) return true;
    }
    return false;
}
