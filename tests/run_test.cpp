// Runs of the built program with answers on standard input and options:
// exact console bytes, exit statuses and the files left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>

#include "tests/support.h"

namespace {

const std::string HEIGHT = shown(HEIGHT_PROMPT);
const std::string WIDTH = shown(WIDTH_PROMPT);
const std::string PROGRESS = shown(COMPUTING_TEXT) + shown(COMPUTED_TEXT);
const std::string NAME = shown(FILENAME_PROMPT);
const std::string MENU = shown(FORMAT_MENU);
const std::string INVALID = shown(INVALID_CHOICE);

// Everything printed up to the first menu.
const std::string TO_MENU = HEIGHT + WIDTH + PROGRESS + NAME + MENU;

// The value of option `name` among `arguments`, else `otherwise`.
uint32_t valueOfOption(const std::vector<std::string> &arguments, const std::string &name, uint32_t otherwise) {
    for (size_t i = 0; i + 1 < arguments.size(); i++)
        if (arguments[i] == name) return (uint32_t)std::stoul(arguments[i + 1]);
    return otherwise;
}

class Run : public ScratchFolderTest {
protected:
    void withPalette(const std::string &bytes) { writeFile(path("colorPalette.bin"), bytes); }
    // The maze of the text file `name`, checked perfect unless `braided`.
    ReadMaze savedText(const std::string &name, bool braided = false) {
        ReadMaze m;
        EXPECT_EQ(parseTextMaze(readFile(path(name)), &m), "");
        EXPECT_EQ(perfectMazeProblem(m) == "", !braided) << name;
        return m;
    }
};

// True when `arguments` braid the maze.
bool braids(const std::vector<std::string> &arguments) {
    for (size_t i = 0; i < arguments.size(); i++)
        if (arguments[i].rfind("--braid", 0) == 0) return arguments[i] != "--braid=0";
    return false;
}

TEST_F(Run, NewUserRunSavesText) {
    RunResult r = runMazegen(dir, "10 20 m 1\n");
    EXPECT_EQ(r.out, TO_MENU);
    EXPECT_EQ(r.status, 0);
    ReadMaze m = savedText("m.txt");
    EXPECT_EQ(m.width, 20);  // the height is asked first, the width is written first
    EXPECT_EQ(m.height, 10);
    EXPECT_EQ(listDir(dir), std::vector<std::string>{"m.txt"});
}

TEST_F(Run, CommandLineOptions) {
    // A malformed command line ends the run before any question, with what
    // is wrong and the usage line on standard error.
    const std::string longName(256, 'n');
    const struct { std::vector<std::string> arguments; std::string error; } refused[] = {
        {{"--seed"}, std::string(MISSING_SEED) + "\n"},
        {{"--seed="}, std::string(MISSING_SEED) + "\n"},
        {{"--seed", "x"}, std::string(BAD_SEED) + "x\n"},
        {{"--seed", "-1"}, std::string(BAD_SEED) + "-1\n"},
        {{"--seed", "2147483648"}, std::string(BAD_SEED) + "2147483648\n"},
        {{"--seed", "4294967296"}, std::string(BAD_SEED) + "4294967296\n"},
        {{"--seed", "00000000001"}, std::string(BAD_SEED) + "00000000001\n"},
        {{"--seed=12x"}, std::string(BAD_SEED) + "12x\n"},
        {{"--seed", "1", "--seed", "2"}, std::string("--seed") + OPTION_TWICE + "--seed\n"},
        {{"--seeds", "5"}, std::string(UNKNOWN_ARGUMENT) + "--seeds\n"},
        {{"--seedX", "5"}, std::string(UNKNOWN_ARGUMENT) + "--seedX\n"},
        {{"--colour"}, std::string(UNKNOWN_ARGUMENT) + "--colour\n"},
        {{"--help=1"}, std::string(UNKNOWN_ARGUMENT) + "--help=1\n"},
        {{"m", "1"}, std::string(UNKNOWN_ARGUMENT) + "m\n"},
        {{"--\x7f\x1b[2J"}, std::string(UNKNOWN_ARGUMENT) + "--??[2J\n"},
        {{"--height"}, std::string(MISSING_HEIGHT) + "\n"},
        {{"--height", "1"}, std::string(BAD_HEIGHT) + "1\n"},
        {{"--height=-3"}, std::string(BAD_HEIGHT) + "-3\n"},
        {{"--height", "+4"}, std::string(BAD_HEIGHT) + "+4\n"},
        {{"--height", "12x"}, std::string(BAD_HEIGHT) + "12x\n"},
        {{"--height", "3", "--height=4"}, std::string("--height") + OPTION_TWICE + "--height=4\n"},
        {{"--width="}, std::string(MISSING_WIDTH) + "\n"},
        {{"--width", "0"}, std::string(BAD_WIDTH) + "0\n"},
        {{"--width", "2.5"}, std::string(BAD_WIDTH) + "2.5\n"},
        {{"--name"}, std::string(MISSING_NAME) + "\n"},
        {{"--height", "4", "--width", "4", "--format", "2", "--name", "--solution"}, std::string(MISSING_NAME) + "\n"},
        {{"--name", "--format", "2"}, std::string(MISSING_NAME) + "\n"},
        {{"--seed", "--height=4"}, std::string(MISSING_SEED) + "\n"},
        {{"--name="}, std::string(MISSING_NAME) + "\n"},
        {{"--name", longName}, std::string(BAD_NAME) + longName.substr(0, 64) + "\n"},
        {{"--name", "a", "--name", "b"}, std::string("--name") + OPTION_TWICE + "--name\n"},
        {{"--format"}, std::string(MISSING_FORMAT) + "\n"},
        {{"--format", "4"}, std::string(BAD_FORMAT) + "4\n"},
        {{"--format=TEXT"}, std::string(BAD_FORMAT) + "TEXT\n"},
        {{"--format", "1", "--format", "both"}, std::string("--format") + OPTION_TWICE + "--format\n"},
        // Every value is checked, even beside --help.
        {{"--help", "--height", "1"}, std::string(BAD_HEIGHT) + "1\n"},
        {{"--scale"}, std::string(MISSING_SCALE) + "\n"},
        {{"--scale", "0"}, std::string(BAD_SCALE) + "0\n"},
        {{"--scale=65"}, std::string(BAD_SCALE) + "65\n"},
        {{"--scale", "1.5"}, std::string(BAD_SCALE) + "1.5\n"},
        {{"--scale", "2", "--scale", "2"}, std::string("--scale") + OPTION_TWICE + "--scale\n"},
        {{"--solution=yes"}, std::string(UNKNOWN_ARGUMENT) + "--solution=yes\n"},
        {{"--png", "--solution", "--png"}, std::string("--png") + OPTION_TWICE + "--png\n"},
        {{"--help", "--help"}, std::string("--help") + OPTION_TWICE + "--help\n"},
        {{"--algorithm"}, std::string(MISSING_ALGORITHM) + "\n"},
        {{"--algorithm="}, std::string(MISSING_ALGORITHM) + "\n"},
        {{"--algorithm", "dfs"}, std::string(BAD_ALGORITHM) + "dfs\n"},
        {{"--algorithm=Prim"}, std::string(BAD_ALGORITHM) + "Prim\n"},
        {{"--algorithm", "prim", "--algorithm", "prim"}, std::string("--algorithm") + OPTION_TWICE + "--algorithm\n"},
        {{"--braid"}, std::string(MISSING_BRAID) + "\n"},
        {{"--braid", "101"}, std::string(BAD_BRAID) + "101\n"},
        {{"--braid=-1"}, std::string(BAD_BRAID) + "-1\n"},
        {{"--braid", "12.5"}, std::string(BAD_BRAID) + "12.5\n"},
        {{"--braid", "99999999999"}, std::string(BAD_BRAID) + "99999999999\n"},
        {{"--braid", "5", "--braid=5"}, std::string("--braid") + OPTION_TWICE + "--braid=5\n"},
        {{"--stats=1"}, std::string(UNKNOWN_ARGUMENT) + "--stats=1\n"},
        {{"--stats", "--stats"}, std::string("--stats") + OPTION_TWICE + "--stats\n"},
        {{""}, std::string(UNKNOWN_ARGUMENT) + "\"\"\n"},
        {{"--picture"}, std::string(MISSING_PICTURE) + "\n"},
        {{"--picture", "gif"}, std::string(BAD_PICTURE) + "gif\n"},
        {{"--picture=PDF"}, std::string(BAD_PICTURE) + "PDF\n"},
        {{"--png", "--picture", "svg"}, std::string(PNG_WITH_PICTURE) + "svg\n"},
        {{"--picture=bmp", "--png"}, std::string(PNG_WITH_PICTURE) + "bmp\n"},
        {{"--page", "a4"}, std::string(PAGE_WITHOUT_PDF) + "a4\n"},
        {{"--page", "letter", "--picture", "svg"}, std::string(PAGE_WITHOUT_PDF) + "letter\n"},
        {{"--picture", "pdf", "--page", "b5"}, std::string(BAD_PAGE) + "b5\n"},
        {{"--page="}, std::string(MISSING_PAGE) + "\n"},
        {{"--count"}, std::string(MISSING_COUNT) + "\n"},
        {{"--count", "0"}, std::string(BAD_COUNT) + "0\n"},
        {{"--count", "10001"}, std::string(BAD_COUNT) + "10001\n"},
        {{"--passage"}, std::string(MISSING_PASSAGE) + "\n"},
        {{"--passage", "65"}, std::string(BAD_PASSAGE) + "65\n"},
        {{"--wall", "0"}, std::string(BAD_WALL) + "0\n"},
        {{"--wall="}, std::string(MISSING_WALL) + "\n"},
        {{"--dpi"}, std::string(MISSING_DPI) + "\n"},
        {{"--dpi", "100001"}, std::string(BAD_DPI) + "100001\n"},
        {{"--dpi", "0"}, std::string(BAD_DPI) + "0\n"},
        {{"--dpi", "72", "--dpi", "72"}, std::string("--dpi") + OPTION_TWICE + "--dpi\n"},
    };
    for (auto &row : refused) {
        RunOptions options;
        options.arguments = row.arguments;
        RunResult r = runMazegen(dir, "3 3 m 1\n", options);
        EXPECT_EQ(r.status, 2) << row.arguments[0];
        EXPECT_EQ(r.out, "") << row.arguments[0];
        EXPECT_EQ(r.err, ownShown(row.error + USAGE_LINE)) << row.arguments[0];
    }
    EXPECT_TRUE(listDir(dir).empty());
    // --help and --version show their text and end; --help comes first.
    const std::string version = "mazegen " MAZEGEN_VERSION "\n";
    const struct { std::vector<std::string> arguments; std::string out; } shows[] = {
        {{"--help"}, HELP_TEXT}, {{"--version"}, version}, {{"--help", "--version"}, HELP_TEXT},
        {{"--version", "--help"}, HELP_TEXT}, {{"--version", "--name", "m", "--format=1"}, version}};
    for (auto &row : shows) {
        RunOptions options;
        options.arguments = row.arguments;
        RunResult r = runMazegen(dir, "3 3 m 1\n", options);
        EXPECT_EQ(r.status, 0) << row.arguments[0];
        EXPECT_EQ(r.out, ownShown(row.out)) << row.arguments[0];
        EXPECT_EQ(r.err, "") << row.arguments[0];
    }
    EXPECT_TRUE(listDir(dir).empty());
}

TEST_F(Run, AnswersGivenAsOptionsAreNotAsked) {
    // The questions left are asked in their order; the files are those of
    // the same answers typed, with the same seed.
    withPalette(shippedPalette());
    RunOptions typed;
    typed.arguments = {"--seed", "7"};
    ASSERT_EQ(runMazegen(dir, "20 30 typed 3\n", typed).status, 0);
    const struct { std::vector<std::string> arguments; const char *input; std::string out; } rows[] = {
        {{"--height", "20", "--width", "30", "--name", "a", "--format", "both"}, "", PROGRESS},
        {{"--height=20", "--width=30", "--name=b", "--format=3"}, "", PROGRESS},
        {{"--height", "20", "--width", "30"}, "c 3", PROGRESS + NAME + MENU},
        {{"--height", "20"}, "30 d 3", WIDTH + PROGRESS + NAME + MENU},
        {{"--width", "30"}, "20 e 3", HEIGHT + PROGRESS + NAME + MENU},
        {{"--name", "f"}, "20 30 3", HEIGHT + WIDTH + PROGRESS + MENU},
        {{"--format", "both"}, "20 30 g", HEIGHT + WIDTH + PROGRESS + NAME},
        {{"--name", "h", "--format", "3"}, "20 30", HEIGHT + WIDTH + PROGRESS},
        {{"--width", "30", "--name", "i"}, "20 0 3", HEIGHT + PROGRESS + MENU + INVALID + MENU},
        // The defaults given as options carve the same maze.
        {{"--name", "j", "--braid", "0"}, "20 30 3", HEIGHT + WIDTH + PROGRESS + MENU},
        {{"--braid=0", "--algorithm=kruskal", "--scale", "1", "--passage=5", "--wall", "1"}, "20 30 k 3",
         HEIGHT + WIDTH + PROGRESS + NAME + MENU},
        // A name that looks like an option: after '=', or a word that is none.
        {{"--name=--solution", "--format", "3"}, "20 30", HEIGHT + WIDTH + PROGRESS},
        {{"--name", "--m", "--format", "3"}, "20 30", HEIGHT + WIDTH + PROGRESS},
    };
    for (auto &row : rows) {
        RunOptions options;
        options.arguments = row.arguments;
        options.arguments.insert(options.arguments.end(), {"--seed", "7"});
        RunResult r = runMazegen(dir, row.input, options);
        EXPECT_EQ(r.status, 0) << row.input;
        EXPECT_EQ(r.out, row.out) << row.input;
    }
    for (const char *name : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "--solution", "--m"}) {
        EXPECT_EQ(readFile(path(std::string(name) + ".txt")), readFile(path("typed.txt"))) << name;
        EXPECT_EQ(readFile(path(std::string(name) + ".bmp")), readFile(path("typed.bmp"))) << name;
    }
    // With every answer given, standard input is not read: a terminal on
    // which nothing is typed does not hold the run up.
    RunOptions all;
    all.arguments = {"--height", "4", "--width", "5", "--name", "t", "--format", "text"};
    all.terminal = Terminal::ALL;
    all.seconds = 20;
    RunResult r = runMazegen(dir, "", all);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(savedText("t.txt").width, 5);
    // Option sizes keep set-up's limits; a typed size below 2 ends silently;
    // a picture too large for its format, when the format is given, is
    // refused before the carving.
    const struct { std::vector<std::string> arguments; const char *input; std::string out; int status; } limits[] = {
        {{"--height", "70000", "--width", "70000"}, "", shown(TOO_LARGE_MESSAGE), 2},
        {{"--height", "99999999999", "--width=5"}, "", shown(TOO_LARGE_MESSAGE), 2},
        {{"--height", "5"}, "1 m 1", WIDTH, 2},
        {{"--height", "5", "--width", "4294967298"}, "", shown(TOO_LARGE_MESSAGE), 2},
        {{"--height", "5", "--width", "18446744073709551618000"}, "", shown(TOO_LARGE_MESSAGE), 2},
        {{"--height", "9363", "--width=9363", "--format", "image"}, "", shown(IMAGE_TOO_LARGE_MESSAGE), 1},
        {{"--height", "4682", "--width=4681", "--format=3", "--scale", "2"}, "m", shown(IMAGE_TOO_LARGE_MESSAGE), 1},
        // The widths count: passages of 19 make cells of 21 pixels.
        {{"--height", "3121", "--width=3121", "--format", "image", "--passage", "19"}, "", shown(IMAGE_TOO_LARGE_MESSAGE), 1},
        {{"--height", "2", "--width=174763", "--format", "2", "--passage", "64", "--wall", "64", "--scale", "64",
          "--picture", "svg"}, "", shown(IMAGE_TOO_LARGE_MESSAGE), 1},
        {{"--height", "174763", "--width=2", "--format", "2", "--wall", "64", "--passage", "64", "--scale", "64",
          "--picture", "pdf"}, "", shown(IMAGE_TOO_LARGE_MESSAGE), 1},
        // --png beside --picture png asks for the same.
        {{"--height", "3", "--width=3", "--format", "2", "--name", "p", "--png", "--picture", "png"}, "", PROGRESS, 0},
    };
    for (auto &row : limits) {
        RunOptions options;
        options.arguments = row.arguments;
        RunResult limited = runMazegen(dir, row.input, options);
        EXPECT_EQ(limited.status, row.status) << row.arguments[1];
        EXPECT_EQ(limited.out, row.out) << row.arguments[1];
    }
}

