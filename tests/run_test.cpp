// Runs of the built program with answers on standard input and options:
// exact console bytes, exit statuses and the files left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <ctime>
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

class Run : public ScratchFolderTest {
protected:
    void withPalette(const std::string &bytes) { writeFile(path("colorPalette.bin"), bytes); }
    ReadMaze savedText(const std::string &name) {
        ReadMaze m;
        EXPECT_EQ(parseTextMaze(readFile(path(name)), &m), "");
        EXPECT_EQ(perfectMazeProblem(m), "");
        return m;
    }
};

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
    const struct { std::vector<std::string> arguments; std::string error; } refused[] = {
        {{"--seed"}, std::string(MISSING_SEED) + "\n"},
        {{"--seed="}, std::string(MISSING_SEED) + "\n"},
        {{"--seed", "x"}, std::string(BAD_SEED) + "x\n"},
        {{"--seed", "-1"}, std::string(BAD_SEED) + "-1\n"},
        {{"--seed", "4294967296"}, std::string(BAD_SEED) + "4294967296\n"},
        {{"--seed=12x"}, std::string(BAD_SEED) + "12x\n"},
        {{"--seed", "1", "--seed", "2"}, std::string(SEED_TWICE) + "--seed\n"},
        {{"--colour"}, std::string(UNKNOWN_ARGUMENT) + "--colour\n"},
        {{"m", "1"}, std::string(UNKNOWN_ARGUMENT) + "m\n"},
    };
    for (auto &row : refused) {
        RunOptions options;
        options.arguments = row.arguments;
        RunResult r = runMazegen(dir, "3 3 m 1\n", options);
        EXPECT_EQ(r.status, 2) << row.arguments[0];
        EXPECT_EQ(r.out, "") << row.arguments[0];
        EXPECT_EQ(r.err, shown(row.error + USAGE_LINE)) << row.arguments[0];
    }
    EXPECT_TRUE(listDir(dir).empty());
    // --help and --version show their text and end.
    const struct { const char *argument; std::string out; } shows[] = {
        {"--help", HELP_TEXT}, {"--version", "mazegen " MAZEGEN_VERSION "\n"}};
    for (auto &row : shows) {
        RunOptions options;
        options.arguments = {row.argument};
        RunResult r = runMazegen(dir, "3 3 m 1\n", options);
        EXPECT_EQ(r.status, 0) << row.argument;
        EXPECT_EQ(r.out, shown(row.out)) << row.argument;
        EXPECT_EQ(r.err, "") << row.argument;
    }
    EXPECT_TRUE(listDir(dir).empty());
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
        {"--help", ">/dev/full", "", 1, shown(CANNOT_SHOW_MESSAGE), ""},
        {"--version", ">/dev/full", "", 1, shown(CANNOT_SHOW_MESSAGE), ""},
        {"--help", ">&-", "", 1, shown(CANNOT_SHOW_MESSAGE), "1"},
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
    largest.arguments = {"--seed=4294967295"};
    EXPECT_EQ(runMazegen(dir, "40 60 d 1\n", largest).status, 0);
    savedText("d.txt");
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
    for (const char *input : {"70000 70000", "46000 46000", "2147483647 2147483647",
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
    // 256 is refused.
    r = runMazegen(dir, "2 3 " + std::string(251, 'n') + " 1");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fileExists(path(std::string(251, 'n') + ".txt")));
    r = runMazegen(dir, "2 3 " + std::string(252, 'n') + " 1");
    EXPECT_EQ(r.out, TO_MENU + shown(CANNOT_CREATE_MESSAGE));
    EXPECT_EQ(r.status, 1);
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

TEST_F(Run, ChoiceThreeSavesMatchingTextAndImage) {
    withPalette(shippedPalette());
    RunResult r = runMazegen(dir, "20 31 maze 3\n");
    EXPECT_EQ(r.out, TO_MENU);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(bitmapProblem(readFile(path("maze.bmp")), savedText("maze.txt"), shippedPalette()), "");
}

TEST_F(Run, PaletteProblemsKeepTheTextAndAnyOldBitmap) {
    // A palette that is a FIFO is not waited on: it is no palette file.
    const struct { bool present; size_t size; std::string message; bool fifo; } cases[] = {
        {false, 0, shown(NO_PALETTE_MESSAGE), false}, {true, 0, shown(BAD_PALETTE_MESSAGE), false},
        {true, 1023, shown(BAD_PALETTE_MESSAGE), false}, {true, 0, shown(BAD_PALETTE_MESSAGE), true}};
    for (auto &c : cases) {
        if (c.fifo && underWine()) continue;  // a Windows program opens no FIFO
        removeTree(dir);
        mkdir(dir.c_str(), 0700);
        if (c.fifo) ASSERT_EQ(mkfifo(path("colorPalette.bin").c_str(), 0644), 0);
        else if (c.present) withPalette(shippedPalette().substr(0, c.size));
        writeFile(path("m.bmp"), "old picture");
        RunResult r = runMazegen(dir, "3 4 m 3\n");
        EXPECT_EQ(r.out, TO_MENU + c.message);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(readFile(path("m.bmp")), "old picture");
        savedText("m.txt");
        EXPECT_EQ(listDir(dir).size(), c.present ? 3u : 2u);
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
    const struct { const char *input; long limit; } cases[] = {
        {"100 100 m 1\n", 4096}, {"300 300 m 1\n", 100000}};  // 538 kB of text
    for (auto &c : cases) {
        writeFile(path("m.txt"), "old maze");
        RunResult r = runMazegen(dir, c.input, limitsOf(c.limit, -1, 30));
        EXPECT_EQ(r.out, TO_MENU + shown(CANNOT_WRITE_MESSAGE)) << c.input;
        EXPECT_EQ(r.status, 1) << c.input;
        EXPECT_EQ(r.signal, 0) << c.input;
        EXPECT_EQ(readFile(path("m.txt")), "old maze") << c.input;
        EXPECT_EQ(listDir(dir), std::vector<std::string>{"m.txt"}) << c.input;
    }
}


}  // namespace
