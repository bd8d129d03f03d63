// The program's options: --seed N makes the maze of seed N instead of the
// clock's second; --help and --version show a text and end the run.
#ifndef APP_COMMAND_LINE_H
#define APP_COMMAND_LINE_H

#include <cstdint>

#include "platform/run_status.h"

// What the command line asks for.
enum CommandRequest {
    RUN_MAZE,      // the questions, the carving and the save
    SHOW_HELP,     // the usage text, then the end
    SHOW_VERSION,  // the name and version, then the end
};

struct CommandLine {
    CommandRequest request = RUN_MAZE;  // what the run does
    bool seedGiven = false;             // --seed was given
    uint32_t seed = 0;                  // its value, when given
};

// Reads the `argc` arguments of `argv` into `commandLine`. Returns RUN_OK,
// or RUN_BAD_ARGUMENTS after showing on standard error what is wrong and
// the usage line: an unknown argument, --seed twice or without a value, or
// a value that is not a decimal number from 0 to 4294967295.
RunStatus readCommandLine(int argc, char **argv, CommandLine *commandLine);

#endif