TEST_F(Run, TextsThatStandardOutputDoesNotTakeEndWithStatusOne) {
    // The usage and the version sent to a full disk or to a closed standard
    // output: status 1, and a line on standard error while it is open. A
    // standard stream the program is started without gets the null device,
    // so that no file it opens takes its place and receives its texts: a
    // run with closed output streams saves a maze and nothing else. (Wine
    // itself, started without both output streams, puts its own
    // connections in their place.)
    const struct {
        const char *argument, *redirect, *input; int status; std::string err; const char *closed;
    } rows[] = {
        {"--help", ">/dev/full", "", 1, ownShown(CANNOT_SHOW_MESSAGE), ""},
        // The report of a run that saved its maze, which a full disk does not take.
        {"--stats", ">/dev/full", "3 3 m 1\n", 1, ownShown(CANNOT_SHOW_MESSAGE), ""},
        {"--version", ">/dev/full", "", 1, ownShown(CANNOT_SHOW_MESSAGE), ""},
        {"--help", ">&-", "", 1, ownShown(CANNOT_SHOW_MESSAGE), "1"},
        {"--version", ">&- 2>&-", "", 1, "", "12"},
        {nullptr, ">&- 2>&-", "3 3 m 1\n", 0, "", "12"},
        {nullptr, "<&-", "", 2, "", "0"},
    };
    for (auto &row : rows) {
        if (underWine() && strlen(row.closed) > 1) continue;
        RunOptions options;
        options.wrapper = {"sh", "-c", std::string("exec \"$0\" \"$@\" ") + row.redirect};
        if (row.argument) options.arguments = {row.argument};
        if (!underWine()) options.traceCalls = "openat,open";
        RunResult r = runMazegen(dir, row.input, options);
        std::string label = std::string(row.argument ? row.argument : "") + " " + row.redirect;
        EXPECT_EQ(r.status, row.status) << label;
        EXPECT_EQ(r.err, row.err) << label;
        for (const char *fd = row.closed; *fd && !underWine(); fd++) {
            bool guarded = false;
            for (const std::string &call : r.calls)
                guarded |= call.find("\"/dev/null\"") != std::string::npos && endsWith(call, std::string(" = ") + *fd);
            EXPECT_TRUE(guarded) << label << ": standard stream " << *fd << " not given the null device";
        }
    }
    if (underWine()) return;
    EXPECT_EQ(listDir(dir), std::vector<std::string>{"m.txt"});
    savedText("m.txt");
}

