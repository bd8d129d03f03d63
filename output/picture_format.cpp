// The table of the picture formats.
#include "output/picture_format.h"

#include "output/bitmap_file.h"
#include "output/pdf_file.h"
#include "output/png_file.h"
#include "output/svg_file.h"

// SVG and PDF take any picture the raster takes; the PDF book writes its
// own pages, the answers among them.
constexpr PictureKind PICTURE_FORMATS[] = {
    {PICTURE_BMP, "bmp", setUpBitmap, saveBitmap, BITMAP_EXTENSION, WAY_BITMAP_EXTENSION},
    {PICTURE_PNG, "png", setUpPng, savePng, PNG_EXTENSION, WAY_PNG_EXTENSION},
    {PICTURE_SVG, "svg", setUpRaster, saveSvg, SVG_EXTENSION, WAY_SVG_EXTENSION},
    {PICTURE_PDF, "pdf", setUpRaster, nullptr, PDF_EXTENSION, nullptr},
};

// True when every row of the table stands at its format's place.
static constexpr bool rowsInOrder() {
    for (int format = 0; format < PICTURE_FORMAT_COUNT; format++)
        if (PICTURE_FORMATS[format].format != format) return false;
    return true;
}

static_assert(sizeof PICTURE_FORMATS / sizeof PICTURE_FORMATS[0] == PICTURE_FORMAT_COUNT,
              "a row for every picture format");
static_assert(rowsInOrder(), "the picture formats' rows in the order of PictureFormat");
