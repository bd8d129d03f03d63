// Writer of the PDF file. A page's content is text gathered in a block and
// handed to the compressor whenever the block is full; the compressed bytes
// go to the file as they come, the stream's length in an object after it.
// The byte offset of every object is kept for the index at the end.
#include "output/pdf_file.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "maze/maze_state.h"
#include "output/number_text.h"
#include "output/palette.h"
#include "output/picture_shapes.h"
#include "output/save_file.h"
#include "platform/progress.h"

const Paper PAPERS[PAPER_COUNT] = {
    {"a4", 2100, 2970}, {"a5", 1480, 2100}, {"letter", 2159, 2794}, {"legal", 2159, 3556}};

static const char PDF_HEAD[] = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
// Objects 1 and 2 are the catalog and the page tree; each maze has its
// content, the content's length and its page, and as many for its answer.
static const uint32_t CATALOG_OBJECT = 1, PAGES_OBJECT = 2, FIRST_PAGE_OBJECT = 3;
static const uint32_t OBJECTS_A_PAGE = 3;
// Points in an inch (a paper's tenths of a millimetre become points through
// TENTH_MM_AN_INCH).
static const double POINTS_AN_INCH = 72;
// Places of the numbers of a page's size and placing, and of a colour.
static const int PLACE_DECIMALS = 4, SCALE_DECIMALS = 10, COLOUR_DECIMALS = 4;
// Bytes of content text gathered before they go to the compressor, and of
// compressed bytes before they go to the file.
static const size_t TEXT_BLOCK_BYTES = 1 << 16, COMPRESSED_BLOCK_BYTES = 1 << 16;
// Room kept free for the text of one rectangle or operator.
static const size_t LONGEST_PIECE = 8 * NUMBER_TEXT_BYTES;
// zlib's level for the content, as for the PNG: level 3 compresses a
// 3000 x 3000 maze's page in half the time of level 6, to a file a fifth
// larger (see the developer notes); level 9 saves 1 % more than level 6
// in three times its time.
static const int PDF_COMPRESSION_LEVEL = 3;
// Rectangles filled at once: a path no reader finds too long.
static const int RECTS_A_FILL = 1000;
// The index gives each object's offset in 10 digits, then its generation
// and its use: an entry of 20 bytes.
static const uint64_t LARGEST_OFFSET = 9999999999u;
static const int OFFSET_DIGITS = 10;
static const char INDEX_ENTRY_TAIL[] = " 00000 n \n";
// The drawn digits, in units of DIGIT_UNIT points: 5 across and 9 down, a
// digit every 7; DIGIT_GAP points below the maze's margin,
// clear of the paper's edge where printers print nothing.
static const int DIGIT_WIDTH = 5, DIGIT_HEIGHT = 9, DIGIT_ADVANCE = 7;
static const double DIGIT_UNIT = 1.5, DIGIT_GAP = 6;
// Each digit's rows of units from the top, DIGIT_WIDTH bits a row, the
// leftmost unit the highest bit: a plain figure a reader cannot take for a
// letter (a "1" with its flag and foot, a "0" with its stroke).
static const uint8_t DIGIT_ROWS[10][DIGIT_HEIGHT] = {
    {0x0E, 0x11, 0x11, 0x13, 0x15, 0x19, 0x11, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x14, 0x04, 0x04, 0x04, 0x04, 0x04, 0x1F},  // 1
    {0x0E, 0x11, 0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},  // 2
    {0x0E, 0x11, 0x01, 0x01, 0x06, 0x01, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x12, 0x1F, 0x02, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x10, 0x1E, 0x01, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x0E, 0x11, 0x10, 0x10, 0x1E, 0x11, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x01, 0x02, 0x04, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x01, 0x11, 0x0E},  // 9
};

