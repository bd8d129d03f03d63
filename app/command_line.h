// The program's options: every answer of the dialogue (--height, --width,
// --name, --format), the seed of the maze (--seed), how it is carved
// (--algorithm, --braid), how many mazes (--count), what the files show and
// how (--solution, --scale, --passage, --wall, --dpi, --picture, --png,
// --page), the report after the saves (--stats), and --help and
// --version, which show a text and end the run.
#ifndef APP_COMMAND_LINE_H
#define APP_COMMAND_LINE_H

#include <cstdint>

#include "maze/maze_generator.h"
#include "output/pdf_file.h"
#include "output/picture_format.h"
#include "output/raster.h"
#include "output/save_file.h"
#include "platform/run_status.h"

// What the command line asks for.
enum CommandRequest {
    RUN_MAZE,      // the questions, the carving and the save
    SHOW_HELP,     // the usage text, then the end (before --version)
    SHOW_VERSION,  // the name and version, then the end
};

// The save choices, as the format menu numbers them.
enum SaveFormat {
    FORMAT_ASKED = 0,  // not given: the menu asks
    FORMAT_TEXT = 1,   // the text file
    FORMAT_IMAGE = 2,  // the picture
    FORMAT_BOTH = 3,   // the text file, then the picture
};

// The most mazes one run makes.
const int32_t LARGEST_COUNT = 10000;

struct CommandLine {
    CommandRequest request = RUN_MAZE;     // what the run does
    bool seedGiven = false;                // --seed was given
    uint32_t seed = 0;                     // its value, when given
    int32_t height = 0;                    // --height, >= 2; 0 when it is asked
    int32_t width = 0;                     // --width, >= 2; 0 when it is asked
    bool nameGiven = false;                // --name was given
    char name[FILENAME_BUFFER_SIZE] = {};  // its value, 1 to 255 bytes
    SaveFormat format = FORMAT_ASKED;      // --format
    bool solution = false;                 // --solution: the entrance, the exit and
                                           // the way through are saved too
    int32_t scale = 1;                     // --scale: picture pixels across one pixel
                                           // of the grid, 1 to LARGEST_SCALE
    int32_t passage = PASSAGE_WIDTH;       // --passage: pixels across a passage,
                                           // 1 to LARGEST_WIDTH
    int32_t wall = WALL_THICKNESS;         // --wall: pixels across a cell's rim,
                                           // 1 to LARGEST_WIDTH
    int32_t dpi = 0;                       // --dpi: print resolution, 1 to LARGEST_DPI;
                                           // 0 when not given
    PictureFormat picture = PICTURE_BMP;   // --picture, or --png
    int paper = NO_PAPER;                  // --page: an index of PAPERS, with PDF only
    bool countGiven = false;               // --count was given: the files are numbered
    int32_t count = 1;                     // --count: mazes made, 1 to LARGEST_COUNT
    AlgorithmId algorithm = ALGORITHM_KRUSKAL;  // --algorithm: how the maze is carved
    int32_t braid = 0;                     // --braid: the chance in percent that a dead
                                           // end is opened, 0 to LARGEST_BRAID
    bool stats = false;                    // --stats: the report on each maze after its saves
};

// Reads the `argc` arguments of `argv` into `commandLine`; every value is
// checked before anything else happens. Returns RUN_OK, or
// RUN_BAD_ARGUMENTS after showing on standard error what is wrong and the
// usage line: an unknown argument, any option given twice, an option
// without its value, or a malformed value (a seed other than 0 to LARGEST_SEED in 1 to
// 10 digits, a size that is not a whole number of at least 2, an empty name
// or one over 255 bytes, a format other than 1, 2, 3, text, image, both, a
// scale, width, resolution or count that is not a whole number in its
// range, a picture format or paper not in its table, an algorithm that is
// not in the generator's table, a braid that is not a whole number from 0
// to LARGEST_BRAID), --png with another --picture, or --page without
// --picture pdf.
// A size beyond the 32-bit range is kept as INT32_MAX, which set-up refuses
// as too large.
RunStatus readCommandLine(int argc, char **argv, CommandLine *commandLine);

#endif
