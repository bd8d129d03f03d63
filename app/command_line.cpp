// Reading of the program's options.
#include "app/command_line.h"

#include <cstring>
#include <initializer_list>

#include "app/console_texts.h"
#include "maze/maze_braid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "output/raster.h"
#include "platform/console.h"

// Longest argument echoed in a message; the rest is cut.
static const size_t ECHOED_ARGUMENT = 64;
// Room for a message: its texts, the echoed argument and the usage line.
static const size_t MESSAGE_SIZE = 768;
// Most digits of a seed; a longer one is refused even with leading zeros.
static const size_t SEED_DIGITS = 10;

// What follows an option.
enum ValueKind {
    NO_VALUE,      // nothing: a switch
    SEED_VALUE,    // a seed
    SIZE_VALUE,    // a size in cells
    NAME_VALUE,    // a file name without extension
    FORMAT_VALUE,  // a save format
    RANGE_VALUE,   // a whole number in the option's range
    PICTURE_VALUE, // a picture format
    PAPER_VALUE,   // a paper size
    ALGORITHM_VALUE,  // the name of a carving algorithm
};

// The options, in the order of the table below.
enum OptionId {
    OPTION_HELP,
    OPTION_VERSION,
    OPTION_SEED,
    OPTION_HEIGHT,
    OPTION_WIDTH,
    OPTION_NAME,
    OPTION_FORMAT,
    OPTION_SOLUTION,
    OPTION_SCALE,
    OPTION_PNG,
    OPTION_PASSAGE,
    OPTION_WALL,
    OPTION_DPI,
    OPTION_PICTURE,
    OPTION_PAGE,
    OPTION_MAZES,
    OPTION_ALGORITHM,
    OPTION_BRAID,
    OPTION_STATS,
    OPTION_COUNT,
};

struct Option {
    const char *name;               // as typed, with its two dashes
    ValueKind kind;                 // what follows it
    const char *missing;            // the problem of a missing or empty value
    const char *malformed;          // the problem of a malformed one, before it
    int32_t least, most;            // the range of a RANGE_VALUE
    int32_t CommandLine::*number;   // the field a SIZE_VALUE or RANGE_VALUE goes
                                    // to; null for the other kinds
};

static const Option OPTIONS[] = {
    {"--help", NO_VALUE, nullptr, nullptr, 0, 0, nullptr},
    {"--version", NO_VALUE, nullptr, nullptr, 0, 0, nullptr},
    {"--seed", SEED_VALUE, MISSING_SEED, BAD_SEED, 0, 0, nullptr},
    {"--height", SIZE_VALUE, MISSING_HEIGHT, BAD_HEIGHT, 0, 0, &CommandLine::height},
    {"--width", SIZE_VALUE, MISSING_WIDTH, BAD_WIDTH, 0, 0, &CommandLine::width},
    {"--name", NAME_VALUE, MISSING_NAME, BAD_NAME, 0, 0, nullptr},
    {"--format", FORMAT_VALUE, MISSING_FORMAT, BAD_FORMAT, 0, 0, nullptr},
    {"--solution", NO_VALUE, nullptr, nullptr, 0, 0, nullptr},
    {"--scale", RANGE_VALUE, MISSING_SCALE, BAD_SCALE, 1, LARGEST_SCALE, &CommandLine::scale},
    {"--png", NO_VALUE, nullptr, nullptr, 0, 0, nullptr},
    {"--passage", RANGE_VALUE, MISSING_PASSAGE, BAD_PASSAGE, 1, LARGEST_WIDTH, &CommandLine::passage},
    {"--wall", RANGE_VALUE, MISSING_WALL, BAD_WALL, 1, LARGEST_WIDTH, &CommandLine::wall},
    {"--dpi", RANGE_VALUE, MISSING_DPI, BAD_DPI, 1, LARGEST_DPI, &CommandLine::dpi},
    {"--picture", PICTURE_VALUE, MISSING_PICTURE, BAD_PICTURE, 0, 0, nullptr},
    {"--page", PAPER_VALUE, MISSING_PAGE, BAD_PAGE, 0, 0, nullptr},
    {"--count", RANGE_VALUE, MISSING_COUNT, BAD_COUNT, 1, LARGEST_COUNT, &CommandLine::count},
    {"--algorithm", ALGORITHM_VALUE, MISSING_ALGORITHM, BAD_ALGORITHM, 0, 0, nullptr},
    {"--braid", RANGE_VALUE, MISSING_BRAID, BAD_BRAID, 0, LARGEST_BRAID, &CommandLine::braid},
    {"--stats", NO_VALUE, nullptr, nullptr, 0, 0, nullptr},
};
static_assert(sizeof OPTIONS / sizeof OPTIONS[0] == OPTION_COUNT, "a row for every option");

