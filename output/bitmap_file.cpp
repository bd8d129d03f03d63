// Writer of the bitmap file.
#include "output/bitmap_file.h"

#include <cstdio>

#include "output/raster.h"

const char PALETTE_FILE_NAME[] = "colorPalette.bin";

static const char BITMAP_EXTENSION[] = ".bmp";
static const uint16_t BITMAP_TYPE = 0x4D42;  // "BM", little-endian
static const uint16_t BI_RGB = 0;
// Pixel bytes are gathered in a block of this many bytes before each write.
static const size_t PIXEL_BLOCK_SIZE = 1 << 16;

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
    uint32_t pixelBytes = (uint32_t)maze.rowStride * (uint32_t)maze.imageHeight;
    BitmapFileHeader bmfh;
    bmfh.bfType = BITMAP_TYPE;
    bmfh.bfSize = PIXEL_DATA_OFFSET + pixelBytes;
    bmfh.bfReserved1 = 0;
    bmfh.bfReserved2 = 0;
    bmfh.bfOffBits = PIXEL_DATA_OFFSET;

    BitmapInfoHeader bmih;
    bmih.biSize = BITMAP_INFO_HEADER_SIZE;
    bmih.biWidth = maze.imageWidth;
    bmih.biHeight = maze.imageHeight;
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

bool writePixels(SaveFile *file) {
    static uint8_t block[PIXEL_BLOCK_SIZE];
    uint32_t total = (uint32_t)maze.rowStride * (uint32_t)maze.imageHeight;
    size_t used = 0;
    for (uint32_t k = 0; k < total; k++) {
        block[used++] = pixelValue(k);
        if (used == PIXEL_BLOCK_SIZE) {
            if (!writeSaveFile(file, block, used)) return false;
            used = 0;
        }
    }
    return writeSaveFile(file, block, used);
}

MazeStatus saveBitmap(const char *filename) {
    uint8_t palette[PALETTE_SIZE];
    MazeStatus status = readPalette(palette);
    if (status != MAZE_OK) return status;
    status = setUpRaster(PIXEL_DATA_OFFSET);  // bfSize must fit its 32 bits
    if (status != MAZE_OK) return status;

    SaveFile file;
    status = openSaveFile(&file, filename, BITMAP_EXTENSION);
    if (status != MAZE_OK) return status;
    if (!writeBitmapHeader(&file) || !copyPalette(&file, palette) || !writePixels(&file)) {
        abandonSaveFile(&file);
        return MAZE_CANNOT_WRITE;
    }
    return commitSaveFile(&file);
}
