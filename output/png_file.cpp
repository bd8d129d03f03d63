// Writer of the PNG file. Each distinct pixel row of a row of cells is
// drawn once, packed to the file's bit depth and filtered, then handed to
// the compressor as many times as the scale repeats it; the compressed
// bytes go to the file in chunks as the compressor's buffer fills.
#include "output/png_file.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "maze/maze_state.h"
#include "output/palette.h"
#include "output/save_file.h"

static const uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
static const uint8_t COLOUR_TYPE_INDEXED = 3;
// Bytes of a chunk's length, type and CRC around its data.
static const size_t CHUNK_LENGTH_BYTES = 4, CHUNK_TYPE_BYTES = 4, CHUNK_CRC_BYTES = 4;
static const size_t IHDR_BYTES = 13;
// The pHYs chunk: pixels a unit across and down, and its unit, the metre.
static const size_t PHYS_BYTES = 9;
static const uint8_t UNIT_METRE = 1;
// Filter types of a row: the bytes as they are, or less the row above.
static const uint8_t ROW_FILTER_NONE = 0, ROW_FILTER_UP = 2;
static const int WINDOW_BITS = 15, MEMORY_LEVEL = 8;
// The farthest back the compressor finds a match, in bytes.
static const size_t WINDOW_BYTES = (size_t)1 << WINDOW_BITS;

const PngCompression PNG_COMPRESSION = {3, Z_DEFAULT_STRATEGY, FILTER_BY_WIDTH};
// Compressed bytes gathered before they go to the file as one chunk.
static const size_t COMPRESSED_BLOCK_BYTES = 1 << 18;
// Bytes of one colour-table entry of the PNG: red, green, blue.
static const size_t PNG_ENTRY_BYTES = 3;

// The compression of the picture under way.
struct PngStream {
    z_stream zlib;                   // the compressor
    uint8_t *compressed;             // room for COMPRESSED_BLOCK_BYTES of its output
    uint8_t index[PALETTE_ENTRIES];  // the PNG index of each colour-table entry drawn
    int bitDepth;                    // bits of one pixel: 1 or 2
    size_t packedBytes;              // bytes of a packed row, its filter byte excluded
    uint8_t *previous;               // the packed row above; zeros before the first
    uint8_t *packed;                 // the packed row being written
    uint8_t *filtered;               // its filter byte and the row filtered against the
                                     // one above, as handed to the compressor
    uint8_t *repeated;               // the filter byte and the bytes of a row that
                                     // repeats the one above
    uint8_t filter;                  // the filter type of every row
};

static void put32(uint8_t *out, uint32_t value) {
    for (int i = 0; i < 4; i++) out[i] = (uint8_t)(value >> (24 - 8 * i));
}

// Writes one chunk of type `type` holding `size` bytes of `data`, with its
// CRC; returns false on a write error.
static bool writeChunk(const char *type, const uint8_t *data, size_t size) {
    uint8_t head[CHUNK_LENGTH_BYTES + CHUNK_TYPE_BYTES], tail[CHUNK_CRC_BYTES];
    put32(head, (uint32_t)size);
    memcpy(head + CHUNK_LENGTH_BYTES, type, CHUNK_TYPE_BYTES);
    uLong crc = crc32(0L, (const Bytef *)type, (uInt)CHUNK_TYPE_BYTES);
    if (size > 0) crc = crc32(crc, data, (uInt)size);  // no data: crc32 would start again
    put32(tail, (uint32_t)crc);
    return writeSaveFile(head, sizeof head) && (size == 0 || writeSaveFile(data, size)) &&
           writeSaveFile(tail, sizeof tail);
}