// The book under way.
static struct {
    PictureStyle style;             // the maze pages' style; the answers add the way
    int paper;                      // index of PAPERS, or NO_PAPER
    uint32_t mazeCount;             // mazes the book holds
    uint32_t mazesDone;             // mazes added so far
    bool answers;                   // each maze has an answer page
    const char16_t *answerLabel;    // what a viewer shows before an answer's number
    uint8_t palette[PALETTE_SIZE];  // colours, the way's among them
    double pageWidth, pageHeight;   // points
    double scale;                   // points a picture pixel
    double left, top;               // where the picture's top-left corner is, points
                                    // from the page's bottom-left corner
    uint64_t offset;                // bytes written to the file
    uint64_t *objectOffsets;        // byte offset of each object, 0 unused
    uint32_t objectCount;           // objects of a complete book, 0 included
    z_stream zlib;                  // the compressor of a page's content
    bool zlibReady;                 // zlib was set up
    uint8_t *compressed;            // its output, COMPRESSED_BLOCK_BYTES
    char *text;                     // content text, TEXT_BLOCK_BYTES
    size_t used;                    // bytes of it not yet compressed
    uint64_t streamBytes;           // compressed bytes of the stream under way
    bool failed;                    // a write failed
} pdf;

// Writes `size` bytes to the file, counting them.
static void put(const void *bytes, size_t size) {
    if (pdf.failed) return;
    if (!writeSaveFile(bytes, size)) pdf.failed = true;
    pdf.offset += size;
}

// Writes the text `text`, counting its bytes.
static void putString(const char *text) {
    put(text, strlen(text));
}

// Writes a whole number and `after`.
static void putNumber(int64_t value, const char *after) {
    char text[NUMBER_TEXT_BYTES];
    put(text, (size_t)(putWhole(text, value) - text));
    putString(after);
}

// Starts object `id` at the current offset.
static void startObject(uint32_t id) {
    pdf.objectOffsets[id] = pdf.offset;
    putNumber(id, " 0 obj\n");
}

// Runs the compressor with `flush` over the text handed to it, writing out
// its output as it fills.
static void compress(int flush) {
    for (;;) {
        int result = deflate(&pdf.zlib, flush);
        size_t ready = COMPRESSED_BLOCK_BYTES - pdf.zlib.avail_out;
        bool full = pdf.zlib.avail_out == 0;
        if (result == Z_STREAM_ERROR) pdf.failed = true;
        if (full || (flush == Z_FINISH && ready > 0)) {
            put(pdf.compressed, ready);
            pdf.streamBytes += ready;
            pdf.zlib.next_out = pdf.compressed;
            pdf.zlib.avail_out = (uInt)COMPRESSED_BLOCK_BYTES;
        }
        if (pdf.failed) return;
        if (flush == Z_FINISH ? result == Z_STREAM_END : pdf.zlib.avail_in == 0 && !full) return;
    }
}

// Hands the gathered content text to the compressor.
static void flushText() {
    pdf.zlib.next_in = (Bytef *)pdf.text;
    pdf.zlib.avail_in = (uInt)pdf.used;
    compress(Z_NO_FLUSH);
    pdf.used = 0;
}

// Room for LONGEST_PIECE more bytes of content text.
static char *room() {
    if (pdf.used + LONGEST_PIECE > TEXT_BLOCK_BYTES) flushText();
    return pdf.text + pdf.used;
}

// Ends the content text put at `room()` at `end`.
static void taken(char *end) {
    pdf.used = (size_t)(end - pdf.text);
}

// Appends "x y w h re" and a line end.
static char *putRect(char *out, int64_t x, int64_t y, int64_t width, int64_t height) {
    out = putWhole(out, x);
    *out++ = ' ';
    out = putWhole(out, y);
    *out++ = ' ';
    out = putWhole(out, width);
    *out++ = ' ';
    out = putWhole(out, height);
    return putText(out, " re\n");
}

// Appends palette entry `entry` as the colour to fill with.
static void fillColour(uint8_t entry) {
    const uint8_t *bgr = pdf.palette + entry * PALETTE_ENTRY_BYTES;
    char *out = room();
    for (int i = 2; i >= 0; i--) {
        out = putFixed(out, bgr[i] / 255.0, COLOUR_DECIMALS);
        *out++ = ' ';
    }
    taken(putText(out, "rg\n"));
}