TEST_F(Run, ASeedMakesTheSameMazeAgainAsTheClockSecondDid) {
    // The same seed gives the same files, in both forms of the option.
    withPalette(shippedPalette());
    RunOptions seven, sevenJoined;
    seven.arguments = {"--seed", "7"};
    sevenJoined.arguments = {"--seed=7"};
    EXPECT_EQ(runMazegen(dir, "40 60 a 3\n", seven).status, 0);
    EXPECT_EQ(runMazegen(dir, "40 60 b 3\n", sevenJoined).status, 0);
    EXPECT_EQ(readFile(path("a.txt")), readFile(path("b.txt")));
    EXPECT_EQ(readFile(path("a.bmp")), readFile(path("b.bmp")));
    savedText("a.txt");
    RunOptions largest;
    largest.arguments = {"--seed=2147483647"};
    EXPECT_EQ(runMazegen(dir, "40 60 d 1\n", largest).status, 0);
    savedText("d.txt");
    // Each seed makes the maze the reference carving makes from it, seed 0
    // and the largest included.
    for (uint32_t seed : {0u, 1u, 2147483647u}) {
        RunOptions seeded;
        seeded.arguments = {"--seed", std::to_string(seed), "--height", "12", "--width", "9",
                            "--name", "r", "--format", "1"};
        EXPECT_EQ(runMazegen(dir, "", seeded).status, 0) << seed;
        ReadMaze saved, reference = referenceCarve(9, 12, seed);
        ASSERT_EQ(parseTextMaze(readFile(path("r.txt")), &saved), "") << seed;
        EXPECT_EQ(saved.east, reference.east) << "seed " << seed;
        EXPECT_EQ(saved.south, reference.south) << "seed " << seed;
    }
    RunOptions eight;
    eight.arguments = {"--seed", "8"};
    EXPECT_EQ(runMazegen(dir, "40 60 c 1\n", eight).status, 0);
    EXPECT_NE(readFile(path("a.txt")), readFile(path("c.txt")));
    // A run without the option makes the maze of its clock second.
    auto second = [] { return (long long)time(nullptr); };
    long long first = second();
    EXPECT_EQ(runMazegen(dir, "40 60 clock 1\n").status, 0);
    long long last = second();
    int matched = 0;
    for (long long s = first; s <= last; s++) {
        RunOptions seeded;
        seeded.arguments = {"--seed", std::to_string(s)};
        EXPECT_EQ(runMazegen(dir, "40 60 seeded 1\n", seeded).status, 0);
        matched += readFile(path("seeded.txt")) == readFile(path("clock.txt"));
    }
    EXPECT_EQ(matched, 1) << "seconds " << first << " to " << last;
}

TEST_F(Run, RejectedSizesEndSilentlyWithStatusTwo) {
    for (const char *input : {"1 5\n", "5 0\n", "-3 4\n", "x 5\n", "", "4\n", "-99999999999 3\n"}) {
        RunResult r = runMazegen(dir, input);
        EXPECT_EQ(r.out, HEIGHT + WIDTH) << input;
        EXPECT_EQ(r.status, 2) << input;
    }
    EXPECT_TRUE(listDir(dir).empty());
}

TEST_F(Run, SizesTooLargeAreRefusedAtOnce) {
    // Counts beyond 32 bits, on any machine; a size within them but beyond
    // the memory budget is refused as well (MemoryTest, with a budget of its
    // own).
    for (const char *input : {"70000 70000", "65536 65536", "2147483647 2147483647",
                              "99999999999 5", "5 99999999999999999999999"}) {
        RunResult r = runMazegen(dir, input, limitsOf(-1, -1, 5));
        EXPECT_EQ(r.out, HEIGHT + WIDTH + shown(TOO_LARGE_MESSAGE)) << input;
        EXPECT_EQ(r.status, 2) << input;
    }
}