// The words --format takes, each with its menu number.
static const struct {
    const char *word;
    SaveFormat format;
} FORMAT_WORDS[] = {
    {"1", FORMAT_TEXT}, {"2", FORMAT_IMAGE}, {"3", FORMAT_BOTH},
    {"text", FORMAT_TEXT}, {"image", FORMAT_IMAGE}, {"both", FORMAT_BOTH},
};

// Shows `subject` (when not null), `problem`, then `argument` (when not
// null) with any byte outside printable ASCII as '?', on one line, then the
// usage line, in one write to standard error. Returns RUN_BAD_ARGUMENTS.
static RunStatus refuse(const char *subject, const char *problem, const char *argument) {
    char message[MESSAGE_SIZE];
    size_t used = 0;
    for (const char *part : {subject, problem}) {
        if (!part) continue;
        memcpy(message + used, part, strlen(part));
        used += strlen(part);
    }
    // An empty argument is shown as the two quotes that make one.
    if (argument && argument[0] == '\0') argument = "\"\"";
    for (size_t i = 0; argument && argument[i] && i < ECHOED_ARGUMENT; i++) {
        unsigned char c = (unsigned char)argument[i];
        message[used++] = c >= 0x20 && c < 0x7F ? (char)c : '?';
    }
    message[used++] = '\n';
    memcpy(message + used, USAGE_LINE, strlen(USAGE_LINE) + 1);
    showOwnErrorText(message);
    return RUN_BAD_ARGUMENTS;
}

// True when `text` is one or more decimal digits and nothing else.
static bool allDigits(const char *text) {
    size_t length = strlen(text);
    return length > 0 && strspn(text, "0123456789") == length;
}

// Reads a seed: 1 to SEED_DIGITS decimal digits, at most LARGEST_SEED.
static bool readSeed(const char *text, uint32_t *seed) {
    if (!allDigits(text) || strlen(text) > SEED_DIGITS) return false;
    uint64_t value = 0;
    for (const char *c = text; *c; c++) value = value * 10 + (uint64_t)(*c - '0');
    if (value > LARGEST_SEED) return false;
    *seed = (uint32_t)value;
    return true;
}

// Reads a whole number: decimal digits only, kept at INT32_MAX beyond it.
static bool readWhole(const char *text, int32_t *number) {
    if (!allDigits(text)) return false;
    int64_t value = 0;
    for (const char *c = text; *c && value <= INT32_MAX; c++) value = value * 10 + (*c - '0');
    *number = value > INT32_MAX ? INT32_MAX : (int32_t)value;
    return true;
}

// Reads a size: a whole number of at least SMALLEST_SIDE.
static bool readSize(const char *text, int32_t *size) {
    return readWhole(text, size) && *size >= SMALLEST_SIDE;
}

// Reads a whole number from `least` to `most`.
static bool readInRange(const char *text, int32_t least, int32_t most, int32_t *number) {
    return readWhole(text, number) && *number >= least && *number <= most;
}