// Writes the signature, the header, the colour table of the PNG whose
// colours are the entries `entries` (`count` of them) of `palette`, and
// its print resolution where the style gives one.
static bool writePngHead(const PngStream *png, const uint8_t *palette, const uint8_t *entries,
                         int count) {
    uint8_t header[IHDR_BYTES];
    put32(header, (uint32_t)raster.imageWidth);
    put32(header + 4, (uint32_t)raster.imageHeight);
    header[8] = (uint8_t)png->bitDepth;
    header[9] = COLOUR_TYPE_INDEXED;
    header[10] = header[11] = header[12] = 0;  // deflate, adaptive filters, no interlace
    uint8_t colours[3 * PNG_ENTRY_BYTES];
    for (int i = 0; i < count; i++) {
        const uint8_t *bgr = palette + entries[i] * PALETTE_ENTRY_BYTES;
        colours[i * PNG_ENTRY_BYTES] = bgr[2];
        colours[i * PNG_ENTRY_BYTES + 1] = bgr[1];
        colours[i * PNG_ENTRY_BYTES + 2] = bgr[0];
    }
    // The print resolution, where one is given, before the pixels.
    uint8_t resolution[PHYS_BYTES];
    put32(resolution, pixelsPerMetre(raster.style.dpi));
    put32(resolution + 4, pixelsPerMetre(raster.style.dpi));
    resolution[8] = UNIT_METRE;
    return writeSaveFile(PNG_SIGNATURE, sizeof PNG_SIGNATURE) &&
           writeChunk("IHDR", header, sizeof header) &&
           writeChunk("PLTE", colours, (size_t)count * PNG_ENTRY_BYTES) &&
           (raster.style.dpi == 0 || writeChunk("pHYs", resolution, sizeof resolution));
}

// Runs the compressor with `flush` over what it has been handed, writing
// each full block as an IDAT chunk; returns false on a write error.
static bool compress(PngStream *png, int flush) {
    for (;;) {
        int result = deflate(&png->zlib, flush);
        if (result == Z_STREAM_ERROR) return false;
        size_t ready = COMPRESSED_BLOCK_BYTES - png->zlib.avail_out;
        bool full = png->zlib.avail_out == 0;
        if ((full || (flush == Z_FINISH && ready > 0)) && !writeChunk("IDAT", png->compressed, ready))
            return false;
        if (full || flush == Z_FINISH) {
            png->zlib.next_out = png->compressed;
            png->zlib.avail_out = (uInt)COMPRESSED_BLOCK_BYTES;
        }
        if (flush == Z_FINISH ? result == Z_STREAM_END : png->zlib.avail_in == 0 && !full) return true;
    }
}

// Packs the drawn row `row` (its fill bytes included) into png->packed:
// pixels from the most significant bits of each byte down.
static void packRow(PngStream *png, const uint8_t *row) {
    const uint8_t *index = png->index;
    int depth = png->bitDepth, perByte = 8 / depth;
    size_t whole = (size_t)raster.imageWidth / (size_t)perByte;
    for (size_t at = 0; at < whole; at++) {
        const uint8_t *pixels = row + at * (size_t)perByte;
        unsigned byte = 0;
        for (int i = 0; i < perByte; i++) byte = byte << depth | index[pixels[i]];
        png->packed[at] = (uint8_t)byte;
    }
    // The last byte's pixels past the picture's edge are 0.
    size_t left = (size_t)raster.imageWidth - whole * (size_t)perByte;
    if (left > 0) {
        unsigned byte = 0;
        for (size_t i = 0; i < left; i++) byte = byte << depth | index[row[whole * perByte + i]];
        png->packed[whole] = (uint8_t)(byte << (depth * (perByte - (int)left)));
    }
}

// Hands `bytes` (`size` of them) to the compressor; returns false on a
// write error.
static bool feed(PngStream *png, uint8_t *bytes, size_t size) {
    png->zlib.next_in = bytes;
    png->zlib.avail_in = (uInt)size;
    return compress(png, Z_NO_FLUSH);
}

// Packs the drawn row `row`, filters it and hands it to the compressor
// `copies` times. Filtered against the row above, each copy after the first
// is zeros. Returns false on a write error.
static bool putRow(PngStream *png, const uint8_t *row, int32_t copies) {
    packRow(png, row);
    png->filtered[0] = png->filter;
    if (png->filter == ROW_FILTER_UP) {
        for (size_t i = 0; i < png->packedBytes; i++)
            png->filtered[i + 1] = (uint8_t)(png->packed[i] - png->previous[i]);
    } else {
        memcpy(png->filtered + 1, png->packed, png->packedBytes);
    }
    uint8_t *above = png->previous;
    png->previous = png->packed;
    png->packed = above;
    if (!feed(png, png->filtered, png->packedBytes + 1)) return false;
    uint8_t *copy = png->filter == ROW_FILTER_UP ? png->repeated : png->filtered;
    for (int32_t done = 1; done < copies; done++)
        if (!feed(png, copy, png->packedBytes + 1)) return false;
    return true;
}

