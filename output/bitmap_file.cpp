// Writer of the bitmap file.
#include "output/bitmap_file.h"

#include <cstdlib>
#include <cstring>

#include "maze/maze_state.h"
#include "output/palette.h"
#include "output/raster.h"
#include "output/save_file.h"

static const uint16_t BITMAP_TYPE = 0x4D42;  // "BM", little-endian
static const uint16_t BI_RGB = 0;
static const size_t BITMAP_FILE_HEADER_SIZE = 14;  // bytes of bmfh
static const size_t BITMAP_INFO_HEADER_SIZE = 40;  // bytes of bmih
static_assert(PIXEL_DATA_OFFSET == BITMAP_FILE_HEADER_SIZE + BITMAP_INFO_HEADER_SIZE + PALETTE_SIZE,
              "the pixel bytes follow the headers and the colour table");

// The BMP file header, field by field.
struct BitmapFileHeader {
    uint16_t bfType;       // "BM"
    uint32_t bfSize;       // bytes of the whole file
    uint16_t bfReserved1;  // 0
    uint16_t bfReserved2;  // 0
    uint32_t bfOffBits;    // offset of the pixel bytes
};

// The BMP info header, field by field.
struct BitmapInfoHeader {
    uint32_t biSize;          // bytes of this header: 40
    int32_t biWidth;          // image width in pixels
    int32_t biHeight;         // image height; positive: rows stored bottom-up
    uint16_t biPlanes;        // 1
    uint16_t biBitCount;      // bits per pixel: 8
    uint32_t biCompression;   // 0: uncompressed
    uint32_t biSizeImage;     // bytes of the stored rows
    int32_t biXPelsPerMeter;  // print resolution across; 0: not given
    int32_t biYPelsPerMeter;  // print resolution down; 0: not given
    uint32_t biClrUsed;       // 0: the whole colour table
    uint32_t biClrImportant;  // 0: every colour
};

// Stores `value` little-endian at `out`; returns the byte after it.
static uint8_t *put16(uint8_t *out, uint16_t value) {
    out[0] = (uint8_t)value;
    out[1] = (uint8_t)(value >> 8);
    return out + 2;
}

static uint8_t *put32(uint8_t *out, uint32_t value) {
    for (int i = 0; i < 4; i++) out[i] = (uint8_t)(value >> (8 * i));
    return out + 4;
}

// Writes the 54 header bytes for the image set up in `raster`; returns
// false on a write error.
static bool writeBitmapHeader() {
    uint32_t pixelBytes = (uint32_t)raster.rowStride * (uint32_t)raster.imageHeight;
    BitmapFileHeader bmfh;
    bmfh.bfType = BITMAP_TYPE;
    bmfh.bfSize = PIXEL_DATA_OFFSET + pixelBytes;
    bmfh.bfReserved1 = 0;
    bmfh.bfReserved2 = 0;
    bmfh.bfOffBits = PIXEL_DATA_OFFSET;

    BitmapInfoHeader bmih;
    bmih.biSize = BITMAP_INFO_HEADER_SIZE;
    bmih.biWidth = raster.imageWidth;
    bmih.biHeight = raster.imageHeight;
    bmih.biPlanes = 1;
    bmih.biBitCount = 8;
    bmih.biCompression = BI_RGB;
    bmih.biSizeImage = pixelBytes;
    bmih.biXPelsPerMeter = (int32_t)pixelsPerMetre(raster.style.dpi);
    bmih.biYPelsPerMeter = bmih.biXPelsPerMeter;
    bmih.biClrUsed = 0;
    bmih.biClrImportant = 0;

    // Field by field, little-endian, with no padding between fields.
    uint8_t header[BITMAP_FILE_HEADER_SIZE + BITMAP_INFO_HEADER_SIZE];
    uint8_t *out = header;
    out = put16(out, bmfh.bfType);
    out = put32(out, bmfh.bfSize);
    out = put16(out, bmfh.bfReserved1);
    out = put16(out, bmfh.bfReserved2);
    out = put32(out, bmfh.bfOffBits);
    out = put32(out, bmih.biSize);
    out = put32(out, (uint32_t)bmih.biWidth);
    out = put32(out, (uint32_t)bmih.biHeight);
    out = put16(out, bmih.biPlanes);
    out = put16(out, bmih.biBitCount);
    out = put32(out, bmih.biCompression);
    out = put32(out, bmih.biSizeImage);
    out = put32(out, (uint32_t)bmih.biXPelsPerMeter);
    out = put32(out, (uint32_t)bmih.biYPelsPerMeter);
    out = put32(out, bmih.biClrUsed);
    put32(out, bmih.biClrImportant);
    return writeSaveFile(header, sizeof header);
}