// Reads the value `text` of option `id` into `commandLine`; false when it
// is malformed.
static bool readValue(OptionId id, const char *text, CommandLine *commandLine) {
    const Option &option = OPTIONS[id];
    switch (option.kind) {
    case SEED_VALUE:
        commandLine->seedGiven = readSeed(text, &commandLine->seed);
        return commandLine->seedGiven;
    case SIZE_VALUE:
        return readSize(text, &(commandLine->*option.number));
    case NAME_VALUE:
        if (strlen(text) > LONGEST_NAME) return false;
        strcpy(commandLine->name, text);
        commandLine->nameGiven = true;
        return true;
    case FORMAT_VALUE:
        for (auto &word : FORMAT_WORDS)
            if (strcmp(text, word.word) == 0) {
                commandLine->format = word.format;
                return true;
            }
        return false;
    case RANGE_VALUE:
        return readInRange(text, option.least, option.most, &(commandLine->*option.number));
    case PICTURE_VALUE:
        for (int picture = 0; picture < PICTURE_FORMAT_COUNT; picture++)
            if (strcmp(text, PICTURE_FORMATS[picture].word) == 0) {
                commandLine->picture = (PictureFormat)picture;
                return true;
            }
        return false;
    case PAPER_VALUE:
        for (int paper = 0; paper < PAPER_COUNT; paper++)
            if (strcmp(text, PAPERS[paper].word) == 0) {
                commandLine->paper = paper;
                return true;
            }
        return false;
    case ALGORITHM_VALUE:
        commandLine->algorithm = algorithmNamed(text);
        return commandLine->algorithm != ALGORITHM_COUNT;
    case NO_VALUE:
        break;
    }
    return false;
}

// The option `argument` names, up to its '=' if any; OPTION_COUNT when none.
static OptionId optionNamed(const char *argument) {
    const char *equals = strchr(argument, '=');
    size_t length = equals ? (size_t)(equals - argument) : strlen(argument);
    for (int id = 0; id < OPTION_COUNT; id++)
        if (strlen(OPTIONS[id].name) == length && strncmp(argument, OPTIONS[id].name, length) == 0)
            return (OptionId)id;
    return OPTION_COUNT;
}

RunStatus readCommandLine(int argc, char **argv, CommandLine *commandLine) {
    *commandLine = CommandLine();
    bool given[OPTION_COUNT] = {};
    for (int i = 1; i < argc; i++) {
        const char *argument = argv[i];
        OptionId id = optionNamed(argument);
        const char *equals = strchr(argument, '=');
        // A switch takes no value, not even after '='.
        if (id == OPTION_COUNT || (OPTIONS[id].kind == NO_VALUE && equals))
            return refuse(nullptr, UNKNOWN_ARGUMENT, argument);
        const Option &option = OPTIONS[id];
        if (option.kind == NO_VALUE) {
            if (given[id]) return refuse(option.name, OPTION_TWICE, argument);
            given[id] = true;
            continue;
        }
        // "--name=value" or "--name value"; a next word that is one of the
        // options is that option, not this one's value ("--name --solution"
        // lacks its name), so a value that looks like one takes the '=' form.
        const char *value = equals ? equals + 1
                            : i + 1 < argc && optionNamed(argv[i + 1]) == OPTION_COUNT ? argv[++i]
                                                                                     : nullptr;
        if (!value) return refuse(nullptr, option.missing, nullptr);
        if (given[id]) return refuse(option.name, OPTION_TWICE, argument);
        if (value[0] == '\0') return refuse(nullptr, option.missing, nullptr);
        if (!readValue(id, value, commandLine)) return refuse(nullptr, option.malformed, value);
        given[id] = true;
    }
    commandLine->solution = given[OPTION_SOLUTION];
    commandLine->countGiven = given[OPTION_MAZES];
    commandLine->stats = given[OPTION_STATS];
    // --png is --picture png, and no other picture.
    if (given[OPTION_PNG] && given[OPTION_PICTURE] && commandLine->picture != PICTURE_PNG)
        return refuse(nullptr, PNG_WITH_PICTURE, PICTURE_FORMATS[commandLine->picture].word);
    if (given[OPTION_PNG]) commandLine->picture = PICTURE_PNG;
    if (given[OPTION_PAGE] && commandLine->picture != PICTURE_PDF)
        return refuse(nullptr, PAGE_WITHOUT_PDF, PAPERS[commandLine->paper].word);
    if (given[OPTION_HELP]) commandLine->request = SHOW_HELP;
    else if (given[OPTION_VERSION]) commandLine->request = SHOW_VERSION;
    return RUN_OK;
}
