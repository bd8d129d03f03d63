// Writer of the bitmap file.
#include "output/bitmap_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output/raster.h"
#include "platform/progress.h"

const char PALETTE_FILE_NAME[] = "colorPalette.bin";

static const char BITMAP_EXTENSION[] = ".bmp";
static const uint16_t BITMAP_TYPE = 0x4D42;  // "BM", little-endian
static const uint16_t BI_RGB = 0;

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

MazeStatus readPalette(uint8_t *palette) {
    FILE *paletteFile = fopen(PALETTE_FILE_NAME, "rb");
    if (!paletteFile) return MAZE_NO_PALETTE;
    size_t read = fread(palette, 1, PALETTE_SIZE, paletteFile);
    fclose(paletteFile);
    return read == PALETTE_SIZE ? MAZE_OK : MAZE_BAD_PALETTE;
}

bool writeBitmapHeader(SaveFile *file) {
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
    bmih.biXPelsPerMeter = 0;
    bmih.biYPelsPerMeter = 0;
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
    return writeSaveFile(file, header, sizeof header);
}

bool copyPalette(SaveFile *file, const uint8_t *palette) {
    return writeSaveFile(file, palette, PALETTE_SIZE);
}

bool writePixels(SaveFile *file, uint8_t *rows) {
    size_t stride = (size_t)raster.rowStride;
    const int32_t pitch = CELL_PITCH;
    uint32_t cellRows = (uint32_t)maze.mazeHeight;
    // Bottom row of cells first, and in each its bottom pixel row first: the
    // stored rows of a row of cells are one block, handed to the system in
    // one write.
    for (uint32_t done = 0; done < cellRows; done++) {
        uint32_t cellRow = cellRows - 1 - done;
        for (int32_t localY = pitch - 1; localY >= 0; localY--) {
            uint8_t *row = rows + (size_t)(pitch - 1 - localY) * stride;
            bool passage = localY >= WALL_THICKNESS && localY < WALL_THICKNESS + PASSAGE_WIDTH;
            if (passage && localY < WALL_THICKNESS + PASSAGE_WIDTH - 1) memcpy(row, row - stride, stride);
            else drawPixelRow(cellRow, localY, row);
        }
        if (!writeSaveFile(file, rows, (size_t)pitch * stride)) return false;
        showProgress(done + 1);
    }
    return true;
}

MazeStatus saveBitmap(const char *filename) {
    uint8_t palette[PALETTE_SIZE];
    MazeStatus status = readPalette(palette);
    if (status != MAZE_OK) return status;
    status = setUpRaster(PIXEL_DATA_OFFSET);  // bfSize must fit its 32 bits
    if (status != MAZE_OK) return status;
    uint8_t *rows = (uint8_t *)malloc((size_t)CELL_PITCH * (size_t)raster.rowStride);
    if (!rows) return MAZE_NO_MEMORY;

    SaveFile file;
    status = openSaveFile(&file, filename, BITMAP_EXTENSION, (uint64_t)maze.mazeHeight);
    if (status == MAZE_OK) {
        bool written =
            writeBitmapHeader(&file) && copyPalette(&file, palette) && writePixels(&file, rows);
        status = finishSaveFile(&file, written);
    }
    free(rows);
    return status;
}