// Stored rows gathered for the next write: at least one row, and many
// when rows are short.
struct RowBlock {
    uint8_t *bytes;   // the gathered rows
    size_t capacity;  // bytes `bytes` holds
    size_t used;      // bytes gathered and not yet written
};
static const size_t ROW_BLOCK_BYTES = 1 << 20;

// Appends `copies` copies of the stored row `row` to `block`, writing the
// block out whenever the next copy would not fit. Returns false on a write
// error.
static bool putRow(RowBlock *block, const uint8_t *row, int32_t copies) {
    size_t stride = (size_t)raster.rowStride;
    for (int32_t copy = 0; copy < copies; copy++) {
        if (block->used + stride > block->capacity) {
            if (!writeSaveFile(block->bytes, block->used)) return false;
            block->used = 0;
        }
        memcpy(block->bytes + block->used, row, stride);
        block->used += stride;
    }
    return true;
}

// Writes the stored pixel rows, bottom row first, drawing each kind of row
// of a row of cells once in `row` (rowStride bytes) and gathering the
// copies in `block`; returns false on a write error.
static bool writePixels(uint8_t *row, RowBlock *block) {
    RowCursor cursor;
    beginRows(&cursor, true);
    for (int32_t copies; (copies = nextRow(&cursor, row)) > 0;)
        if (!putRow(block, row, copies)) return false;
    return writeSaveFile(block->bytes, block->used);
}

RunStatus setUpBitmap(const PictureStyle &style) {
    RunStatus status = setUpRaster(style);
    if (status != RUN_OK) return status;
    // bfSize counts the whole file in 32 bits.
    uint64_t bytes = bitmapFileBytes((uint64_t)raster.imageWidth, (uint64_t)raster.imageHeight);
    return bytes > UINT32_MAX ? RUN_IMAGE_TOO_LARGE : RUN_OK;
}

RunStatus saveBitmap(const char *filename, const PictureStyle &style) {
    uint8_t palette[PALETTE_SIZE];
    RunStatus status = readPictureColours(style, palette);
    if (status != RUN_OK) return status;
    status = setUpBitmap(style);
    if (status != RUN_OK) return status;
    size_t stride = (size_t)raster.rowStride;
    RowBlock block = {nullptr, stride > ROW_BLOCK_BYTES ? stride : ROW_BLOCK_BYTES, 0};
    uint8_t *row = (uint8_t *)malloc(stride);
    block.bytes = (uint8_t *)malloc(block.capacity);
    if (!row || !block.bytes) {
        free(row);
        free(block.bytes);
        return RUN_NO_MEMORY;
    }

    status = openSaveFile(filename, style.way ? WAY_BITMAP_EXTENSION : BITMAP_EXTENSION,
                          (uint64_t)maze.mazeHeight);
    if (status == RUN_OK) {
        bool written = writeBitmapHeader() && writeSaveFile(palette, PALETTE_SIZE) &&
                       writePixels(row, &block);
        status = finishSaveFile(written);
    }
    free(row);
    free(block.bytes);
    return status;
}
