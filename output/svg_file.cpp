// Writer of the SVG file. The text is gathered in a block that goes to the
// file whenever it is full; the rectangles of one colour go into path
// elements of a bounded length, each after the first placed relative to
// the one before, so that a reader that limits an attribute's length takes
// any maze.
#include "output/svg_file.h"

#include "maze/maze_state.h"
#include "output/number_text.h"
#include "output/palette.h"
#include "output/picture_shapes.h"
#include "output/save_file.h"

// Bytes of text gathered before they go to the file.
static const size_t TEXT_BLOCK_BYTES = 1 << 16;
// Room kept free for the text of one rectangle or one tag.
static const size_t LONGEST_PIECE = 8 * NUMBER_TEXT_BYTES;
// Bytes of path data after which a path element ends and the next begins.
static const size_t PATH_DATA_BYTES = 1 << 15;
// Ten-thousandths of a millimetre in an inch, for a size at a print
// resolution, and the places they are.
static const int64_t UNITS_A_TENTH_MM = 1000;
static const int64_t INCH_UNITS = TENTH_MM_AN_INCH * UNITS_A_TENTH_MM;
static const int MILLIMETRE_DECIMALS = 4;
static const double UNITS_A_MILLIMETRE = 10000;

// The text under way.
static struct {
    char bytes[TEXT_BLOCK_BYTES];  // text not yet written
    size_t used;                   // bytes of it
    bool failed;                   // a write failed: nothing more is written
    bool pathOpen;                 // a path element's data is under way
    size_t pathBytes;              // bytes of that data so far
    int64_t lastX, lastY;          // where its last rectangle starts
} svg;

// Writes the gathered text to the file.
static void flushText() {
    if (!svg.failed && svg.used > 0 && !writeSaveFile(svg.bytes, svg.used)) svg.failed = true;
    svg.used = 0;
}

// Room for LONGEST_PIECE more bytes at the end of the gathered text.
static char *room() {
    if (svg.used + LONGEST_PIECE > TEXT_BLOCK_BYTES) flushText();
    return svg.bytes + svg.used;
}

// Ends the text put at `room()` at `end`.
static void taken(char *end) {
    svg.used = (size_t)(end - svg.bytes);
}

// Appends palette entry `entry` of `palette` as "#rrggbb".
static char *putColour(char *out, const uint8_t *palette, uint8_t entry) {
    static const char HEX[] = "0123456789abcdef";
    const uint8_t *bgr = palette + entry * PALETTE_ENTRY_BYTES;
    *out++ = '#';
    for (int i = 2; i >= 0; i--) {
        *out++ = HEX[bgr[i] >> 4];
        *out++ = HEX[bgr[i] & 0xF];
    }
    return out;
}

// Appends a side of `pixels` pixels as an attribute's value: the pixels, or
// at a print resolution the millimetres they print to, rounded down to
// MILLIMETRE_DECIMALS places, so that a renderer at that resolution gives
// the side its pixels.
static char *putSide(char *out, int32_t pixels) {
    int32_t dpi = raster.style.dpi;
    if (dpi == 0) return putWhole(out, pixels);
    int64_t units = pixels * INCH_UNITS / dpi;
    return putText(putFixed(out, (double)units / UNITS_A_MILLIMETRE, MILLIMETRE_DECIMALS), "mm");
}

// Ends the path element under way, if any.
static void closePath() {
    if (!svg.pathOpen) return;
    taken(putText(room(), "\"/>\n"));
    svg.pathOpen = false;
}

// Appends `rect` as a subpath of the path element under way, opening one
// when none is.
static void putRect(const PictureRect &rect) {
    char *out = room(), *start = out;
    if (!svg.pathOpen) {
        out = putText(out, "<path d=\"M");
        out = putWhole(out, rect.x);
        *out++ = ' ';
        out = putWhole(out, rect.y);
        svg.pathOpen = true;
        svg.pathBytes = 0;
    } else {
        *out++ = 'm';
        out = putWhole(out, rect.x - svg.lastX);
        *out++ = ' ';
        out = putWhole(out, rect.y - svg.lastY);
    }
    *out++ = 'h';
    out = putWhole(out, rect.width);
    *out++ = 'v';
    out = putWhole(out, rect.height);
    out = putText(out, "h-");
    out = putWhole(out, rect.width);
    *out++ = 'z';
    taken(out);
    svg.lastX = rect.x;
    svg.lastY = rect.y;
    svg.pathBytes += (size_t)(out - start);
    if (svg.pathBytes > PATH_DATA_BYTES) closePath();
}

// Opens a group of shapes filled with palette entry `entry`.
static void openGroup(const uint8_t *palette, uint8_t entry) {
    char *out = putText(room(), "<g fill=\"");
    taken(putText(putColour(out, palette, entry), "\">\n"));
}

// Closes the group under way.
static void closeGroup() {
    closePath();
    taken(putText(room(), "</g>\n"));
}

// Writes the whole picture; returns false on a write error.
static bool writeSvg(const uint8_t *palette, WallWalk *walls) {
    char *out = putText(room(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out = putText(out, "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"");
    out = putText(putSide(out, raster.imageWidth), "\" height=\"");
    out = putText(putSide(out, raster.imageHeight), "\" viewBox=\"0 0 ");
    out = putWhole(out, raster.imageWidth);
    *out++ = ' ';
    out = putWhole(out, raster.imageHeight);
    taken(putText(out, "\" shape-rendering=\"crispEdges\">\n"));
    out = putText(room(), "<rect width=\"");
    out = putText(putWhole(out, raster.imageWidth), "\" height=\"");
    out = putText(putWhole(out, raster.imageHeight), "\" fill=\"");
    taken(putText(putColour(out, palette, PASSAGE_PIXEL), "\"/>\n"));

    PictureRect rect;
    openGroup(palette, WALL_PIXEL);
    while (nextWallRect(walls, &rect) && !svg.failed) putRect(rect);
    closeGroup();
    if (raster.style.way) {
        WayWalk way;
        beginWayWalk(&way);
        openGroup(palette, WAY_PIXEL);
        while (nextWayRect(&way, &rect) && !svg.failed) putRect(rect);
        closeGroup();
    }
    taken(putText(room(), "</svg>\n"));
    flushText();
    return !svg.failed;
}

RunStatus saveSvg(const char *filename, const PictureStyle &style) {
    uint8_t palette[PALETTE_SIZE];
    RunStatus status = readPictureColours(style, palette);
    if (status != RUN_OK) return status;
    status = setUpRaster(style);
    if (status != RUN_OK) return status;
    WallWalk walls;
    status = beginWallWalk(&walls);
    if (status != RUN_OK) return status;
    status = openSaveFile(filename, style.way ? WAY_SVG_EXTENSION : SVG_EXTENSION,
                          (uint64_t)maze.mazeHeight);
    if (status == RUN_OK) {
        svg.used = 0;
        svg.failed = false;
        svg.pathOpen = false;
        status = finishSaveFile(writeSvg(palette, &walls));
    }
    endWallWalk(&walls);
    return status;
}
