// The size and save dialogues.
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
#include "output/bitmap_file.h"
#include "output/png_file.h"
#include "output/save_file.h"
#include "output/text_file.h"
#include "platform/console.h"
#include "platform/progress.h"

RunStatus askMazeSize(const CommandLine &given) {
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
    maze.braidPercent = given.braid;
    return setUpMaze(given.seedGiven ? given.seed : (uint32_t)time(nullptr));
}

// How `given` asks for the maze's picture to be drawn, without the way.
static PictureStyle pictureStyleOf(const CommandLine &given) {
    PictureStyle style;
    style.scale = given.scale;
    style.openings = given.solution;
    return style;
}

RunStatus checkGivenPicture(const CommandLine &given) {
    if (given.format != FORMAT_IMAGE && given.format != FORMAT_BOTH) return RUN_OK;
    PictureStyle style = pictureStyleOf(given);
    return given.png ? setUpPng(style) : setUpBitmap(style);
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

// Saves the picture of the maze drawn in `style` as a PNG file when `png`,
// else as a bitmap.
static RunStatus savePicture(bool png, const char *filename, const PictureStyle &style) {
    return png ? savePng(filename, style) : saveBitmap(filename, style);
}

// Saves the maze in `format` with what `given` asks for: the text file,
// then the way's text file, then the picture (a BMP file, or a PNG file),
// then the way's picture, each whole before the next; the first failure
// ends the saves.
static RunStatus saveAs(SaveFormat format, const char *filename, const CommandLine &given) {
    bool text = format == FORMAT_TEXT || format == FORMAT_BOTH;
    bool picture = format == FORMAT_IMAGE || format == FORMAT_BOTH;
    PictureStyle style = pictureStyleOf(given);
    RunStatus status = given.solution ? solveMaze() : RUN_OK;
    if (status == RUN_OK && text) status = saveText(filename);
    if (status == RUN_OK && text && given.solution) status = saveWayText(filename);
    if (status == RUN_OK && picture) status = savePicture(given.png, filename, style);
    style.way = true;
    if (status == RUN_OK && picture && given.solution) status = savePicture(given.png, filename, style);
    return status;
}

RunStatus saveMaze(const CommandLine &given) {
    char filename[FILENAME_BUFFER_SIZE];
    memset(filename, 0, sizeof filename);
    if (given.nameGiven) {
        memcpy(filename, given.name, sizeof filename);
    } else {
        showText(FILENAME_PROMPT);
        if (readToken(stdin, filename, sizeof filename) == READ_END) return RUN_INPUT_ENDED;
    }
    if (given.format != FORMAT_ASKED) return saveAs(given.format, filename, given);

    int32_t menuChoice = 0;
    for (;;) {
        showText(FORMAT_MENU);
        ReadResult read = readNumber(stdin, &menuChoice);
        if (read == READ_END) return RUN_INPUT_ENDED;
        // Drop an unreadable token so the menu cannot repeat forever;
        // menuChoice then keeps its earlier, invalid value.
        if (read == READ_NOT_NUMBER) skipTokenRest(stdin);
        if (menuChoice >= FORMAT_TEXT && menuChoice <= FORMAT_BOTH)
            return saveAs((SaveFormat)menuChoice, filename, given);
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
    return RUN_OK;
}