TEST_F(Run, MenuRepeatsOnInvalidAnswers) {
    withPalette(shippedPalette());
    RunResult r = runMazegen(dir, "2 2 m 0 4 x -1 99999999999 2\n");
    std::string again;
    for (int i = 0; i < 5; i++) again += INVALID + MENU;
    EXPECT_EQ(r.out, TO_MENU + again);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"colorPalette.bin", "m.bmp"}));
}

TEST_F(Run, NameWithASpaceAndOverlongName) {
    RunResult r = runMazegen(dir, "2 3\na b 1\n");
    EXPECT_EQ(r.out, TO_MENU + INVALID + MENU);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fileExists(path("a.txt")));
    // 255 bytes of the token become the name, the rest is an invalid choice;
    // the name plus ".txt" is then too long for the folder.
    r = runMazegen(dir, "2 3 " + std::string(300, 'n') + " 1");
    EXPECT_EQ(r.out, TO_MENU + INVALID + MENU + shown(CANNOT_CREATE_MESSAGE));
    EXPECT_EQ(r.status, 1);
    // A final name of 255 bytes, the most a folder takes, is saved; one of
    // 256 is refused. Every name a run saves is checked before the first
    // file: with --solution the way's names ("-solution.txt",
    // "-solution.bmp" or ".png") are the longest, so a name of 243 bytes
    // saves nothing at all, in a subfolder as well. A book's answers are
    // pages of its one file, which takes the name of 251 bytes.
    withPalette(shippedPalette());
    mkdir(path("sub").c_str(), 0755);
    const struct {
        const char *folder; size_t length; const char *format; bool solution, saved; bool book = false;
    } names[] = {
        {"", 251, "1", false, true},  {"", 252, "1", false, false},
        {"", 242, "3", true, true},   {"", 243, "1", true, false},
        {"", 243, "2", true, false},  {"sub/", 243, "3", true, false},
        {"", 251, "2", false, true},  {"", 251, "2", true, true, true},
        {"", 252, "2", true, false, true},
    };
    for (auto &row : names) {
        RunOptions options;
        if (row.solution) options.arguments = {"--solution"};
        if (std::string(row.format) == "2" && row.book) options.arguments.insert(options.arguments.end(), {"--picture", "pdf"});
        else if (std::string(row.format) == "2") options.arguments.push_back("--png");
        std::string folder = row.folder, name = folder + std::string(row.length, 'n');
        r = runMazegen(dir, "2 3 " + name + " " + row.format, options);
        std::string shape = name.substr(0, 4) + " " + std::to_string(row.length) + " " + row.format;
        EXPECT_EQ(r.status, row.saved ? 0 : 1) << shape;
        EXPECT_EQ(r.out, TO_MENU + (row.saved ? "" : shown(CANNOT_CREATE_MESSAGE))) << shape;
        size_t expected = !row.saved ? 0 : std::string(row.format) == "3" ? 4 : row.solution && !row.book ? 2 : 1;
        std::vector<std::string> made;
        for (const std::string &file : listDir(path(folder.empty() ? "." : folder)))
            if (file.rfind(std::string(row.length, 'n'), 0) == 0) made.push_back(file);
        EXPECT_EQ(made.size(), expected) << shape;
        for (const std::string &file : made) removeTree(path(folder + file));
    }
    // A name numbered by --count past 255 bytes with its folders is refused
    // like any name too long, not cut short to another name that fits.
    ASSERT_EQ(mkdir(path("dddd").c_str(), 0700), 0);
    RunOptions counted;
    counted.arguments = {"--count", "2", "--name", "dddd/" + std::string(249, 'n'), "--format", "1"};
    r = runMazegen(dir, "2 3", counted);
    EXPECT_EQ(r.out, HEIGHT + WIDTH + PROGRESS + shown(CANNOT_CREATE_MESSAGE));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(listDir(path("dddd")).empty());
}

TEST_F(Run, EndOfInputBeforeAChoiceSavesNothing) {
    const struct { const char *input; std::string out; } cases[] = {
        {"2 2", HEIGHT + WIDTH + PROGRESS + NAME},
        {"2 2 m", TO_MENU},
        {"2 2 m x", TO_MENU + INVALID + MENU},
    };
    for (auto &c : cases) {
        RunResult r = runMazegen(dir, c.input);
        EXPECT_EQ(r.out, c.out) << c.input;
        EXPECT_EQ(r.status, 2) << c.input;
    }
    EXPECT_TRUE(listDir(dir).empty());
}

