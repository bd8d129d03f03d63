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
    };
    for (auto &row : rows) {
        RunOptions options;
        options.arguments = row.arguments;
        options.arguments.insert(options.arguments.end(), {"--seed", "7"});
        RunResult r = runMazegen(dir, row.input, options);
        EXPECT_EQ(r.status, 0) << row.input;
        EXPECT_EQ(r.out, row.out) << row.input;
    }
    for (const char *name : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) {
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
    const struct { std::vector<std::string> arguments; const char *input; uint32_t scale; bool way, png; } rows[] = {
        {{}, "20 31 maze 3\n", 1, false, true},
        {{"--solution"}, "20 31 maze 3\n", 1, true, true},
        {{"--scale", "3"}, "20 31 maze 3\n", 3, false, false},
        {{"--scale=2", "--solution"}, "9 14 maze 3\n", 2, true, false},
        {{"--solution", "--format", "text"}, "9 14 maze\n", 1, true, false},
        {{"--solution", "--scale", "5", "--format", "image"}, "9 14 maze\n", 5, true, false},
        {{"--scale", "3"}, "5 8 maze 2\n", 3, false, true},
        {{"--solution"}, "5 8 maze 2\n", 1, true, true},
        {{"--solution", "--scale", "2"}, "6 9 maze 2\n", 2, true, true},
        // Rows of the way's picture longer than zlib's window: filtered by
        // the row above, where the maze's shorter rows are not filtered.
        // Debian's ImageMagick reads no picture wider than 16384 pixels
        // (its security policy): Pillow alone reads these.
        {{"--solution", "--scale", "8"}, "2 2400 maze 2\n", 8, true, true},
        {{"--scale", "64", "--format", "2"}, "2 2 maze\n", 64, false, false},
        // Other algorithms, and loops, whose way is a shortest one.
        {{"--algorithm", "backtracker", "--solution"}, "20 31 maze 3\n", 1, true, true},
        {{"--algorithm=division", "--braid", "60", "--solution", "--scale", "2"}, "9 14 maze 3\n", 2, true, false},
        {{"--algorithm", "aldous-broder", "--braid=100", "--solution"}, "6 9 maze 3\n", 1, true, true},
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
        if (row.png) {
            options.arguments.push_back("--png");
            EXPECT_EQ(runMazegen(dir, row.input, options).status, 0) << shape;
            for (std::string name : {"maze", "maze-solution"}) {
                if (name != "maze" && !row.way) continue;
                std::string bmp = path(name + ".bmp"), png = path(name + ".png");
                ASSERT_TRUE(fileExists(png)) << shape << name;
                std::string bytes = readFile(bmp);
                uint32_t width = le32(bytes, 18), height = le32(bytes, 22);
                int depth = row.way && name != "maze" ? 2 : 1;
                EXPECT_EQ(pngHeaderProblem(readFile(png), width, height, depth), "") << shape << name;
                // Rows zlib's window reaches back over are not filtered,
                // longer ones are filtered by the row above.
                size_t rowBytes = ((size_t)width * depth + 7) / 8 + 1;
                EXPECT_EQ(pngRowFilters(readFile(png), rowBytes), rowBytes <= 32768 ? std::string(1, 0) : std::string(1, 2))
                    << shape << name;
                for (PictureReader reader : {PictureReader::PILLOW, PictureReader::IMAGEMAGICK}) {
                    if (reader == PictureReader::IMAGEMAGICK && width > 16384) continue;
                    std::string expected = decodedPixels(bmp, reader);
                    EXPECT_EQ(expected.size(), (size_t)width * height * 3) << shape << name;
                    EXPECT_TRUE(decodedPixels(png, reader) == expected) << shape << name;
                }
                removeTree(png);
            }
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
        } else {
            ASSERT_EQ(mazeFromBitmap(readFile(path("maze.bmp")), &m, row.scale), "") << shape;
        }
        PictureOptions style;
        style.scale = row.scale;
        style.openings = row.way;
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
    // A PNG (about 50 kB at 300 x 300) fails part-way the same.
    const struct { const char *input; long limit; const char *file; bool png; } cases[] = {
        {"100 100 m 1\n", 4096, "m.txt", false},
        {"300 300 m 1\n", 100000, "m.txt", false},  // 538 kB of text
        {"300 300 m 2\n", 20000, "m.png", true}};
    for (auto &c : cases) {
        for (const std::string &name : listDir(dir)) removeTree(path(name));
        writeFile(path(c.file), "old maze");
        RunOptions options = limitsOf(c.limit, -1, 30);
        if (c.png) {
            withPalette(shippedPalette());
            options.arguments = {"--png"};
        }
        RunResult r = runMazegen(dir, c.input, options);
        EXPECT_EQ(r.out, TO_MENU + shown(CANNOT_WRITE_MESSAGE)) << c.input;
        EXPECT_EQ(r.status, 1) << c.input;
        EXPECT_EQ(r.signal, 0) << c.input;
        EXPECT_EQ(readFile(path(c.file)), "old maze") << c.input;
        EXPECT_EQ(listDir(dir).size(), c.png ? 2u : 1u) << c.input;
    }
}


}  // namespace
