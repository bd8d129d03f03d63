// The SVG file: the picture of the bitmap as vector shapes, one unit a
// picture pixel, drawn with crisp edges: the passages' colour over the
// whole picture, the walls as long runs in theirs, and the way's
// stretches in the way's colour, each colour from the palette's entries as
// in the bitmap. Written as it is drawn, row of cells by row of cells.
#ifndef OUTPUT_SVG_FILE_H
#define OUTPUT_SVG_FILE_H

#include "output/raster.h"
#include "platform/run_status.h"

// The endings of its files' names.
const char SVG_EXTENSION[] = ".svg";
const char WAY_SVG_EXTENSION[] = "-solution.svg";

// Saves the carved maze drawn in `style` as `filename` plus ".svg", or plus
// "-solution.svg" when it shows the way (whose colour is chosen as for the
// bitmap); with a print resolution its width and height are in millimetres.
// Every input (palette, picture size, memory) is checked before the file is
// touched. Returns RUN_OK, RUN_NO_PALETTE, RUN_BAD_PALETTE,
// RUN_IMAGE_TOO_LARGE (a side over 2^31 - 1 pixels), RUN_NO_MEMORY,
// RUN_CANNOT_CREATE or RUN_CANNOT_WRITE; on failure an existing file of that
// name is left as it was.
RunStatus saveSvg(const char *filename, const PictureStyle &style);

#endif
