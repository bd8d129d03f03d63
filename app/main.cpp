// Entry of the maze generator: asks for the sizes, carves the maze, saves it
// as the user chooses and ends with the run's exit status:
//   0 complete run, 1 file error, 2 ended on the answers, 3 out of memory.
#include <cstdio>

#include "app/console_dialogue.h"
#include "app/console_texts.h"
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
    case MAZE_TOO_LARGE:
        message = TOO_LARGE_MESSAGE;
        exitStatus = EXIT_ANSWERS;
        break;
    case MAZE_NO_MEMORY:
        message = NO_MEMORY_MESSAGE;
        exitStatus = EXIT_OUT_OF_MEMORY;
        break;
    case MAZE_CANNOT_CREATE: message = CANNOT_CREATE_MESSAGE; break;
    case MAZE_CANNOT_WRITE: message = CANNOT_WRITE_MESSAGE; break;
    case MAZE_NO_PALETTE: message = NO_PALETTE_MESSAGE; break;
    case MAZE_BAD_PALETTE: message = BAD_PALETTE_MESSAGE; break;
    case MAZE_IMAGE_TOO_LARGE: message = IMAGE_TOO_LARGE_MESSAGE; break;
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