// Appends the rectangles of the walk (the walls, or the way when `way` is
// not null), filled in groups.
static void fillRects(WallWalk *walls, WayWalk *way) {
    PictureRect rect;
    int inPath = 0;
    while (!pdf.failed && (way ? nextWayRect(way, &rect) : nextWallRect(walls, &rect))) {
        char *out = putRect(room(), rect.x, rect.y, rect.width, rect.height);
        if (++inPath == RECTS_A_FILL) {
            out = putText(out, "f\n");
            inPath = 0;
        }
        taken(out);
    }
    if (inPath > 0) taken(putText(room(), "f\n"));
}

// Appends the digits of `number` in the middle of the margin below the
// maze, in the walls' colour.
static void drawNumber(uint32_t number) {
    char digits[NUMBER_TEXT_BYTES];
    int count = (int)(putWhole(digits, number) - digits);
    double margin = PAGE_MARGIN * POINTS_AN_INCH / TENTH_MM_AN_INCH;
    double width = (count * DIGIT_ADVANCE - (DIGIT_ADVANCE - DIGIT_WIDTH)) * DIGIT_UNIT;
    char *out = putText(room(), "q\n");
    out = putFixed(out, DIGIT_UNIT, PLACE_DECIMALS);
    out = putText(out, " 0 0 ");
    out = putFixed(out, DIGIT_UNIT, PLACE_DECIMALS);
    *out++ = ' ';
    out = putFixed(out, (pdf.pageWidth - width) / 2, PLACE_DECIMALS);
    *out++ = ' ';
    out = putFixed(out, margin - DIGIT_GAP - DIGIT_HEIGHT * DIGIT_UNIT, PLACE_DECIMALS);
    taken(putText(out, " cm\n"));
    fillColour(WALL_PIXEL);
    // Each row of a digit as its runs of units, one rectangle a run.
    for (int i = 0; i < count; i++)
        for (int row = 0; row < DIGIT_HEIGHT; row++) {
            uint8_t units = DIGIT_ROWS[digits[i] - '0'][row];
            for (int x = 0; x < DIGIT_WIDTH;) {
                if (!(units >> (DIGIT_WIDTH - 1 - x) & 1)) {
                    x++;
                    continue;
                }
                int run = 0;
                while (x + run < DIGIT_WIDTH && units >> (DIGIT_WIDTH - 1 - x - run) & 1) run++;
                taken(putRect(room(), i * DIGIT_ADVANCE + x, DIGIT_HEIGHT - 1 - row, run, 1));
                x += run;
            }
        }
    taken(putText(room(), "f\nQ\n"));
}

// Writes the page `id` + 2 whose content is object `id` and its length
// object `id` + 1: the maze, with the way when `way`, numbered `number`
// (0: not numbered). Returns RUN_OK, RUN_NO_MEMORY or RUN_CANNOT_WRITE.
static RunStatus writePage(uint32_t id, bool way, uint32_t number) {
    PictureStyle style = pdf.style;
    style.way = way;
    RunStatus status = setUpRaster(style);
    WallWalk walls;
    if (status == RUN_OK) status = beginWallWalk(&walls);
    if (status != RUN_OK) return status;
    beginProgress((uint64_t)maze.mazeHeight);
    startObject(id);
    putString("<< /Length ");
    putNumber(id + 1, " 0 R /Filter /FlateDecode >>\nstream\n");
    deflateReset(&pdf.zlib);
    pdf.zlib.next_out = pdf.compressed;
    pdf.zlib.avail_out = (uInt)COMPRESSED_BLOCK_BYTES;
    pdf.streamBytes = 0;
    pdf.used = 0;

    // The picture's pixels onto the page: y down from its top-left corner.
    char *out = putText(room(), "q\n");
    out = putFixed(out, pdf.scale, SCALE_DECIMALS);
    out = putText(out, " 0 0 -");
    out = putFixed(out, pdf.scale, SCALE_DECIMALS);
    *out++ = ' ';
    out = putFixed(out, pdf.left, PLACE_DECIMALS);
    *out++ = ' ';
    out = putFixed(out, pdf.top, PLACE_DECIMALS);
    taken(putText(out, " cm\n"));
    fillColour(PASSAGE_PIXEL);
    taken(putText(putRect(room(), 0, 0, raster.imageWidth, raster.imageHeight), "f\n"));
    fillColour(WALL_PIXEL);
    fillRects(&walls, nullptr);
    if (way) {
        WayWalk wayWalk;
        beginWayWalk(&wayWalk);
        fillColour(WAY_PIXEL);
        fillRects(nullptr, &wayWalk);
    }
    taken(putText(room(), "Q\n"));
    if (number > 0) drawNumber(number);
    flushText();
    compress(Z_FINISH);
    endWallWalk(&walls);
    endProgress();

    putString("\nendstream\nendobj\n");
    startObject(id + 1);
    putNumber((int64_t)pdf.streamBytes, "\nendobj\n");
    startObject(id + 2);
    putString("<< /Type /Page /Parent ");
    putNumber(PAGES_OBJECT, " 0 R /MediaBox [0 0 ");
    char size[2 * NUMBER_TEXT_BYTES];
    char *end = putFixed(size, pdf.pageWidth, PLACE_DECIMALS);
    *end++ = ' ';
    end = putFixed(end, pdf.pageHeight, PLACE_DECIMALS);
    put(size, (size_t)(end - size));
    putString("] /Resources << >> /Contents ");
    putNumber(id, " 0 R >>\nendobj\n");
    return pdf.failed ? RUN_CANNOT_WRITE : RUN_OK;
}

