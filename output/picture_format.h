// The picture formats a run saves in, as --picture names them, and what
// each takes: the check of a picture's size before the carving, the writer
// of one picture and the endings of its names. One table, a row a format,
// so that a format cannot be added without saying all of it.
#ifndef OUTPUT_PICTURE_FORMAT_H
#define OUTPUT_PICTURE_FORMAT_H

#include "output/raster.h"
#include "platform/run_status.h"

// The picture formats, as --picture names them.
enum PictureFormat {
    PICTURE_BMP,  // the bitmap: NAME.bmp
    PICTURE_PNG,  // the PNG picture: NAME.png
    PICTURE_SVG,  // the vector picture: NAME.svg
    PICTURE_PDF,  // the printable pages: NAME.pdf, every maze and answer in one
    PICTURE_FORMAT_COUNT,
};

// Sets up the raster for a picture of the maze drawn in a style and checks
// that it fits its format: RUN_OK or RUN_IMAGE_TOO_LARGE.
typedef RunStatus (*PictureSetUp)(const PictureStyle &style);
// Saves one picture of the maze drawn in a style, under a name plus the
// format's ending (the way's with the way): the writer's status.
typedef RunStatus (*PictureSave)(const char *filename, const PictureStyle &style);

// One picture format.
struct PictureKind {
    PictureFormat format;   // the format the row is for: its place in the table
    const char *word;       // as --picture names it
    PictureSetUp setUp;     // the size check before the carving
    PictureSave save;       // the writer of one picture; null for the PDF book,
                            // whose pages pdf_file.h writes as the mazes come
    const char *ending;     // the ending of a picture's name, or of the book's
    const char *wayEnding;  // the ending of a picture with the way; null for
                            // the book, whose answers are pages of its own
};

// The picture formats, a row each in the order of PictureFormat.
extern const PictureKind PICTURE_FORMATS[];

#endif
