// The conversation with the user: the size questions, the lines around the
// carving, the file name and the format menu, and the run of mazes they
// ask for. A question whose answer the command line gives is not asked:
// its prompt is not shown and nothing is read for it.
#ifndef APP_CONSOLE_DIALOGUE_H
#define APP_CONSOLE_DIALOGUE_H

#include <cstdint>

#include "app/command_line.h"
#include "platform/run_status.h"

// Asks for the height and the width that `given` lacks, then sets up the
// maze (setUpMaze) for the given algorithm and braid, with the generator
// seeded by the given seed, else by the clock's second at that moment,
// which it puts in `seed`. Returns the set-up's status.
RunStatus askMazeSize(const CommandLine &given, uint32_t *seed);

// Checks, when `given` chooses a format with a picture, that the picture
// of the maze set up fits its file format, so that a picture too large is
// refused before the carving: RUN_OK or RUN_IMAGE_TOO_LARGE.
RunStatus checkGivenPicture(const CommandLine &given);

// Makes the mazes `given` asks for, the first set up by askMazeSize with
// `seed` and each next one from the seed after, exactly the maze a run of
// its own with that seed makes: for each, carves it (generateMaze), asks
// for a file name and a format after the first carving where `given` lacks
// them, and saves its files. Returns RUN_OK, the first failure's status, or
// RUN_INPUT_ENDED when the input ends before the answers; the files saved
// before a failure stay.
RunStatus makeMazes(const CommandLine &given, uint32_t seed);

// Shows the line that carving has begun, carves the maze (carveMaze) with
// a progress line and shows the line that it has ended. Returns
// carveMaze's status; the closing line is shown only on success.
RunStatus generateMaze();

// When `given` asks for it (--stats), shows the report on the maze once
// its files are saved, on standard output in the locale's encoding
// (showOwnText), one figure a line: the seed, the algorithm, the cells, the
// dead ends and their share, the junctions, and the way's length and
// turns, finding the way first (with a progress line) when the saves did
// not. Returns RUN_OK, RUN_NO_MEMORY, or RUN_CANNOT_SHOW when standard
// output did not take the report.
RunStatus reportMaze(const CommandLine &given);

#endif