TEST_F(Run, SavedTextAndPicturesAgree) {
    // The text file, the picture at its scale, and with --solution the way's
    // text file (against a search of the test's own), the picture with its
    // entrance and exit, and the way's picture in red.
    withPalette(shippedPalette());
    std::string wayPalette = shippedPalette();
    wayPalette.replace(4, 4, std::string("\0\0\xff\0", 4));
    // With --png the same pictures, as PNG files of 1 bit a pixel (2 with
    // the way), which Pillow and ImageMagick decode to the bitmap's colours;
    // widths of 56 and 168 pixels fill their last byte, 126 and 217 do not.
    // With --picture svg the same pictures as SVG files, which rsvg-convert
    // renders to the bitmap's pixels; with --picture pdf one PDF file of the
    // maze's page and the way's, which qpdf finds sound, with no font, the
    // picture's size (a point a pixel, or at --dpi), and which pdftoppm
    // renders to the bitmap's colour at the centre of every part.
    const struct { std::vector<std::string> arguments; const char *input; uint32_t scale; bool way; std::vector<std::string> also; } rows[] = {
        {{}, "20 31 maze 3\n", 1, false, {"png", "svg", "pdf"}},
        {{"--solution"}, "20 31 maze 3\n", 1, true, {"png", "svg", "pdf"}},
        {{"--scale", "3"}, "20 31 maze 3\n", 3, false, {"svg"}},
        {{}, "100 150 maze 2\n", 1, false, {"svg"}},
        {{"--scale=2", "--solution"}, "9 14 maze 3\n", 2, true, {"pdf"}},
        {{"--solution", "--format", "text"}, "9 14 maze\n", 1, true, {}},
        {{"--solution", "--scale", "5", "--format", "image"}, "9 14 maze\n", 5, true, {"svg", "pdf"}},
        {{"--scale", "3"}, "5 8 maze 2\n", 3, false, {"png"}},
        {{"--solution"}, "5 8 maze 2\n", 1, true, {"png"}},
        {{"--solution", "--scale", "2"}, "6 9 maze 2\n", 2, true, {"png"}},
        // Rows of the way's picture longer than zlib's window: filtered by
        // the row above, where the maze's shorter rows are not filtered.
        // Debian's ImageMagick reads no picture wider than 16384 pixels
        // (its security policy): Pillow alone reads these.
        {{"--solution", "--scale", "8"}, "2 2400 maze 2\n", 8, true, {"png"}},
        // Rows exactly as long as the window (32767 bytes and the filter
        // byte) are still found a row back: not filtered.
        {{"--passage", "1", "--wall", "1"}, "2 87378 maze 2\n", 1, false, {"png"}},
        {{"--scale", "64", "--format", "2"}, "2 2 maze\n", 64, false, {}},
        // Bitmap rows of 1050004 bytes, longer than the block of rows the
        // writer gathers (1 MiB): a block of one row each.
        {{}, "2 150000 maze 2\n", 1, false, {}},
        // Other widths of passages and rims, and print resolutions.
        {{"--passage", "3", "--wall", "2", "--solution"}, "7 11 maze 3\n", 1, true, {"png", "svg", "pdf"}},
        {{"--passage", "1", "--wall", "3", "--scale", "2", "--dpi", "300"}, "6 5 maze 2\n", 2, false, {"png", "svg", "pdf"}},
        {{"--wall", "5", "--dpi", "96", "--solution"}, "4 9 maze 2\n", 1, true, {"png", "svg", "pdf"}},
        // Other algorithms, and loops, whose way is a shortest one.
        {{"--algorithm", "backtracker", "--solution"}, "20 31 maze 3\n", 1, true, {"png", "svg"}},
        {{"--algorithm=division", "--braid", "60", "--solution", "--scale", "2"}, "9 14 maze 3\n", 2, true, {"pdf"}},
        {{"--algorithm", "aldous-broder", "--braid=100", "--solution"}, "6 9 maze 3\n", 1, true, {"png"}},
    };
    // The save choice of a row: its --format, else its last typed answer.
    auto choiceOf = [](const std::vector<std::string> &arguments, const std::string &input) {
        for (size_t i = 0; i + 1 < arguments.size(); i++)
            if (arguments[i] == "--format") {
                const std::string &format = arguments[i + 1];
                return format == "text" ? '1' : format == "image" ? '2' : format == "both" ? '3' : format[0];
            }
        return input[input.size() - 2];
    };
    for (auto &row : rows) {
        for (const std::string &name : listDir(dir))
            if (name != "colorPalette.bin") removeTree(path(name));
        RunOptions options;
        options.arguments = row.arguments;
        options.arguments.insert(options.arguments.end(), {"--seed", "11"});
        RunResult r = runMazegen(dir, row.input, options);
        std::string shape = row.input + testing::PrintToString(row.arguments);
        EXPECT_EQ(r.status, 0) << shape;
        PictureOptions style;
        style.scale = row.scale;
        style.openings = row.way;
        style.passage = valueOfOption(row.arguments, "--passage", 5);
        style.wall = valueOfOption(row.arguments, "--wall", 1);
        style.dpi = valueOfOption(row.arguments, "--dpi", 0);
        uint32_t perMetre = (uint32_t)std::llround(style.dpi / 0.0254);
        // Each bitmap's pixels, decoded by Pillow once.
        std::map<std::string, std::string> decodedBitmaps;
        auto bitmapPixels = [&](const std::string &bmp) -> const std::string & {
            if (!decodedBitmaps.count(bmp)) decodedBitmaps[bmp] = decodedPixels(bmp, PictureReader::PILLOW);
            return decodedBitmaps[bmp];
        };
        for (const std::string &format : row.also) {
            RunOptions other = options;
            if (format == "png") other.arguments.push_back("--png");
            else other.arguments.insert(other.arguments.end(), {"--picture", format});
            EXPECT_EQ(runMazegen(dir, row.input, other).status, 0) << shape << format;
            for (std::string name : {"maze", "maze-solution"}) {
                if (name != "maze" && !row.way) continue;
                std::string bmp = path(name + ".bmp"), file = path(name + "." + format);
                std::string bytes = readFile(bmp);
                uint32_t width = le32(bytes, 18), height = le32(bytes, 22);
                const std::string &expected = bitmapPixels(bmp);
                ASSERT_EQ(expected.size(), (size_t)width * height * 3) << shape << name;
                if (format == "pdf") {
                    // One file: the maze's page, then the way's.
                    if (name != "maze") continue;
                    int status = -1;
                    commandOutput("PATH=/usr/bin qpdf --check '" + file + "' 2>&1", &status);
                    EXPECT_EQ(status, 0) << shape;
                    std::string fonts = commandOutput("PATH=/usr/bin pdffonts '" + file + "'");
                    EXPECT_EQ(std::count(fonts.begin(), fonts.end(), '\n'), 2) << shape << fonts;
                    std::string info = commandOutput("PATH=/usr/bin pdfinfo '" + file + "'");
                    EXPECT_NE(info.find(std::string("Pages:           ") + (row.way ? "2" : "1")), std::string::npos) << shape;
                    // A point a pixel, or at --dpi; rendered at 4 pixels a picture pixel.
                    double points = style.dpi ? 72.0 / style.dpi : 1;
                    char size[100];
                    snprintf(size, sizeof size, "Page size:       %g x %g pts", width * points, height * points);
                    EXPECT_NE(info.find(size), std::string::npos) << shape << info;
                    int dpi = (int)std::lround(4 * 72 / points);
                    for (int page = 1; page <= (row.way ? 2 : 1); page++) {
                        const std::string &picture = bitmapPixels(page == 1 ? bmp : path("maze-solution.bmp"));
                        PictureOptions drawn = style;
                        drawn.openings = row.way;
                        uint32_t renderedWidth = 0;
                        std::string rendered = renderedPixels(file, &renderedWidth, page, dpi);
                        EXPECT_EQ(renderingProblem(picture, width, drawn, rendered, renderedWidth, 4, 0, 0), "")
                            << shape << " page " << page;
                    }
                    continue;
                }
                ASSERT_TRUE(fileExists(file)) << shape << name;
                if (format == "svg") {
                    std::string svg = readFile(file);
                    uint32_t renderedWidth = 0;
                    std::string rendered = renderedPixels(file, &renderedWidth, 1, style.dpi ? (int)style.dpi : 96);
                    EXPECT_EQ(renderedWidth, width) << shape << name;
                    EXPECT_TRUE(rendered == expected) << shape << name;
                    EXPECT_NE(svg.find("shape-rendering=\"crispEdges\""), std::string::npos) << shape;
                    // Walls in paths of at most 32 kB of data and a rectangle,
                    // so that a reader capping an attribute's length takes them.
                    size_t paths = 0, longest = 0;
                    for (size_t at = svg.find(" d=\""); at != std::string::npos; at = svg.find(" d=\"", at + 1)) {
                        paths++;
                        longest = std::max(longest, svg.find('"', at + 4) - at - 4);
                    }
                    EXPECT_LE(longest, 32768u + 64) << shape << name;
                    EXPECT_GE(paths, svg.size() / 40000) << shape << name;
                    // At --dpi its width in millimetres, rounded down to four places.
                    uint64_t units = (uint64_t)width * 254000 / (style.dpi ? style.dpi : 1);
                    std::string millimetres = "width=\"" + std::to_string(units / 10000) + "." +
                                              std::to_string(10000 + units % 10000).substr(1);
                    while (millimetres.back() == '0') millimetres.pop_back();
                    if (millimetres.back() == '.') millimetres.pop_back();
                    millimetres += "mm\"";
                    EXPECT_EQ(svg.find(style.dpi ? millimetres : "width=\"" + std::to_string(width) + "\""),
                              svg.find("width=")) << shape << name;
                    removeTree(file);
                    continue;
                }
                int depth = row.way && name != "maze" ? 2 : 1;
                std::string png = readFile(file);
                EXPECT_EQ(pngHeaderProblem(png, width, height, depth), "") << shape << name;
                // Rows zlib's window reaches back over are not filtered,
                // longer ones are filtered by the row above.
                size_t rowBytes = ((size_t)width * depth + 7) / 8 + 1;
                EXPECT_EQ(pngRowFilters(png, rowBytes), rowBytes <= 32768 ? std::string(1, 0) : std::string(1, 2))
                    << shape << name;
                // The print resolution in pixels a metre, where one is given.
                size_t phys = png.find("pHYs");
                EXPECT_EQ(phys != std::string::npos, style.dpi > 0) << shape << name;
                if (phys != std::string::npos) {
                    EXPECT_EQ(png.substr(phys - 4, 17), std::string("\0\0\0\x09pHYs", 8) +
                              std::string({(char)(perMetre >> 24), (char)(perMetre >> 16), (char)(perMetre >> 8), (char)perMetre}) +
                              std::string({(char)(perMetre >> 24), (char)(perMetre >> 16), (char)(perMetre >> 8), (char)perMetre}) + "\x01")
                        << shape << name;
                }
                for (PictureReader reader : {PictureReader::PILLOW, PictureReader::IMAGEMAGICK}) {
                    if (reader == PictureReader::IMAGEMAGICK && width > 16384) continue;
                    std::string decoded = reader == PictureReader::PILLOW ? expected : decodedPixels(bmp, reader);
                    EXPECT_EQ(decoded.size(), (size_t)width * height * 3) << shape << name;
                    EXPECT_TRUE(decodedPixels(file, reader) == decoded) << shape << name;
                }
                removeTree(file);
            }
            removeTree(path("maze.pdf"));
        }
        char choice = choiceOf(row.arguments, row.input);
        bool text = choice != '2', picture = choice != '1';
        EXPECT_EQ(fileExists(path("maze.txt")), text) << shape;
        EXPECT_EQ(fileExists(path("maze.bmp")), picture) << shape;
        EXPECT_EQ(fileExists(path("maze-solution.txt")), text && row.way) << shape;
        EXPECT_EQ(fileExists(path("maze-solution.bmp")), picture && row.way) << shape;
        ReadMaze m;
        if (text) {
            m = savedText("maze.txt", braids(row.arguments));
        } else if (style.passage == 5 && style.wall == 1) {
            ASSERT_EQ(mazeFromBitmap(readFile(path("maze.bmp")), &m, row.scale), "") << shape;
        } else {
            // The maze of the same seed, read from its text file.
            RunOptions asText = options;
            asText.arguments.insert(asText.arguments.end(), {"--format", "text"});
            std::string sizes = row.input;
            EXPECT_EQ(runMazegen(dir, sizes.substr(0, sizes.rfind(' ')) + "\n", asText).status, 0) << shape;
            m = savedText("maze.txt", braids(row.arguments));
            removeTree(path("maze.txt"));
            removeTree(path("maze-solution.txt"));
        }
        if (picture) {
            EXPECT_EQ(bitmapProblem(readFile(path("maze.bmp")), m, shippedPalette(), style), "") << shape;
        }
        if (!row.way) continue;
        style.way = wayThrough(m);
        ASSERT_FALSE(style.way.empty()) << shape;
        std::string lines;
        for (uint32_t cell : style.way) lines += std::to_string(cell) + "\r\n";
        if (text) {
            EXPECT_EQ(readFile(path("maze-solution.txt")), lines) << shape;
        }
        if (picture) {
            EXPECT_EQ(bitmapProblem(readFile(path("maze-solution.bmp")), m, wayPalette, style), "") << shape;
        }
    }
}

