// The raster and both writers on mazes whose walls are set by hand or
// carved with a fixed seed, read back independently.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "maze/maze_generator.h"
#include "maze/maze_state.h"
#include "output/bitmap_file.h"
#include "output/palette.h"
#include "output/raster.h"
#include "output/save_file.h"
#include "output/text_file.h"
#include "platform/save.h"
#include "tests/support.h"

namespace {

// Runs each test inside a scratch folder of its own, with the maze
// released at the end.
class InScratchFolder : public ScratchFolderTest {
protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        enter();
    }
    void TearDown() override {
        releaseMaze();
        ScratchFolderTest::TearDown();
    }
};

void makeFolder(const char *name) {
    std::filesystem::create_directory(name);
}

// A palette no shifted, reversed or repeated copy can pass for.
std::string scrambledPalette(size_t size) {
    std::string bytes;
    uint32_t x = 12345;
    for (size_t i = 0; i < size; i++) { x = x * 1664525u + 1013904223u; bytes += (char)(x >> 24); }
    return bytes;
}

void setUpWithWalls(int w, int h, std::vector<int> east, std::vector<int> south) {
    maze.mazeWidth = w;
    maze.mazeHeight = h;
    ASSERT_EQ(setUpMaze(1), RUN_OK);
    ASSERT_EQ(settleWallFlags(), RUN_OK);
    std::copy(east.begin(), east.end(), maze.eastWalls);
    std::copy(south.begin(), south.end(), maze.southWalls);
}

ReadMaze currentMaze() {
    return ReadMaze{maze.mazeWidth, maze.mazeHeight,
                    std::vector<int>(maze.eastWalls, maze.eastWalls + maze.eastWallCount),
                    std::vector<int>(maze.southWalls, maze.southWalls + maze.southWallCount)};
}

TEST_F(InScratchFolder, RasterOfThreeByTwoWithEveryEastWallRemoved) {
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(3, 2, {0, 0, 0, 0}, {1, 0, 1}));
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    ASSERT_EQ(saveBitmap("m"), RUN_OK);
    EXPECT_EQ(raster.imageWidth, 21);
    EXPECT_EQ(raster.imageHeight, 14);
    EXPECT_EQ(raster.rowStride, 24);
    // The picture drawn by hand, against both the saved rows and the rule.
    std::string drawn;
    for (uint32_t y = 14; y-- > 0;)
        for (uint32_t x = 0; x < 24; x++) {
            bool open;
            if (x >= 21 || y == 0 || y == 13) open = false;
            else if (y == 6 || y == 7) open = x >= 8 && x <= 12;
            else open = x >= 1 && x <= 19;
            drawn += open ? '\xff' : '\0';
        }
    EXPECT_EQ(readFile("m.bmp").substr(PIXEL_DATA_OFFSET), drawn);
    EXPECT_EQ(referencePixels(currentMaze()), drawn);
}

TEST_F(InScratchFolder, StreamedRowsMatchThePerPixelRuleAndTheTextFile) {
    // Every remainder of 7 x width mod 4, thin shapes, and images many
    // times the write block, so that block boundaries fall inside rows.
    // Each picture is also checked against the text file of the same maze.
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    const struct { int w, h; uint32_t seed; } sizes[] = {
        {4, 3, 5}, {3, 5, 5}, {2, 2, 5}, {5, 4, 5}, {2, 61, 5}, {53, 2, 5}, {301, 203, 5},
        {2, 9000, 5}, {37, 23, 2024}};
    for (auto &s : sizes) {
        maze.mazeWidth = s.w;
        maze.mazeHeight = s.h;
        ASSERT_EQ(setUpMaze(1), RUN_OK);
        seedRandom(s.seed);
        ASSERT_EQ(carveMaze(), RUN_OK);
        ASSERT_EQ(saveText("m"), RUN_OK);
        ASSERT_EQ(saveBitmap("m"), RUN_OK);
        std::string bmp = readFile("m.bmp");
        ReadMaze read;
        ASSERT_EQ(parseTextMaze(readFile("m.txt"), &read), "") << s.w << " x " << s.h;
        EXPECT_EQ(perfectMazeProblem(read), "") << s.w << " x " << s.h;
        EXPECT_EQ(bitmapProblem(bmp, read, shippedPalette()), "") << s.w << " x " << s.h;
        EXPECT_TRUE(bmp.substr(PIXEL_DATA_OFFSET) == referencePixels(currentMaze())) << s.w << " x " << s.h;
        releaseMaze();
    }
}

TEST_F(InScratchFolder, ImagesBeyondTheirFieldsAreRefusedBeforeAnyFile) {
    // Only the sizes are read: such mazes are never carved here.
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    const struct { int32_t w, h; uint32_t leading; RunStatus status; } sizes[] = {
        {306783379, 2, 0, RUN_IMAGE_TOO_LARGE},  // imageWidth beyond 31 bits
        {2, 306783379, 0, RUN_IMAGE_TOO_LARGE},  // imageHeight beyond 31 bits
        {43826193, 2, 1078, RUN_IMAGE_TOO_LARGE},  // pixels fit 32 bits, the file does not
        {9362, 9362, 1078, RUN_OK},  // 65534 x 65534 pixels: the largest square
        {9363, 9363, 1078, RUN_IMAGE_TOO_LARGE},
        {9362, 9363, 1078, RUN_IMAGE_TOO_LARGE},
        {9363, 9362, 1078, RUN_IMAGE_TOO_LARGE},
    };
    for (auto &s : sizes) {
        maze.mazeWidth = s.w;
        maze.mazeHeight = s.h;
        EXPECT_EQ(setUpRaster(s.leading), s.status) << s.w << " x " << s.h;
        if (s.status != RUN_OK) {
            EXPECT_EQ(saveBitmap("big"), s.status) << s.w << " x " << s.h;
        }
    }
    EXPECT_EQ(listDir("."), std::vector<std::string>{PALETTE_FILE_NAME});
}