// The first object of the page of maze `index` (from 0), or of its answer.
static uint32_t pageObject(uint32_t index, bool answer) {
    uint32_t pagesAMaze = pdf.answers ? 2 : 1;
    return FIRST_PAGE_OBJECT + (index * pagesAMaze + (answer ? 1 : 0)) * OBJECTS_A_PAGE;
}

// Frees what the book holds.
static void releasePdf() {
    if (pdf.zlibReady) deflateEnd(&pdf.zlib);
    pdf.zlibReady = false;
    free(pdf.objectOffsets);
    free(pdf.compressed);
    free(pdf.text);
    pdf.objectOffsets = nullptr;
    pdf.compressed = nullptr;
    pdf.text = nullptr;
}

// Sets the page's size and where the picture lies on it.
static void placePicture() {
    double width = raster.imageWidth, height = raster.imageHeight;
    if (pdf.paper == NO_PAPER) {
        pdf.scale = pdf.style.dpi > 0 ? POINTS_AN_INCH / pdf.style.dpi : 1;
        pdf.pageWidth = width * pdf.scale;
        pdf.pageHeight = height * pdf.scale;
        pdf.left = 0;
        pdf.top = pdf.pageHeight;
        return;
    }
    const Paper &paper = PAPERS[pdf.paper];
    double point = POINTS_AN_INCH / TENTH_MM_AN_INCH;
    pdf.pageWidth = paper.width * point;
    pdf.pageHeight = paper.height * point;
    double across = (paper.width - 2 * PAGE_MARGIN) * point / width;
    double down = (paper.height - 2 * PAGE_MARGIN) * point / height;
    pdf.scale = across < down ? across : down;
    pdf.left = (pdf.pageWidth - width * pdf.scale) / 2;
    pdf.top = pdf.pageHeight - (pdf.pageHeight - height * pdf.scale) / 2;
}

RunStatus beginPdf(const char *filename, const PictureStyle &style, int paper, uint32_t mazeCount,
                   bool answers, const char16_t *answerLabel) {
    PictureStyle way = style;
    way.way = answers;
    RunStatus status = readPictureColours(way, pdf.palette);
    if (status == RUN_OK) status = setUpRaster(style);
    if (status != RUN_OK) return status;
    pdf.style = style;
    pdf.paper = paper;
    pdf.mazeCount = mazeCount;
    pdf.mazesDone = 0;
    pdf.answers = answers;
    pdf.answerLabel = answerLabel;
    pdf.objectCount = pageObject(mazeCount, false);
    pdf.offset = 0;
    pdf.failed = false;
    placePicture();
    memset(&pdf.zlib, 0, sizeof pdf.zlib);
    pdf.zlibReady = deflateInit(&pdf.zlib, PDF_COMPRESSION_LEVEL) == Z_OK;
    pdf.objectOffsets = (uint64_t *)calloc(pdf.objectCount, sizeof(uint64_t));
    pdf.compressed = (uint8_t *)malloc(COMPRESSED_BLOCK_BYTES);
    pdf.text = (char *)malloc(TEXT_BLOCK_BYTES);
    if (!pdf.zlibReady || !pdf.objectOffsets || !pdf.compressed || !pdf.text) {
        releasePdf();
        return RUN_NO_MEMORY;
    }
    status = openSaveFile(filename, PDF_EXTENSION, 0);
    if (status != RUN_OK) {
        releasePdf();
        return status;
    }
    putString(PDF_HEAD);
    return RUN_OK;
}