TEST_F(Run, CountsMakeTheMazesOfSingleRuns) {
    // --count N makes the mazes of seeds S to S + N - 1, each file the one
    // a run of its own with that seed saves, numbered with zeros to the
    // width of N; a book holds them all in one PDF, the mazes' pages then
    // the answers', on the paper inside its margins (pdfinfo, and
    // pdftoppm's rendering of every page against the bitmap of the single
    // run at the centre of every part). A failure keeps what was saved.
    withPalette(shippedPalette());
    const struct {
        std::vector<std::string> arguments; int count; std::vector<std::string> kinds; int status;
        const char *paper = nullptr; double paperWidth = 0, paperHeight = 0;
        uint64_t print = 0;  // a book's fingerprint as this release makes it, where given
    } rows[] = {
        {{"--format", "both", "--solution"}, 3, {".txt", "-solution.txt", ".bmp", "-solution.bmp"}, 0},
        {{"--format", "text"}, 12, {".txt"}, 0},
        {{"--format", "image", "--picture", "svg", "--passage", "2"}, 2, {".svg"}, 0},
        {{"--format", "image", "--picture", "png", "--solution"}, 2, {".png", "-solution.png"}, 0},
        {{"--format", "both", "--picture", "pdf", "--page", "a4", "--solution"}, 3, {".txt", "-solution.txt"}, 0,
         "a4", 595.276, 841.89},
        {{"--format", "image", "--picture", "pdf", "--page", "legal", "--wall", "3"}, 2, {}, 0, "legal", 612, 1008},
        {{"--format", "image", "--picture", "pdf", "--page", "a5", "--solution"}, 1, {}, 0, "a5", 419.528, 595.276},
        {{"--format", "image", "--picture", "pdf", "--page", "letter"}, 2, {}, 0, "letter", 612, 792},
        // Every figure of the page numbers, each in the middle of its margin:
        // the book as this release draws it.
        {{"--format", "image", "--picture", "pdf", "--page", "a5", "--solution"}, 10, {}, 0, "a5", 419.528, 595.276,
         UINT64_C(0xde99ac98b5e20768)},
        // Pages of the picture's own size carry no number over the maze.
        {{"--format", "image", "--picture", "pdf", "--solution"}, 2, {}, 0},
        // Numbers of one digit from a count of 1, two from 10.
        {{"--format", "text"}, 1, {".txt"}, 0},
        {{"--format", "text"}, 10, {".txt"}, 0},
        // The second maze's file cannot be made: the first stays.
        {{"--format", "text"}, 3, {".txt"}, 1},
    };
    const uint32_t seed = 2147483646;  // and after 2147483647, 0 and 1
    const char *sizes[] = {"--height", "9", "--width", "14"};
    for (auto &row : rows) {
        for (const std::string &name : listDir(dir))
            if (name != "colorPalette.bin") removeTree(path(name));
        std::string label = testing::PrintToString(row.arguments) + " " + std::to_string(row.count);
        if (row.status != 0) {
            ASSERT_EQ(mkdir(path("m-2.txt").c_str(), 0700), 0);
        }
        RunOptions options;
        options.arguments = row.arguments;
        options.arguments.insert(options.arguments.end(), {"--count", std::to_string(row.count), "--seed",
                                                           std::to_string(seed), "--name", "m"});
        options.arguments.insert(options.arguments.end(), std::begin(sizes), std::end(sizes));
        RunResult r = runMazegen(dir, "", options);
        EXPECT_EQ(r.status, row.status) << label;
        bool book = std::find(row.arguments.begin(), row.arguments.end(), "pdf") != row.arguments.end();
        bool way = std::find(row.arguments.begin(), row.arguments.end(), "--solution") != row.arguments.end();
        // Each maze is carved once, a book's twice beside its text files.
        int carvings = row.status != 0 ? 2 : book && row.kinds.size() > 0 && row.count > 1 ? 2 * row.count : row.count;
        std::string out;
        for (int i = 0; i < carvings; i++) out += PROGRESS;
        EXPECT_EQ(r.out, out + (row.status != 0 ? shown(CANNOT_CREATE_MESSAGE) : "")) << label;
        size_t digits = std::to_string(row.count).size();
        std::vector<std::string> expected = {"colorPalette.bin"};
        for (int i = 0; i < (row.status != 0 ? 2 : row.count); i++) {
            std::string number = std::to_string(i + 1);
            number = std::string(digits - number.size(), '0') + number;
            // The same maze from a run of its own, its seed wrapped past the largest.
            // A book's mazes are the bitmaps of the same options.
            RunOptions single = options;
            single.arguments.clear();
            for (size_t at = 0; at < row.arguments.size(); at++) {
                bool bookOption = row.arguments[at] == "--picture" || row.arguments[at] == "--page";
                if (book && bookOption) at++;
                else single.arguments.push_back(row.arguments[at]);
            }
            single.arguments.insert(single.arguments.end(), {"--seed", std::to_string((seed + i) & 0x7FFFFFFF),
                                                             "--name", "single"});
            single.arguments.insert(single.arguments.end(), std::begin(sizes), std::end(sizes));
            if (i == 1 && row.status != 0) break;
            EXPECT_EQ(runMazegen(dir, "", single).status, 0) << label;
            for (const std::string &kind : row.kinds) {
                expected.push_back("m-" + number + kind);
                EXPECT_EQ(readFile(path("m-" + number + kind)), readFile(path("single" + kind))) << label << number << kind;
            }
            if (!book) continue;
            // Maze i on page i + 1, its answer on page count + i + 1.
            int pages = way ? 2 * row.count : row.count;
            std::string info = commandOutput("PATH=/usr/bin pdfinfo -f 1 -l " + std::to_string(pages) + " '" + path("m.pdf") + "'");
            EXPECT_NE(info.find("Pages:           " + std::to_string(pages) + "\n"), std::string::npos) << label << info;
            // A page is the paper's, or without one the picture's own size.
            std::string singleBytes = readFile(path("single.bmp"));
            double pageWidth = row.paper ? row.paperWidth : le32(singleBytes, 18);
            double pageHeight = row.paper ? row.paperHeight : le32(singleBytes, 22);
            for (int page = 1; page <= pages; page++) {
                char size[100];
                snprintf(size, sizeof size, "Page %4d size:  %g x %g pts", page, pageWidth, pageHeight);
                EXPECT_NE(info.find(size), std::string::npos) << label << info;
            }
            for (bool answer : {false, true}) {
                if (answer && !way) continue;
                std::string bmp = path(answer ? "single-solution.bmp" : "single.bmp");
                std::string bytes = readFile(bmp);
                uint32_t width = le32(bytes, 18), height = le32(bytes, 22);
                // As large as fits inside margins of 36 points, in the middle;
                // without a paper, the whole page.
                double scale = row.paper ? std::min((pageWidth - 72) / width, (pageHeight - 72) / height) : 1;
                const double dpi = 144, zoom = scale * dpi / 72;
                double left = (pageWidth - width * scale) / 2 * dpi / 72;
                double top = (pageHeight - height * scale) / 2 * dpi / 72;
                EXPECT_TRUE(!row.paper || std::abs(left - 36 * dpi / 72) < 0.01 || std::abs(top - 36 * dpi / 72) < 0.01)
                    << label;
                PictureOptions drawn;
                drawn.passage = valueOfOption(row.arguments, "--passage", 5);
                drawn.wall = valueOfOption(row.arguments, "--wall", 1);
                uint32_t renderedWidth = 0;
                int page = answer ? row.count + i + 1 : i + 1;
                std::string rendered = renderedPixels(path("m.pdf"), &renderedWidth, page, (int)dpi);
                EXPECT_EQ(renderingProblem(decodedPixels(bmp, PictureReader::PILLOW), width, drawn, rendered,
                                           renderedWidth, zoom, left, top), "")
                    << label << " page " << page;
                // White round the maze but for a number in the bottom margin
                // of a book of several on paper (none over a page of the
                // picture's size).
                uint32_t renderedHeight = (uint32_t)(rendered.size() / 3 / renderedWidth), marked = 0;
                for (uint32_t y = 0; y < renderedHeight; y++)
                    for (uint32_t x = 0; x < renderedWidth; x++) {
                        bool inside = x >= left - 1 && x <= left + width * zoom + 1 && y >= top - 1 &&
                                      y <= top + height * zoom + 1;
                        if (inside || rendered.compare((y * renderedWidth + x) * 3, 3, "\xff\xff\xff") == 0) continue;
                        EXPECT_GT(y, renderedHeight - 36 * dpi / 72) << label << " page " << page << " at " << x << ", " << y;
                        if (y <= renderedHeight - 36 * dpi / 72) break;
                        marked++;
                    }
                EXPECT_EQ(marked > 0, row.count > 1 && row.paper) << label << " page " << page;
            }
        }
        if (book) {
            expected.push_back("m.pdf");
            int status = -1;
            commandOutput("PATH=/usr/bin qpdf --check '" + path("m.pdf") + "' 2>&1", &status);
            EXPECT_EQ(status, 0) << label;
            std::string fonts = commandOutput("PATH=/usr/bin pdffonts '" + path("m.pdf") + "'");
            EXPECT_EQ(std::count(fonts.begin(), fonts.end(), '\n'), 2) << label << fonts;
            // Page labels as a viewer shows them: 1 to N, then the answers
            // 答え1 to 答えN from page N + 1; none in a book of one maze.
            std::string labels = commandOutput("PATH=/usr/bin qpdf --json=2 --json-key=pagelabels '" + path("m.pdf") + "'");
            labels.erase(std::remove_if(labels.begin(), labels.end(), ::isspace), labels.end());
            std::string answers = "{\"index\":" + std::to_string(row.count) +
                                  ",\"label\":{\"/P\":\"u:\xe7\xad\x94\xe3\x81\x88\",\"/S\":\"/D\",\"/St\":1}}";
            bool numbered = row.count > 1;
            EXPECT_EQ(labels.find("[{\"index\":0,\"label\":{\"/S\":\"/D\",\"/St\":1}}") != std::string::npos, numbered)
                << label << labels;
            EXPECT_EQ(labels.find(answers) != std::string::npos, numbered && way) << label << labels;
            if (row.print) {
                uint64_t hash = UINT64_C(14695981039346656037);  // FNV-1a
                for (unsigned char byte : readFile(path("m.pdf"))) hash = (hash ^ byte) * UINT64_C(1099511628211);
                EXPECT_EQ(hash, row.print) << label;
            }
        }
        if (row.status != 0) expected.push_back("m-2.txt");
        for (const std::string &name : listDir(dir))
            if (name.compare(0, 6, "single") == 0) removeTree(path(name));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listDir(dir), expected) << label;
    }
}

