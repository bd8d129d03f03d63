// The PDF file: one or more mazes a page as filled vector paths, each page
// content compressed with zlib, then with answers the same pages with the
// way, in the same places. Pages are the paper's, portrait, the maze
// centred inside the margins as large as fits in its proportions, or
// without a paper the picture's own size (a point a pixel, or the picture
// at the print resolution). No fonts: the numbers that pair a maze with its
// answer are drawn as shapes. Written as each maze is made, so that a book
// of many mazes holds one at a time; the page tree, written last, lists the
// mazes first and the answers after them.
#ifndef OUTPUT_PDF_FILE_H
#define OUTPUT_PDF_FILE_H

#include <cstdint>

#include "output/raster.h"
#include "platform/run_status.h"

// The ending of the book's name.
const char PDF_EXTENSION[] = ".pdf";

// A paper size.
struct Paper {
    const char *word;  // its name, as --page takes it
    int32_t width;     // tenths of a millimetre across, portrait
    int32_t height;    // tenths of a millimetre down
};

const int PAPER_COUNT = 4;
extern const Paper PAPERS[PAPER_COUNT];  // a4, a5, letter, legal
const int NO_PAPER = -1;                 // pages of the picture's own size
const int32_t PAGE_MARGIN = 127;         // tenths of a millimetre round a paper's maze

// Starts the book `filename` plus ".pdf" of `mazeCount` (1 or more)
// mazes of the sizes of `maze`, drawn in `style` (its way unused), on
// `paper` (an index of PAPERS, or NO_PAPER), with an answer page for each
// when `answers`. Pages of a book of several mazes are numbered, and
// labelled for a viewer, the answers with `answerLabel` (UTF-16) before
// their numbers. Every input (palette, picture size, memory) is checked
// before the file is touched. Returns RUN_OK, RUN_NO_PALETTE,
// RUN_BAD_PALETTE, RUN_IMAGE_TOO_LARGE, RUN_NO_MEMORY or RUN_CANNOT_CREATE,
// with no book under way but on RUN_OK.
RunStatus beginPdf(const char *filename, const PictureStyle &style, int paper, uint32_t mazeCount,
                   bool answers, const char16_t *answerLabel);

// Writes the page of the carved maze, and its answer page (the way found by
// findWay) when the book has answers: RUN_OK, or RUN_CANNOT_WRITE or
// RUN_NO_MEMORY, after which only finishPdf(false) is left.
RunStatus addPdfMaze();

// Ends the book: when `complete` (every maze added), writes the page tree
// and saves the file (RUN_OK, RUN_CANNOT_WRITE, RUN_CANNOT_CREATE, or
// RUN_IMAGE_TOO_LARGE for a file past what its index of byte offsets
// holds); else drops it (RUN_CANNOT_WRITE), an existing file of that name
// left as it was.
RunStatus finishPdf(bool complete);

#endif