RunStatus addPdfMaze() {
    uint32_t index = pdf.mazesDone, number = pdf.mazeCount > 1 && pdf.paper != NO_PAPER ? index + 1 : 0;
    RunStatus status = writePage(pageObject(index, false), false, number);
    if (status == RUN_OK && pdf.answers) status = writePage(pageObject(index, true), true, number);
    if (status == RUN_OK) pdf.mazesDone++;
    return status;
}

// Writes the page tree, the catalog, the index of offsets and the trailer;
// false when an offset does not fit the index.
static bool writeIndex() {
    startObject(PAGES_OBJECT);
    putString("<< /Type /Pages /Kids [");
    for (int answer = 0; answer <= (pdf.answers ? 1 : 0); answer++)
        for (uint32_t i = 0; i < pdf.mazeCount; i++) putNumber(pageObject(i, answer) + 2, " 0 R\n");
    putString("] /Count ");
    putNumber((int64_t)pdf.mazeCount * (pdf.answers ? 2 : 1), " >>\nendobj\n");
    startObject(CATALOG_OBJECT);
    putString("<< /Type /Catalog /Pages ");
    putNumber(PAGES_OBJECT, " 0 R");
    if (pdf.mazeCount > 1) {
        // A viewer shows the mazes' numbers, and the answers' after their label.
        putString(" /PageLabels << /Nums [0 << /S /D >>");
        if (pdf.answers) {
            putNumber(pdf.mazeCount, " << /S /D /P <FEFF");
            static const char HEX[] = "0123456789ABCDEF";
            for (const char16_t *c = pdf.answerLabel; *c; c++) {
                char unit[4] = {HEX[*c >> 12], HEX[*c >> 8 & 0xF], HEX[*c >> 4 & 0xF], HEX[*c & 0xF]};
                put(unit, sizeof unit);
            }
            putString("> >>");
        }
        putString("] >>");
    }
    putString(" >>\nendobj\n");

    uint64_t index = pdf.offset;
    putString("xref\n0 ");
    putNumber(pdf.objectCount, "\n0000000000 65535 f \n");
    bool fits = true;
    for (uint32_t id = 1; id < pdf.objectCount; id++) {
        uint64_t offset = pdf.objectOffsets[id];
        fits = fits && offset <= LARGEST_OFFSET;
        char entry[OFFSET_DIGITS + sizeof INDEX_ENTRY_TAIL - 1];
        for (int i = OFFSET_DIGITS - 1; i >= 0; i--, offset /= 10) entry[i] = (char)('0' + offset % 10);
        memcpy(entry + OFFSET_DIGITS, INDEX_ENTRY_TAIL, sizeof INDEX_ENTRY_TAIL - 1);
        put(entry, sizeof entry);
    }
    putString("trailer\n<< /Size ");
    putNumber(pdf.objectCount, " /Root ");
    putNumber(CATALOG_OBJECT, " 0 R >>\nstartxref\n");
    putNumber((int64_t)index, "\n%%EOF\n");
    return fits;
}

RunStatus finishPdf(bool complete) {
    bool fits = true;
    if (complete) fits = writeIndex();
    RunStatus status = finishSaveFile(complete && fits && !pdf.failed);
    releasePdf();
    if (complete && !fits) return RUN_IMAGE_TOO_LARGE;
    return status;
}