TEST_F(InScratchFolder, BitmapBytesForSmallMazes) {
    // Each size once with a longer palette file whose extra bytes must be left out.
    std::string palette = scrambledPalette(1100);
    writeFile(PALETTE_FILE_NAME, palette);
    const struct { int w, h; size_t bytes; } sizes[] = {{2, 2, 1302}, {3, 2, 1414}, {4, 4, 1862}};
    for (auto &s : sizes) {
        maze.mazeWidth = s.w;
        maze.mazeHeight = s.h;
        ASSERT_EQ(setUpMaze(1), RUN_OK);
        seedRandom(99);
        ASSERT_EQ(carveMaze(), RUN_OK);
        ASSERT_EQ(saveBitmap("m"), RUN_OK);
        std::string bmp = readFile("m.bmp");
        EXPECT_EQ(bmp.size(), s.bytes);
        EXPECT_EQ(bitmapProblem(bmp, currentMaze(), palette), "") << s.w << " x " << s.h;
        EXPECT_EQ(bmp[1078], 0);  // bottom-left corner
        releaseMaze();
    }
    EXPECT_EQ(listDir("."), (std::vector<std::string>{PALETTE_FILE_NAME, "m.bmp"}));
}

TEST_F(InScratchFolder, TextFileBytesAndReplacement) {
    writeFile("m.txt", std::string(1000, 'x'));
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(2, 2, {1, 0}, {0, 0}));
    ASSERT_EQ(saveText("m"), RUN_OK);
    EXPECT_EQ(readFile("m.txt"), "2\r\n2\r\n1\r\n0\r\n0\r\n0\r\n");
    releaseMaze();
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(3, 2, {0, 0, 1, 0}, {1, 0, 0}));
    ASSERT_EQ(saveText("m"), RUN_OK);
    EXPECT_EQ(readFile("m.txt"), "3\r\n2\r\n0\r\n0\r\n1\r\n0\r\n1\r\n0\r\n0\r\n");
}

TEST_F(InScratchFolder, TextLargerThanTheWriteBlocksHoldsEveryFlag) {
    maze.mazeWidth = 300;  // 179402 lines, 538 kB: several write blocks
    maze.mazeHeight = 300;
    ASSERT_EQ(setUpMaze(1), RUN_OK);
    seedRandom(7);
    ASSERT_EQ(carveMaze(), RUN_OK);
    ASSERT_EQ(saveText("big"), RUN_OK);
    ReadMaze read;
    ASSERT_EQ(parseTextMaze(readFile("big.txt"), &read), "");
    ReadMaze held = currentMaze();
    EXPECT_TRUE(read.east == held.east && read.south == held.south);
}

TEST_F(InScratchFolder, ASaveFollowsItsFolderAndCleansUpAFailedRename) {
    if (underWindows()) GTEST_SKIP() << "Windows renames no folder that holds an open file";
    makeFolder("a");
    ASSERT_EQ(openSaveFile("a/m", ".txt", 0), RUN_OK);
    ASSERT_EQ(rename("a", "b"), 0);  // the folder moves while the file is written
    ASSERT_TRUE(writeSaveFile("x", 1));
    EXPECT_EQ(finishSaveFile(true), RUN_OK);
    EXPECT_EQ(readFile("b/m.txt"), "x");
    EXPECT_EQ(listDir("b"), std::vector<std::string>{"m.txt"});

    ASSERT_EQ(openSaveFile("b/n", ".txt", 0), RUN_OK);
    makeFolder("b/n.txt");  // the final name turns into a folder meanwhile
    ASSERT_TRUE(writeSaveFile("x", 1));
    EXPECT_EQ(finishSaveFile(true), RUN_CANNOT_CREATE);
    EXPECT_EQ(listDir("b"), (std::vector<std::string>{"m.txt", "n.txt"}));
    EXPECT_FALSE(saveTemporaryPending());
}

TEST_F(InScratchFolder, BrokenPaletteLeavesAnExistingBitmapAlone) {
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(2, 2, {1, 0}, {0, 0}));
    writeFile("m.bmp", "old picture");
    EXPECT_EQ(saveBitmap("m"), RUN_NO_PALETTE);
    for (size_t size : {0, 1, 1023}) {
        writeFile(PALETTE_FILE_NAME, scrambledPalette(size));
        EXPECT_EQ(saveBitmap("m"), RUN_BAD_PALETTE) << size << " bytes";
    }
    EXPECT_EQ(readFile("m.bmp"), "old picture");
    EXPECT_EQ(listDir(".").size(), 2u);  // no temporary file left behind
}

TEST_F(InScratchFolder, NamesTheFolderRefuses) {
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(2, 2, {1, 0}, {0, 0}));
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    EXPECT_EQ(saveText("missing/m"), RUN_CANNOT_CREATE);
    EXPECT_EQ(saveBitmap(std::string(252, 'n').c_str()), RUN_CANNOT_CREATE);
    EXPECT_EQ(saveText(std::string(251, 'n').c_str()), RUN_OK);
    makeFolder("m.txt");  // a folder where the file should go
    EXPECT_EQ(saveText("m"), RUN_CANNOT_CREATE);
    EXPECT_EQ(listDir(".").size(), 3u);
}

}  // namespace
