// Reading of the program's options.
#include "app/command_line.h"

#include <cstring>

#include "app/console_texts.h"
#include "platform/console.h"

static const char SEED_OPTION[] = "--seed";
static const char HELP_OPTION[] = "--help";
static const char VERSION_OPTION[] = "--version";
// Longest argument echoed in a message; the rest is cut.
static const size_t ECHOED_ARGUMENT = 64;
// Room for a message: its text, the echoed argument and the usage line.
static const size_t MESSAGE_SIZE = 512;

// Shows `problem`, then `argument` (when not null) with any byte outside
// printable ASCII as '?', on one line, then the usage line, in one write
// to standard error. Returns RUN_BAD_ARGUMENTS.
static RunStatus refuse(const char *problem, const char *argument) {
    char message[MESSAGE_SIZE];
    size_t used = strlen(problem);
    memcpy(message, problem, used);
    for (size_t i = 0; argument && argument[i] && i < ECHOED_ARGUMENT; i++) {
        unsigned char c = (unsigned char)argument[i];
        message[used++] = c >= 0x20 && c < 0x7F ? (char)c : '?';
    }
    message[used++] = '\n';
    memcpy(message + used, USAGE_LINE, strlen(USAGE_LINE) + 1);
    showErrorText(message);
    return RUN_BAD_ARGUMENTS;
}

// Reads a seed: 1 to 10 decimal digits, at most 4294967295.
static bool readSeed(const char *text, uint32_t *seed) {
    size_t length = strlen(text);
    if (length == 0 || length > 10 || strspn(text, "0123456789") != length) return false;
    uint64_t value = 0;
    for (size_t i = 0; i < length; i++) value = value * 10 + (uint64_t)(text[i] - '0');
    if (value > UINT32_MAX) return false;
    *seed = (uint32_t)value;
    return true;
}

RunStatus readCommandLine(int argc, char **argv, CommandLine *commandLine) {
    *commandLine = CommandLine();
    bool help = false, version = false;
    size_t seedLength = sizeof SEED_OPTION - 1;
    for (int i = 1; i < argc; i++) {
        const char *argument = argv[i];
        if (strcmp(argument, HELP_OPTION) == 0) {
            help = true;
        } else if (strcmp(argument, VERSION_OPTION) == 0) {
            version = true;
        } else if (strncmp(argument, SEED_OPTION, seedLength) == 0 &&
                   (argument[seedLength] == '\0' || argument[seedLength] == '=')) {
            // "--seed=N" or "--seed N"
            const char *value;
            if (argument[seedLength] == '=') value = argument + seedLength + 1;
            else if (i + 1 < argc) value = argv[++i];
            else return refuse(MISSING_SEED, nullptr);
            if (commandLine->seedGiven) return refuse(SEED_TWICE, argument);
            if (value[0] == '\0') return refuse(MISSING_SEED, nullptr);
            if (!readSeed(value, &commandLine->seed)) return refuse(BAD_SEED, value);
            commandLine->seedGiven = true;
        } else {
            return refuse(UNKNOWN_ARGUMENT, argument);
        }
    }
    if (help) commandLine->request = SHOW_HELP;
    else if (version) commandLine->request = SHOW_VERSION;
    return RUN_OK;
}
