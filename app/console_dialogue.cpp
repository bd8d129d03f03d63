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

RunStatus askMazeSize(const uint32_t *seed) {
    // An answer that is not a number leaves its size at -1, which set-up
    // rejects; the height is asked first.
    showText(HEIGHT_PROMPT);
    readNumber(stdin, &maze.mazeHeight);
    showText(WIDTH_PROMPT);
    readNumber(stdin, &maze.mazeWidth);
    return setUpMaze(seed ? *seed : (uint32_t)time(nullptr));
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

RunStatus saveMaze() {
    char filename[FILENAME_BUFFER_SIZE];
    memset(filename, 0, sizeof filename);
    int32_t menuChoice = 0;

    showText(FILENAME_PROMPT);
    if (readToken(stdin, filename, sizeof filename) == READ_END) return RUN_INPUT_ENDED;

    for (;;) {
        showText(FORMAT_MENU);
        ReadResult read = readNumber(stdin, &menuChoice);
        if (read == READ_END) return RUN_INPUT_ENDED;
        // Drop an unreadable token so the menu cannot repeat forever;
        // menuChoice then keeps its earlier, invalid value.
        if (read == READ_NOT_NUMBER) skipTokenRest(stdin);
        switch (menuChoice) {
        case 1:
            return saveText(filename);
        case 2:
            return saveBitmap(filename);
        case 3: {
            RunStatus status = saveText(filename);
            if (status != RUN_OK) return status;
            return saveBitmap(filename);
        }
        default:
            showText(INVALID_CHOICE);
        }
    }
}
