// The size and save dialogues, and the run of mazes.
#include "app/console_dialogue.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/answer_reader.h"
#include "app/console_texts.h"
#include "maze/maze_generator.h"
#include "maze/maze_report.h"
#include "maze/maze_solver.h"
#include "maze/maze_state.h"
#include "output/pdf_file.h"
#include "output/picture_format.h"
#include "output/save_file.h"
#include "output/text_file.h"
#include "platform/console.h"
#include "platform/progress.h"

// What the run saves, as answered once.
struct SaveChoice {
    char filename[FILENAME_BUFFER_SIZE];  // the name typed or given, no extension
    SaveFormat format;                    // the text file, the picture or both
};

RunStatus askMazeSize(const CommandLine &given, uint32_t *seed) {
    // An answer that is not a number leaves its size at -1, which set-up
    // rejects; the height is asked first.
    if (given.height > 0) {
        maze.mazeHeight = given.height;
    } else {
        showText(HEIGHT_PROMPT);
        readNumber(stdin, &maze.mazeHeight);
    }
    if (given.width > 0) {
        maze.mazeWidth = given.width;
    } else {
        showText(WIDTH_PROMPT);
        readNumber(stdin, &maze.mazeWidth);
    }
    maze.algorithm = given.algorithm;
    maze.braidPercent = (uint32_t)given.braid;
    *seed = given.seedGiven ? given.seed : (uint32_t)time(nullptr);
    return setUpMaze(*seed);
}

// How `given` asks for the maze's picture to be drawn, without the way.
static PictureStyle pictureStyleOf(const CommandLine &given) {
    PictureStyle style;
    style.scale = given.scale;
    style.passage = given.passage;
    style.wall = given.wall;
    style.dpi = given.dpi;
    style.openings = given.solution;
    return style;
}

RunStatus checkGivenPicture(const CommandLine &given) {
    if (given.format != FORMAT_IMAGE && given.format != FORMAT_BOTH) return RUN_OK;
    return PICTURE_FORMATS[given.picture].setUp(pictureStyleOf(given));
}

RunStatus generateMaze() {
    showText(COMPUTING_TEXT);
    beginProgress(maze.cellCount - 1);
    RunStatus status = carveMaze();
    endProgress();
    if (status != RUN_OK) return status;
    showText(COMPUTED_TEXT);
    return RUN_OK;
}

// Finds the way through, with a progress line.
static RunStatus solveMaze() {
    beginProgress(maze.cellCount);
    RunStatus status = findWay();
    endProgress();
    return status;
}

// Asks for a file name and shows the format menu until it gets 1, 2 or 3,
// where `given` lacks them, into `choice`. Returns RUN_OK, or
// RUN_INPUT_ENDED when the input ends first.
static RunStatus askSaveChoice(const CommandLine &given, SaveChoice *choice) {
    memset(choice->filename, 0, sizeof choice->filename);
    if (given.nameGiven) {
        memcpy(choice->filename, given.name, sizeof choice->filename);
    } else {
        showText(FILENAME_PROMPT);
        if (readToken(stdin, choice->filename, sizeof choice->filename) == READ_END)
            return RUN_INPUT_ENDED;
    }
    choice->format = given.format;
    if (given.format != FORMAT_ASKED) return RUN_OK;

    int32_t menuChoice = 0;
    for (;;) {
        showText(FORMAT_MENU);
        ReadResult read = readNumber(stdin, &menuChoice);
        if (read == READ_END) return RUN_INPUT_ENDED;
        // Drop an unreadable token so the menu cannot repeat forever;
        // menuChoice then keeps its earlier, invalid value.
        if (read == READ_NOT_NUMBER) skipTokenRest(stdin);
        if (menuChoice >= FORMAT_TEXT && menuChoice <= FORMAT_BOTH) {
            choice->format = (SaveFormat)menuChoice;
            return RUN_OK;
        }
        showText(INVALID_CHOICE);
    }
}

// Bytes of the report: its labels and figures, with room to spare.
static const size_t REPORT_SIZE = 1024;

RunStatus reportMaze(const CommandLine &given) {
    if (!given.stats) return RUN_OK;
    if (!maze.wayCells) {
        RunStatus status = solveMaze();
        if (status != RUN_OK) return status;
    }
    MazeFigures figures = measureMaze();
    uint32_t share = tenthsOfPercent(figures.deadEnds, maze.cellCount);
    char report[REPORT_SIZE];
    snprintf(report, sizeof report, "%s%u\n%s%s\n%s%u\n%s%u (%u.%u %%)\n%s%u\n%s%u\n%s%u\n",
             REPORT_SEED, (unsigned)maze.seed, REPORT_ALGORITHM, algorithmName(maze.algorithm),
             REPORT_CELLS, (unsigned)maze.cellCount, REPORT_DEAD_ENDS, (unsigned)figures.deadEnds,
             (unsigned)(share / 10), (unsigned)(share % 10), REPORT_JUNCTIONS,
             (unsigned)figures.junctions, REPORT_WAY_LENGTH, (unsigned)figures.wayLength,
             REPORT_WAY_TURNS, (unsigned)figures.wayTurns);
    showOwnText(report);
    // A report that standard output did not take (a full disk, a closed
    // stream) is a failure, told like that of --help.
    return fflush(stdout) == 0 && !ferror(stdout) ? RUN_OK : RUN_CANNOT_SHOW;
}

