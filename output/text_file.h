// The text files: the maze's sizes and every wall flag, and the way
// through it, one decimal number per CR LF line.
#ifndef OUTPUT_TEXT_FILE_H
#define OUTPUT_TEXT_FILE_H

#include "platform/run_status.h"

// The endings of the text file's name and of the way's.
const char TEXT_EXTENSION[] = ".txt";
const char WAY_TEXT_EXTENSION[] = "-solution.txt";

// Saves the carved maze as `filename` plus ".txt": the width, the height,
// the east-wall flags and the south-wall flags, in index order. Returns
// RUN_OK, RUN_CANNOT_CREATE or RUN_CANNOT_WRITE; on failure an existing
// file of that name is left as it was.
RunStatus saveText(const char *filename);

// Saves the way through the maze (found by findWay) as `filename` plus
// "-solution.txt": the index (row x width + column) of each cell of the
// way, from cell 0 to the last cell, one a line. Returns as saveText does.
RunStatus saveWayText(const char *filename);

#endif
