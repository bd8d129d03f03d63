// The straightforward image rule the streamed bitmap rows are checked
// against: a row map from stored to top-down positions, and every pixel
// decided on its own from its cell's part and one wall flag.
#ifndef TESTS_RASTER_REFERENCE_H
#define TESTS_RASTER_REFERENCE_H

#include <string>

// The stored pixel bytes (bottom row first, rows padded) of the maze in
// `maze`, whose raster fields setUpRaster has set.
std::string referencePixels();

#endif