TEST_F(Run, TheReportGivesTheSeedAndTheFiguresOfTheSavedMaze) {
    // --stats after the saves, in the locale's encoding: the figures of the
    // text file by the test's own counts and search, for every algorithm,
    // with and without loops and the way's files.
    auto reportOf = [](const std::string &seed, const std::string &algorithm, const ReadMaze &m) {
        uint32_t cells = (uint32_t)(m.width * m.height), ends = 0, junctions = 0, turns = 0;
        for (uint32_t cell = 0; cell < cells; cell++) {
            ends += openSides(m, cell) == 1;
            junctions += openSides(m, cell) >= 3;
        }
        std::vector<uint32_t> way = wayThrough(m);
        for (size_t i = 2; i < way.size(); i++) turns += way[i] - way[i - 1] != way[i - 1] - way[i - 2];
        uint32_t tenths = (ends * 1000 + cells / 2) / cells;
        return std::string(REPORT_SEED) + seed + "\n" + REPORT_ALGORITHM + algorithm + "\n" + REPORT_CELLS +
               std::to_string(cells) + "\n" + REPORT_DEAD_ENDS + std::to_string(ends) + " (" +
               std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " %)\n" + REPORT_JUNCTIONS +
               std::to_string(junctions) + "\n" + REPORT_WAY_LENGTH + std::to_string(way.size()) + "\n" +
               REPORT_WAY_TURNS + std::to_string(turns) + "\n";
    };
    const char *algorithms[] = {"kruskal", "backtracker", "prim", "wilson", "aldous-broder", "eller",
                                "hunt-and-kill", "growing-tree", "sidewinder", "binary-tree", "division"};
    int row = 0;
    for (const char *algorithm : algorithms) {
        RunOptions options;
        options.arguments = {"--algorithm", algorithm, "--stats", "--seed", std::to_string(300 + row)};
        if (row % 3 == 1) options.arguments.insert(options.arguments.end(), {"--braid", std::to_string(20 * row % 101)});
        if (row % 2 == 0) options.arguments.push_back("--solution");
        RunResult r = runMazegen(dir, std::to_string(9 + row) + " 23 m 1\n", options);
        EXPECT_EQ(r.status, 0) << algorithm;
        ReadMaze m = savedText("m.txt", braids(options.arguments));
        EXPECT_EQ(r.out, HEIGHT + WIDTH + PROGRESS + NAME + MENU +
                             ownShown(reportOf(std::to_string(300 + row), algorithm, m))) << algorithm;
        row++;
    }
    // With --count each maze is reported once, after its own files, also
    // when a book of PDF pages and the text files carve the mazes twice.
    withPalette(shippedPalette());
    for (bool book : {false, true}) {
        RunOptions counted;
        counted.arguments = {"--stats", "--count", "2", "--seed", "41", "--height", "7", "--width", "8",
                             "--name", "c", "--format", book ? "both" : "text"};
        if (book) counted.arguments.insert(counted.arguments.end(), {"--picture", "pdf"});
        RunResult r = runMazegen(dir, "", counted);
        EXPECT_EQ(r.status, 0) << book;
        EXPECT_EQ(r.out, PROGRESS + ownShown(reportOf("41", "kruskal", savedText("c-1.txt"))) + PROGRESS +
                             ownShown(reportOf("42", "kruskal", savedText("c-2.txt"))) +
                             (book ? PROGRESS + PROGRESS : ""))
            << book;
    }
    // Without --seed, the report's seed makes the same maze again.
    const std::vector<std::string> answers = {"--stats", "--algorithm", "prim", "--height", "30",
                                              "--width", "40", "--format", "1"};
    RunOptions clock, again;
    clock.arguments = again.arguments = answers;
    clock.arguments.insert(clock.arguments.end(), {"--name", "a"});
    RunResult r = runMazegen(dir, "", clock);
    std::string seedLine = ownShown(REPORT_SEED);
    size_t at = r.out.find(seedLine);
    ASSERT_NE(at, std::string::npos) << r.out;
    std::string seed = r.out.substr(at + seedLine.size(), r.out.find_first_not_of("0123456789", at + seedLine.size()) - at - seedLine.size());
    ASSERT_FALSE(seed.empty());
    again.arguments.insert(again.arguments.end(), {"--name", "b", "--seed", seed});
    EXPECT_EQ(runMazegen(dir, "", again).status, 0);
    EXPECT_EQ(readFile(path("a.txt")), readFile(path("b.txt")));
    EXPECT_EQ(reportOf(seed, "prim", savedText("a.txt")), reportOf(seed, "prim", savedText("b.txt")));
}

