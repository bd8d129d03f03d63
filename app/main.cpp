// Entry of the maze generator: reads the options, asks for the sizes, carves
// the maze, saves it as the user chooses and ends with the run's exit status:
//   0 complete run (or help, version), 1 file error, 2 ended on the answers
//   or the options, 3 out of memory.
#include <cstdio>

#include "app/command_line.h"
#include "app/console_dialogue.h"
#include "app/console_texts.h"
#include "maze/maze_state.h"
#include "platform/console.h"
#include "platform/save.h"

enum ExitStatus {
    EXIT_COMPLETE = 0,
    EXIT_FILE_ERROR = 1,
    EXIT_ANSWERS = 2,
    EXIT_OUT_OF_MEMORY = 3,
};

// Prints the message that ends a run with `status` (none for a complete run
// or rejected sizes) and returns the process's exit status for it.
static int finishRun(RunStatus status) {
    const char *message = nullptr;
    int exitStatus = EXIT_FILE_ERROR;
    bool onError = false;  // told on standard error
    switch (status) {
    case RUN_OK:
        return EXIT_COMPLETE;
    case RUN_SIZE_REJECTED:
    case RUN_INPUT_ENDED:
    case RUN_BAD_ARGUMENTS:  // told already, on standard error
        return EXIT_ANSWERS;
    case RUN_TOO_LARGE:
        message = TOO_LARGE_MESSAGE;
        exitStatus = EXIT_ANSWERS;
        break;
    case RUN_NO_MEMORY:
        message = NO_MEMORY_MESSAGE;
        exitStatus = EXIT_OUT_OF_MEMORY;
        break;
    case RUN_CANNOT_CREATE: message = CANNOT_CREATE_MESSAGE; break;
    case RUN_CANNOT_WRITE: message = CANNOT_WRITE_MESSAGE; break;
    case RUN_NO_PALETTE: message = NO_PALETTE_MESSAGE; break;
    case RUN_BAD_PALETTE: message = BAD_PALETTE_MESSAGE; break;
    case RUN_IMAGE_TOO_LARGE: message = IMAGE_TOO_LARGE_MESSAGE; break;
    case RUN_CANNOT_SHOW:
        message = CANNOT_SHOW_MESSAGE;
        onError = true;
        break;
    case RUN_NO_STREAMS:  // nowhere sure to tell it
        return EXIT_FILE_ERROR;
    }
    if (onError) showOwnErrorText(message);
    else showText(message);
    return exitStatus;
}

// Flushes and closes standard output after the usage or version text;
// RUN_CANNOT_SHOW when any write, the flush or the close failed (a full
// disk, a closed stream).
static RunStatus closeStandardOutput() {
    bool written = fflush(stdout) == 0 && !ferror(stdout);
    bool closed = fclose(stdout) == 0;
    return written && closed ? RUN_OK : RUN_CANNOT_SHOW;
}

// Bytes of the standard output buffer: more than any prompt or message.
static const size_t OUTPUT_BUFFER_SIZE = 4096;

// "mazegen " and the version, as --version shows them.
static const char VERSION_TEXT[] = "mazegen " MAZEGEN_VERSION "\n";

int main(int argc, char **argv) {
    if (!protectStandardStreams()) return finishRun(RUN_NO_STREAMS);
    // Each prompt and message is flushed whole, in one write, so that no
    // two-byte character is ever split between two writes to the console.
    setvbuf(stdout, nullptr, _IOFBF, OUTPUT_BUFFER_SIZE);
    CommandLine commandLine;
    RunStatus status = readCommandLine(argc, argv, &commandLine);
    if (status != RUN_OK) return finishRun(status);
    if (commandLine.request == SHOW_HELP) showOwnText(HELP_TEXT);
    if (commandLine.request == SHOW_VERSION) showOwnText(VERSION_TEXT);
    if (commandLine.request != RUN_MAZE) return finishRun(closeStandardOutput());

    prepareInterrupts();
    status = askMazeSize(commandLine);
    if (status == RUN_OK) status = checkGivenPicture(commandLine);
    if (status == RUN_OK) {
        status = generateMaze();
        if (status == RUN_OK) status = saveMaze(commandLine);
        if (status == RUN_OK) status = reportMaze(commandLine);
    }
    releaseMaze();
    return finishRun(status);
}
