// The size and save dialogues.
#include "app/console_dialogue.h"

#include <cstring>
#include <ctime>

#include "app/answer_reader.h"
#include "app/console_texts.h"
#include "maze/maze_generator.h"
#include "maze/maze_state.h"
#include "output/bitmap_file.h"
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
    return setUpMaze(given.seedGiven ? given.seed : (uint32_t)time(nullptr));
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

// Saves the maze in `format`.
static RunStatus saveAs(SaveFormat format, const char *filename) {
    RunStatus status = RUN_OK;
    if (format == FORMAT_TEXT || format == FORMAT_BOTH) status = saveText(filename);
    if (status == RUN_OK && (format == FORMAT_IMAGE || format == FORMAT_BOTH))
        status = saveBitmap(filename);
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
    if (given.format != FORMAT_ASKED) return saveAs(given.format, filename);

    int32_t menuChoice = 0;
    for (;;) {
        showText(FORMAT_MENU);
        ReadResult read = readNumber(stdin, &menuChoice);
        if (read == READ_END) return RUN_INPUT_ENDED;
        // Drop an unreadable token so the menu cannot repeat forever;
        // menuChoice then keeps its earlier, invalid value.
        if (read == READ_NOT_NUMBER) skipTokenRest(stdin);
        if (menuChoice >= FORMAT_TEXT && menuChoice <= FORMAT_BOTH)
            return saveAs((SaveFormat)menuChoice, filename);
        showText(INVALID_CHOICE);
    }
}