TEST_F(Run, PaletteProblemsKeepTheTextAndAnyOldBitmap) {
    // A palette that is a FIFO is not waited on, nor is a device read as
    // one: neither is a palette file. With --solution both text files are
    // saved before the picture is tried.
    enum Kind { FILE_OF_SIZE, FIFO, DEVICE };
    const struct { bool present; size_t size; std::string message; Kind kind; bool way; } cases[] = {
        {false, 0, shown(NO_PALETTE_MESSAGE), FILE_OF_SIZE, false},
        {true, 0, shown(BAD_PALETTE_MESSAGE), FILE_OF_SIZE, false},
        {true, 1023, shown(BAD_PALETTE_MESSAGE), FILE_OF_SIZE, false},
        {true, 0, shown(BAD_PALETTE_MESSAGE), FIFO, false},
        {true, 0, shown(BAD_PALETTE_MESSAGE), DEVICE, false},
        {false, 0, shown(NO_PALETTE_MESSAGE), FILE_OF_SIZE, true}};
    for (auto &c : cases) {
        if (c.kind != FILE_OF_SIZE && underWine()) continue;  // a Windows program opens neither
        removeTree(dir);
        mkdir(dir.c_str(), 0700);
        if (c.kind == FIFO) ASSERT_EQ(mkfifo(path("colorPalette.bin").c_str(), 0644), 0);
        else if (c.kind == DEVICE) ASSERT_EQ(symlink("/dev/zero", path("colorPalette.bin").c_str()), 0);
        else if (c.present) withPalette(shippedPalette().substr(0, c.size));
        writeFile(path("m.bmp"), "old picture");
        RunOptions options;
        if (c.way) options.arguments = {"--solution"};
        RunResult r = runMazegen(dir, "3 4 m 3\n", options);
        EXPECT_EQ(r.out, TO_MENU + c.message);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(readFile(path("m.bmp")), "old picture");
        savedText("m.txt");
        if (c.way) {
            EXPECT_EQ(readFile(path("m-solution.txt")).substr(0, 3), "0\r\n");
        }
        EXPECT_EQ(listDir(dir).size(), (c.present ? 3u : 2u) + c.way);
    }
}

TEST_F(Run, UncreatableFileEndsWithStatusOne) {
    RunResult r = runMazegen(dir, "2 2 nowhere/m 3\n");
    EXPECT_EQ(r.out, TO_MENU + shown(CANNOT_CREATE_MESSAGE));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(listDir(dir).empty());
}

TEST_F(Run, FileSizeLimitFailsTheWriteAndLeavesTheOldFileWhole) {
    // No SIGXFSZ is ignored for the Linux build: the program itself must
    // not die of it. Under Wine the limit stands for a full disk.
    // A PNG (about 50 kB at 300 x 300), an SVG (105 kB at 100 x 100) and a
    // bitmap (491 kB) fail part-way the same; a PDF (30 kB) fails in the
    // last write of its trailer, its limit one byte short of the whole
    // file that a first run without a limit saves.
    const long ONE_BYTE_SHORT = 0;
    const struct { const char *input; std::vector<std::string> arguments; long limit; const char *file; } cases[] = {
        {"100 100 m 1\n", {}, 4096, "m.txt"},
        {"300 300 m 1\n", {}, 100000, "m.txt"},  // 538 kB of text
        {"300 300 m 2\n", {"--png"}, 20000, "m.png"},
        {"100 100 m 2\n", {"--picture", "svg"}, 20000, "m.svg"},
        {"100 100 m 2\n", {"--picture", "bmp"}, 100000, "m.bmp"},
        {"100 100 m 2\n", {"--picture", "pdf", "--seed", "5"}, ONE_BYTE_SHORT, "m.pdf"}};
    for (auto &c : cases) {
        std::string label = c.input + testing::PrintToString(c.arguments);
        for (const std::string &name : listDir(dir)) removeTree(path(name));
        bool picture = c.input[strlen(c.input) - 2] != '1';
        if (picture) withPalette(shippedPalette());
        RunOptions options = limitsOf(c.limit, -1, 30);
        options.arguments = c.arguments;
        if (c.limit == ONE_BYTE_SHORT) {
            RunOptions whole = options;
            whole.fileSize = -1;
            ASSERT_EQ(runMazegen(dir, c.input, whole).status, 0) << label;
            std::string complete = readFile(path(c.file));
            ASSERT_TRUE(endsWith(complete, "\n%%EOF\n")) << label;
            options.fileSize = (long)complete.size() - 1;
        }
        writeFile(path(c.file), "old maze");
        RunResult r = runMazegen(dir, c.input, options);
        EXPECT_EQ(r.out, TO_MENU + shown(CANNOT_WRITE_MESSAGE)) << label;
        EXPECT_EQ(r.status, 1) << label;
        EXPECT_EQ(r.signal, 0) << label;
        EXPECT_TRUE(readFile(path(c.file)) == "old maze") << label << ": the old file was replaced";
        EXPECT_EQ(listDir(dir).size(), picture ? 2u : 1u) << label;
    }
}


}  // namespace
