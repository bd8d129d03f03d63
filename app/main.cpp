// Entry of the maze generator: asks for the sizes, carves the maze, saves it
// as the user chooses and ends with the run's exit status:
//   0 complete run, 1 file error, 2 ended on the answers, 3 out of memory.
#include <cstdio>

#include "app/console_dialogue.h"
#include "maze/maze_generator.h"
#include "maze/maze_state.h"
#include "platform/platform.h"

enum ExitStatus {
    EXIT_COMPLETE = 0,
    EXIT_FILE_ERROR = 1,
    EXIT_ANSWERS = 2,
    EXIT_OUT_OF_MEMORY = 3,
};

// Prints the message that ends a run with `status` (none for a complete run
// or rejected sizes) and returns the process's exit status for it.
static int finishRun(MazeStatus status) {
    const char *message = nullptr;
    int exitStatus = EXIT_FILE_ERROR;
    switch (status) {
    case MAZE_OK:
        return EXIT_COMPLETE;
    case MAZE_SIZE_REJECTED:
    case MAZE_INPUT_ENDED:
        return EXIT_ANSWERS;
    case MAZE_TOO_LARGE:  // 迷路が大きすぎます!
        message = "\x96\xc0\x98H\x82\xaa\x91\xe5\x82\xab\x82\xb7\x82\xac\x82\xdc\x82\xb7!\n";
        exitStatus = EXIT_ANSWERS;
        break;
    case MAZE_NO_MEMORY:  // メモリが足りません!
        message = "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xdc\x82\xb9\x82\xf1!\n";
        exitStatus = EXIT_OUT_OF_MEMORY;
        break;
    case MAZE_CANNOT_CREATE:  // ファイルが作成できません!
        message = "\x83t\x83@\x83" "C\x83\x8b\x82\xaa\x8d\xec\x90\xac\x82\xc5\x82\xab\x82\xdc\x82"
                  "\xb9\x82\xf1!\n";
        break;
    case MAZE_CANNOT_WRITE:  // ファイルに書き込めません!
        message = "\x83t\x83@\x83" "C\x83\x8b\x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82"
                  "\xb9\x82\xf1!\n";
        break;
    case MAZE_NO_PALETTE:  // 設定ファイルcolorPalette.binがありません!
        message = "\x90\xdd\x92\xe8\x83t\x83@\x83" "C\x83\x8b" "colorPalette.bin"
                  "\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1!\n";
        break;
    case MAZE_BAD_PALETTE:  // 設定ファイルcolorPalette.binが壊れています!
        message = "\x90\xdd\x92\xe8\x83t\x83@\x83" "C\x83\x8b" "colorPalette.bin"
                  "\x82\xaa\x89\xf3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb7!\n";
        break;
    case MAZE_IMAGE_TOO_LARGE:  // 画像が大きすぎて保存できません!
        message = "\x89\xe6\x91\x9c\x82\xaa\x91\xe5\x82\xab\x82\xb7\x82\xac\x82\xc4\x95\xdb\x91"
                  "\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1!\n";
        break;
    }
    showText(message);
    return exitStatus;
}

// Bytes of the standard output buffer: more than any prompt or message.
static const size_t OUTPUT_BUFFER_SIZE = 4096;

int main() {
    // Each prompt and message is flushed whole, in one write, so that no
    // two-byte character is ever split between two writes to the console.
    setvbuf(stdout, nullptr, _IOFBF, OUTPUT_BUFFER_SIZE);
    prepareInterrupts();
    MazeStatus status = askMazeSize();
    if (status == MAZE_OK) {
        status = generateMaze();
        if (status == MAZE_OK) status = saveMaze();
    }
    releaseMaze();
    return finishRun(status);
}