// Puts in `name` the name maze `index` (from 0) of the run is saved under:
// the chosen name, numbered from 1 with --count, the number padded with
// zeros to the width of the count. RUN_CANNOT_CREATE when the numbered name
// is longer than any name may be.
static RunStatus numberedName(const CommandLine &given, const SaveChoice &choice, int32_t index,
                              char *name) {
    if (!given.countGiven) {
        memcpy(name, choice.filename, FILENAME_BUFFER_SIZE);
        return RUN_OK;
    }
    int width = 1;  // digits of the count
    for (int32_t rest = given.count; rest >= 10; rest /= 10) width++;
    int length = snprintf(name, FILENAME_BUFFER_SIZE, "%s-%0*d", choice.filename, width, (int)index + 1);
    return length < (int)FILENAME_BUFFER_SIZE ? RUN_OK : RUN_CANNOT_CREATE;
}

// The most files a maze of the run is saved as: the text, the way's text,
// the picture and the way's picture.
static const size_t MOST_FILES_A_MAZE = 4;

// Checks, before any file of the run is touched, that every name it will
// save is short enough for its folder: each maze's files (every numbered
// name is as long as the first) and the book. RUN_OK or RUN_CANNOT_CREATE.
static RunStatus checkRunNames(const CommandLine &given, const SaveChoice &choice, bool text,
                               bool picture) {
    bool book = picture && given.picture == PICTURE_PDF;
    const PictureKind &kind = PICTURE_FORMATS[given.picture];
    const char *endings[MOST_FILES_A_MAZE];
    size_t files = 0;
    if (text) endings[files++] = TEXT_EXTENSION;
    if (text && given.solution) endings[files++] = WAY_TEXT_EXTENSION;
    if (picture && !book) endings[files++] = kind.ending;
    if (picture && !book && given.solution) endings[files++] = kind.wayEnding;
    char name[FILENAME_BUFFER_SIZE];
    RunStatus status = numberedName(given, choice, 0, name);
    if (status == RUN_OK) status = checkSaveNames(name, endings, files);
    // The book is one file of the chosen name, never numbered.
    if (status == RUN_OK && book) status = checkSaveNames(choice.filename, &kind.ending, 1);
    return status;
}

// Saves the files of the carved maze `index` that `text` and `picture`
// ask for: the text file, then the way's text file, then the picture, then
// the way's picture, each whole before the next, or for a book its pages,
// the book begun at the first maze's (`bookOpen` tells whether it is); the
// first failure ends the saves.
static RunStatus saveFiles(const CommandLine &given, const SaveChoice &choice, int32_t index,
                           bool text, bool picture, bool *bookOpen) {
    char name[FILENAME_BUFFER_SIZE];
    RunStatus status = given.solution ? solveMaze() : RUN_OK;
    if (status == RUN_OK && (text || (picture && given.picture != PICTURE_PDF)))
        status = numberedName(given, choice, index, name);
    if (status == RUN_OK && text) status = saveText(name);
    if (status == RUN_OK && text && given.solution) status = saveWayText(name);
    if (picture && given.picture == PICTURE_PDF) {
        if (status == RUN_OK && !*bookOpen) {
            status = beginPdf(choice.filename, pictureStyleOf(given), given.paper,
                              (uint32_t)given.count, given.solution, ANSWER_LABEL);
            *bookOpen = status == RUN_OK;
        }
        return status == RUN_OK ? addPdfMaze() : status;
    }
    PictureSave save = PICTURE_FORMATS[given.picture].save;
    PictureStyle style = pictureStyleOf(given);
    if (status == RUN_OK && picture) status = save(name, style);
    style.way = true;
    if (status == RUN_OK && picture && given.solution) status = save(name, style);
    return status;
}

// One round over the mazes of the run, saving the files `text` and
// `picture` ask for, then with `report` the report on each maze: the first
// maze is the one carved already when `firstCarved`, every other one is set
// up from its seed and carved. A book is begun at the first maze's pages
// and ended after the last's.
static RunStatus saveRound(const CommandLine &given, const SaveChoice &choice, uint32_t seed,
                           bool firstCarved, bool text, bool picture, bool report) {
    bool bookOpen = false;
    RunStatus status = RUN_OK;
    for (int32_t index = 0; index < given.count && status == RUN_OK; index++) {
        if (index > 0 || !firstCarved) {
            releaseMaze();
            // Seeds past LARGEST_SEED carve as those from 0 do.
            status = setUpMaze(seed + (uint32_t)index);
            if (status == RUN_OK) status = generateMaze();
            if (status != RUN_OK) break;
        }
        status = saveFiles(given, choice, index, text, picture, &bookOpen);
        if (status == RUN_OK && report) status = reportMaze(given);
    }
    if (bookOpen) {
        RunStatus finished = finishPdf(status == RUN_OK);
        if (status == RUN_OK) status = finished;
    }
    return status;
}

RunStatus makeMazes(const CommandLine &given, uint32_t seed) {
    SaveChoice choice;
    RunStatus status = generateMaze();
    if (status == RUN_OK) status = askSaveChoice(given, &choice);
    if (status != RUN_OK) return status;
    bool text = choice.format == FORMAT_TEXT || choice.format == FORMAT_BOTH;
    bool picture = choice.format == FORMAT_IMAGE || choice.format == FORMAT_BOTH;
    status = checkRunNames(given, choice, text, picture);
    if (status != RUN_OK) return status;
    // One file is saved at a time, and a book stays open from its first
    // maze to its last: a book of several mazes and their text files are
    // made in two rounds, the second carving the same mazes again.
    if (picture && text && given.picture == PICTURE_PDF && given.count > 1) {
        status = saveRound(given, choice, seed, true, true, false, true);
        return status == RUN_OK ? saveRound(given, choice, seed, false, false, true, false) : status;
    }
    return saveRound(given, choice, seed, true, text, picture, true);
}