// Writes the picture rows, top row first, drawing each kind of row of a row
// of cells once in `row`; returns false on a write error.
static bool writeRows(PngStream *png, uint8_t *row) {
    RowCursor cursor;
    beginRows(&cursor, false);
    for (int32_t copies; (copies = nextRow(&cursor, row)) > 0;)
        if (!putRow(png, row, copies)) return false;
    return compress(png, Z_FINISH) && writeChunk("IEND", nullptr, 0);
}

// Frees what `png` holds.
static void releasePng(PngStream *png) {
    deflateEnd(&png->zlib);
    free(png->compressed);
    free(png->previous);
    free(png->packed);
    free(png->filtered);
    free(png->repeated);
}

RunStatus setUpPng(const PictureStyle &style) {
    return setUpRaster(style);
}

RunStatus savePng(const char *filename, const PictureStyle &style) {
    return writePng(filename, style, PNG_COMPRESSION);
}

RunStatus writePng(const char *filename, const PictureStyle &style,
                   const PngCompression &compression) {
    uint8_t palette[PALETTE_SIZE];
    RunStatus status = readPictureColours(style, palette);
    if (status != RUN_OK) return status;
    status = setUpPng(style);
    if (status != RUN_OK) return status;

    // The colours drawn, in the order of their entries.
    const uint8_t mazeEntries[] = {WALL_PIXEL, PASSAGE_PIXEL};
    const uint8_t wayEntries[] = {WALL_PIXEL, WAY_PIXEL, PASSAGE_PIXEL};
    const uint8_t *entries = style.way ? wayEntries : mazeEntries;
    int count = style.way ? 3 : 2;
    static PngStream png;
    memset(&png, 0, sizeof png);
    for (int i = 0; i < count; i++) png.index[entries[i]] = (uint8_t)i;
    png.bitDepth = style.way ? 2 : 1;
    png.packedBytes = ((size_t)raster.imageWidth * (size_t)png.bitDepth + 7) / 8;
    png.filter = compression.filter;
    if (png.filter == FILTER_BY_WIDTH)
        png.filter = png.packedBytes + 1 <= WINDOW_BYTES ? ROW_FILTER_NONE : ROW_FILTER_UP;
    uint8_t *row = (uint8_t *)malloc((size_t)raster.rowStride);
    png.compressed = (uint8_t *)malloc(COMPRESSED_BLOCK_BYTES);
    png.previous = (uint8_t *)calloc(png.packedBytes, 1);
    png.packed = (uint8_t *)malloc(png.packedBytes);
    png.filtered = (uint8_t *)malloc(png.packedBytes + 1);
    png.repeated = (uint8_t *)calloc(png.packedBytes + 1, 1);
    bool ready = row && png.compressed && png.previous && png.packed && png.filtered &&
                 png.repeated &&
                 deflateInit2(&png.zlib, compression.level, Z_DEFLATED, WINDOW_BITS, MEMORY_LEVEL,
                              compression.strategy) == Z_OK;
    if (!ready) {
        free(row);
        releasePng(&png);
        return RUN_NO_MEMORY;
    }
    png.repeated[0] = ROW_FILTER_UP;  // and zeros: a copy of the row above
    png.zlib.next_out = png.compressed;
    png.zlib.avail_out = (uInt)COMPRESSED_BLOCK_BYTES;

    status = openSaveFile(filename, style.way ? WAY_PNG_EXTENSION : PNG_EXTENSION,
                          (uint64_t)maze.mazeHeight);
    if (status == RUN_OK) {
        bool written = writePngHead(&png, palette, entries, count) && writeRows(&png, row);
        status = finishSaveFile(written);
    }
    free(row);
    releasePng(&png);
    return status;
}
