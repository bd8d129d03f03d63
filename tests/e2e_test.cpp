// Runs of the built program with answers on standard input: exact console
// bytes, exit statuses and the files left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/support.h"

namespace {

// The console texts as Shift_JIS bytes, converted once with iconv.
const std::string HEIGHT = consoleText(hexBytes("96c0984882cc8f63959d82f093fc97cd82b582c482ad82be82b382a23a"));
const std::string WIDTH = consoleText(hexBytes("96c0984882cc89a1959d82f093fc97cd82b582c482ad82be82b382a23a"));
const std::string PROGRESS = consoleText(hexBytes("8c768e5a92862e2e2e0a8c768e5a8f4997b92e2e2e0a"));
const std::string NAME = consoleText(hexBytes(
    "95db91b682b782e9837483408343838b96bc82f093fc97cd82b582c482ad82be82b382a281420a"));
const std::string MENU = consoleText(hexBytes(
    "95db91b682b782e98c608eae82f0914991f082b582c482ad82be82b382a281420a"
    "825081a88365834c835883678366815b835e82c995db91b60a"
    "825181a889e6919c8366815b835e82c595db91b60a"
    "825281a88365834c835883678366815b835e82c689e6919c8366815b835e82c595db91b60a"));
const std::string INVALID = consoleText(hexBytes("8e7792e882b382ea82bd926c82f093fc97cd82b582c482ad82be82b382a20a"));
const std::string NO_PALETTE = consoleText(hexBytes(
    "90dd92e8837483408343838b636f6c6f7250616c657474652e62696e82aa82a082e882dc82b982f1210a"));
const std::string BROKEN_PALETTE = consoleText(hexBytes(
    "90dd92e8837483408343838b636f6c6f7250616c657474652e62696e82aa89f382ea82c482a282dc82b7210a"));
const std::string IMAGE_TOO_LARGE = consoleText(hexBytes("89e6919c82aa91e582ab82b782ac82c495db91b682c582ab82dc82b982f1210a"));
const std::string NO_MEMORY = consoleText(hexBytes("83818382838a82aa91ab82e882dc82b982f1210a"));

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
        EXPECT_EQ(r.out, HEIGHT + WIDTH + TOO_LARGE_MESSAGE) << input;
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
    EXPECT_EQ(r.out, TO_MENU + INVALID + MENU + CANNOT_CREATE_MESSAGE);
    EXPECT_EQ(r.status, 1);
    r = runMazegen(dir, "2 3 " + std::string(250, 'n') + " 1");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fileExists(path(std::string(250, 'n') + ".txt")));
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
    const struct { bool present; size_t size; std::string message; } cases[] = {
        {false, 0, NO_PALETTE}, {true, 0, BROKEN_PALETTE}, {true, 1023, BROKEN_PALETTE}};
    for (auto &c : cases) {
        removeTree(dir);
        mkdir(dir.c_str(), 0700);
        if (c.present) withPalette(shippedPalette().substr(0, c.size));
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
    EXPECT_EQ(r.out, TO_MENU + CANNOT_CREATE_MESSAGE);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(listDir(dir).empty());
}

TEST_F(Run, FullDiskLeavesTheOldFileWhole) {
    writeFile(path("m.txt"), "old maze");
    RunResult r = runMazegen(dir, "100 100 m 1\n", limitsOf(4096, -1, 30));
    EXPECT_EQ(r.out, TO_MENU + CANNOT_WRITE_MESSAGE);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(readFile(path("m.txt")), "old maze");
    EXPECT_EQ(listDir(dir), std::vector<std::string>{"m.txt"});
}

#ifndef MAZEGEN_SANITIZED  // an address-space limit cannot hold a sanitized program
TEST_F(Run, MemoryLimits) {
    if (underWine()) GTEST_SKIP() << "address-space limits are POSIX; Wine's own mappings fill them";
    // An image takes a few rows of memory, not a map of its pixels: a
    // 1000 x 1000 bitmap (49 MB of pixels) saves within 128 MB.
    withPalette(shippedPalette());
    RunResult r = runMazegen(dir, "1000 1000 m 3\n", limitsOf(-1, 128L << 20, 30));
    EXPECT_EQ(r.out, TO_MENU);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(path("m.bmp")).size(), 1078u + 7000u * 7000u);
    // Sizes whose state needs 63 kB more than the limit are refused before
    // anything is allocated; an estimate too low would try and fail.
    r = runMazegen(dir, "4443 2000", limitsOf(-1, 106L << 20, 30));
    EXPECT_EQ(r.out, HEIGHT + WIDTH + TOO_LARGE_MESSAGE);
    EXPECT_EQ(r.status, 2);
    // A state that fits the limit by 387 kB, but not beside the program.
    r = runMazegen(dir, "4425 2000", limitsOf(-1, 106L << 20, 30));
    EXPECT_EQ(r.out, HEIGHT + WIDTH + NO_MEMORY);
    EXPECT_EQ(r.status, 3);
}
#endif

}  // namespace
