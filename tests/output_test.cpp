// The raster and both writers on mazes whose walls are set by hand or
// carved with a fixed seed, read back independently.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "maze/maze_generator.h"
#include "maze/maze_random.h"
#include "maze/maze_solver.h"
#include "maze/maze_state.h"
#include "output/bitmap_file.h"
#include "output/palette.h"
#include "output/pdf_file.h"
#include "output/picture_format.h"
#include "output/picture_shapes.h"
#include "output/png_file.h"
#include "output/raster.h"
#include "output/save_file.h"
#include "output/text_file.h"
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

// The picture the vector formats draw, painted pixel by pixel from their
// rectangles over the passages' entry: the walls in entry 0, then with
// the way its stretches in entry 1; stored as the bitmap stores its rows
// (bottom row first, padded to 4 bytes), for the per-pixel rule.
std::string paintedShapes() {
    size_t width = (size_t)raster.imageWidth, height = (size_t)raster.imageHeight;
    size_t stride = (size_t)raster.rowStride;
    std::string pixels(stride * height, '\0');
    for (size_t y = 0; y < height; y++) pixels.replace(y * stride, width, width, '\xff');
    auto paint = [&](const PictureRect &rect, char entry) {
        EXPECT_TRUE(rect.width > 0 && rect.height > 0 && rect.x >= 0 && rect.y >= 0 &&
                    rect.x + rect.width <= (int64_t)width && rect.y + rect.height <= (int64_t)height);
        for (int64_t y = rect.y; y < rect.y + rect.height; y++)
            pixels.replace((height - 1 - (size_t)y) * stride + (size_t)rect.x, (size_t)rect.width,
                           (size_t)rect.width, entry);
    };
    PictureRect rect;
    WallWalk walls;
    EXPECT_EQ(beginWallWalk(&walls), RUN_OK);
    while (nextWallRect(&walls, &rect)) paint(rect, '\0');
    endWallWalk(&walls);
    if (raster.style.way) {
        WayWalk way;
        beginWayWalk(&way);
        while (nextWayRect(&way, &rect)) paint(rect, '\x01');
    }
    return pixels;
}

TEST_F(InScratchFolder, RasterOfThreeByTwoWithEveryEastWallRemoved) {
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(3, 2, {0, 0, 0, 0}, {1, 0, 1}));
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    ASSERT_EQ(saveBitmap("m", PictureStyle()), RUN_OK);
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
    // The way is 0, 1, 4, 5: the entrance, the exit, the passages and the
    // strips between way cells are entry 1, the rest as before.
    ASSERT_EQ(findWay(), RUN_OK);
    PictureStyle way;
    way.way = true;
    ASSERT_EQ(saveBitmap("m", way), RUN_OK);
    std::string bmp = readFile("m-solution.bmp");
    auto pixel = [&](int x, int y) { return (int)(uint8_t)bmp[PIXEL_DATA_OFFSET + (13 - y) * 24 + x]; };
    const struct { int x, y, entry; } pixels[] = {
        {0, 3, 1}, {20, 10, 1}, {0, 10, 0}, {20, 3, 0}, {3, 3, 1}, {6, 3, 1}, {7, 3, 1},
        {10, 6, 1}, {10, 7, 1}, {13, 3, 255}, {14, 3, 255}, {17, 3, 255}, {3, 10, 255},
        {6, 10, 255}, {7, 10, 255}, {10, 10, 1}, {0, 0, 0}, {6, 6, 0}, {20, 13, 0}, {22, 3, 0}};
    for (auto &p : pixels) EXPECT_EQ(pixel(p.x, p.y), p.entry) << p.x << ", " << p.y;
}

TEST_F(InScratchFolder, StreamedRowsMatchThePerPixelRuleAndTheTextFile) {
    // Every remainder of 7 x width mod 4, thin shapes, and images many
    // times the write block, so that block boundaries fall inside rows, at
    // several scales, passage and rim widths and print resolutions. Each
    // picture is also checked against the text file of the same maze, and
    // with the way: its text file against a search of the test's own, its
    // pictures with openings and the way. The rectangles the vector
    // formats fill, painted, give the same pixels. Braided mazes have
    // loops: their way is a shortest one, the same as the search's, which
    // goes breadth first in the same order of sides.
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    std::string wayPalette = shippedPalette();
    wayPalette.replace(4, 4, std::string("\0\0\xff\0", 4));  // entry 1 red
    const struct {
        int w, h; uint32_t seed; int32_t scale; bool way; int32_t passage = 5, wall = 1, dpi = 0;
        AlgorithmId algorithm = ALGORITHM_KRUSKAL; uint32_t braid = 0;
    } sizes[] = {
        {4, 3, 5, 1, false}, {3, 5, 5, 1, true}, {2, 2, 5, 1, true}, {5, 4, 5, 1, false},
        {2, 61, 5, 1, false}, {53, 2, 5, 1, true}, {301, 203, 5, 1, false}, {2, 9000, 5, 1, false},
        {37, 23, 2024, 1, true}, {3, 5, 5, 2, true}, {5, 4, 6, 3, false}, {2, 7, 7, 4, true},
        {13, 2, 8, 64, true}, {150, 90, 9, 2, true},
        {7, 5, 3, 1, true, 3, 2}, {5, 6, 13, 2, true, 1, 4, 300}, {9, 4, 14, 1, false, 2, 3, 1},
        {3, 3, 15, 3, false, 64, 64}, {6, 2, 16, 1, true, 4, 1, 100000}, {40, 30, 17, 1, true, 1, 1},
        {40, 30, 3, 1, true, 5, 1, 0, ALGORITHM_BACKTRACKER, 100},
        {41, 29, 4, 2, true, 5, 1, 0, ALGORITHM_PRIM, 40},
        {2, 300, 5, 1, true, 5, 1, 0, ALGORITHM_DIVISION, 70},
        {90, 3, 6, 1, true, 5, 1, 0, ALGORITHM_WILSON, 100},
        {60, 60, 7, 1, true, 2, 3, 0, ALGORITHM_SIDEWINDER}};
    for (auto &s : sizes) {
        std::string shape = std::to_string(s.w) + " x " + std::to_string(s.h) + " at " +
                            std::to_string(s.scale) + ", " + std::to_string(s.passage) + " and " +
                            std::to_string(s.wall);
        maze.mazeWidth = s.w;
        maze.mazeHeight = s.h;
        maze.algorithm = s.algorithm;
        maze.braidPercent = s.braid;
        ASSERT_EQ(setUpMaze(1), RUN_OK);
        seedRandom(s.seed);
        ASSERT_EQ(carveMaze(), RUN_OK);
        maze.algorithm = ALGORITHM_KRUSKAL;
        PictureStyle style;
        style.scale = s.scale;
        style.openings = s.way;
        style.passage = s.passage;
        style.wall = s.wall;
        style.dpi = s.dpi;
        ASSERT_EQ(saveText("m"), RUN_OK);
        ASSERT_EQ(saveBitmap("m", style), RUN_OK);
        std::string bmp = readFile("m.bmp");
        ReadMaze read;
        ASSERT_EQ(parseTextMaze(readFile("m.txt"), &read), "") << shape;
        EXPECT_EQ(perfectMazeProblem(read) == "", s.braid == 0) << shape;
        PictureOptions options;
        options.scale = (uint32_t)s.scale;
        options.openings = s.way;
        options.passage = (uint32_t)s.passage;
        options.wall = (uint32_t)s.wall;
        options.dpi = (uint32_t)s.dpi;
        EXPECT_EQ(bitmapProblem(bmp, read, shippedPalette(), options), "") << shape;
        EXPECT_TRUE(bmp.substr(PIXEL_DATA_OFFSET) == referencePixels(currentMaze(), options)) << shape;
        EXPECT_TRUE(paintedShapes() == referencePixels(currentMaze(), options)) << shape;
        if (s.way) {
            ASSERT_EQ(findWay(), RUN_OK);
            ASSERT_EQ(saveWayText("m"), RUN_OK);
            style.way = true;
            ASSERT_EQ(saveBitmap("m", style), RUN_OK);
            options.way = wayThrough(read);
            std::string lines;
            for (uint32_t cell : options.way) lines += std::to_string(cell) + "\r\n";
            EXPECT_EQ(readFile("m-solution.txt"), lines) << shape;
            EXPECT_EQ(maze.wayLength, options.way.size()) << shape;
            EXPECT_EQ(bitmapProblem(readFile("m-solution.bmp"), read, wayPalette, options), "") << shape;
            EXPECT_TRUE(paintedShapes() == referencePixels(currentMaze(), options)) << shape;
        }
        releaseMaze();
        maze.braidPercent = 0;
    }
}

TEST(WayColour, StandsApartFromWallsAndPassages) {
    // Red, unless it is close to the walls' or the passages' colour; then
    // the first colour far from both (blue, then green), or the farthest.
    const struct { uint8_t wall[3], passage[3], expected[3]; } palettes[] = {
        {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}},      // the shipped grey ramp
        {{200, 0, 0}, {255, 255, 255}, {0, 0, 255}},    // red walls
        {{0, 0, 0}, {250, 30, 20}, {0, 0, 255}},        // red passages
        {{255, 0, 0}, {0, 0, 255}, {0, 160, 0}},        // red walls, blue passages
        {{255, 255, 255}, {0, 0, 0}, {255, 0, 0}},      // the ramp reversed
    };
    for (auto &p : palettes) {
        std::string bytes = shippedPalette();
        uint8_t *palette = (uint8_t *)&bytes[0];
        for (int i = 0; i < 3; i++) {
            palette[2 - i] = p.wall[i];          // entry 0, stored blue, green, red
            palette[1020 + 2 - i] = p.passage[i];  // entry 255
        }
        std::string before = bytes;
        markWayColour(palette, WAY_PIXEL, WALL_PIXEL, PASSAGE_PIXEL);
        for (int i = 0; i < 3; i++) EXPECT_EQ(palette[4 + 2 - i], p.expected[i]) << (int)p.wall[0];
        EXPECT_EQ(bytes.substr(8), before.substr(8));  // only entry 1 changes
        EXPECT_EQ(bytes.substr(0, 4), before.substr(0, 4));
    }
}

TEST(OptionWords, EveryOneIsInTheTextsThatListThem) {
    // --picture and --page take the words of their tables; their refusals
    // and their help list them by hand.
    std::vector<std::string> pictures, papers;
    for (int format = 0; format < PICTURE_FORMAT_COUNT; format++)
        pictures.push_back(PICTURE_FORMATS[format].word);
    for (const Paper &paper : PAPERS) papers.push_back(paper.word);
    const struct { const char *option, *refusal; std::vector<std::string> words; } lists[] = {
        {"--picture", BAD_PICTURE, pictures},
        {"--page", BAD_PAGE, papers},
    };
    const std::string help = HELP_TEXT;
    for (auto &list : lists) {
        size_t from = help.find(std::string("\n  ") + list.option + " ");
        ASSERT_NE(from, std::string::npos) << list.option;
        const std::string optionHelp = help.substr(from, help.find("\n  --", from + 1) - from);
        for (const std::string &word : list.words) {
            EXPECT_NE(std::string(list.refusal).find(word), std::string::npos) << word;
            EXPECT_NE(optionHelp.find(word), std::string::npos) << word;
        }
    }
}

TEST_F(InScratchFolder, ImagesBeyondTheirFieldsAreRefusedBeforeAnyFile) {
    // Only the sizes are read: such mazes are never carved here.
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    // A PNG's sides go to 2^31 - 1 pixels each, whatever the file's size.
    const RunStatus OK = RUN_OK, LARGE = RUN_IMAGE_TOO_LARGE;
    const struct { int32_t w, h, scale; RunStatus bitmap, png; int32_t passage = 5, wall = 1; } sizes[] = {
        {306783379, 2, 1, LARGE, LARGE},  // imageWidth beyond 31 bits
        {2, 306783379, 1, LARGE, LARGE},  // imageHeight beyond 31 bits
        {306783378, 2, 1, LARGE, OK},     // 2^31 - 2 pixels across
        {43826193, 2, 1, LARGE, OK},  // pixels fit 32 bits, the file does not
        {9362, 9362, 1, OK, OK},  // 65534 x 65534 pixels: the largest square
        {9363, 9363, 1, LARGE, OK},
        {9362, 9363, 1, LARGE, OK},
        {9363, 9362, 1, LARGE, OK},
        {4681, 4681, 2, OK, OK},  // the same picture at twice the scale
        {4682, 4682, 2, LARGE, OK},
        {4681, 4682, 2, LARGE, OK},
        {146, 146, 64, OK, OK},
        {147, 146, 64, LARGE, OK},
        {4793490, 2, 64, LARGE, OK},  // a row of 2^31 - 128 pixels
        {4793491, 2, 64, LARGE, LARGE},
        // Passages of 19 make a cell 21 pixels: 3120 cells are 65520.
        {3120, 3120, 1, OK, OK, 19, 1},
        {3121, 3121, 1, LARGE, OK, 19, 1},
        {2978, 2978, 2, OK, OK, 3, 4},  // 22 pixels a cell: 65516 square
        {2979, 2979, 2, LARGE, OK, 3, 4},
        {174762, 2, 64, LARGE, OK, 64, 64},  // 12288 pixels a cell
        {174763, 2, 64, LARGE, LARGE, 64, 64},
    };
    for (auto &s : sizes) {
        maze.mazeWidth = s.w;
        maze.mazeHeight = s.h;
        PictureStyle style;
        style.scale = s.scale;
        style.passage = s.passage;
        style.wall = s.wall;
        EXPECT_EQ(setUpBitmap(style), s.bitmap) << s.w << " x " << s.h << " at " << s.scale;
        EXPECT_EQ(setUpPng(style), s.png) << s.w << " x " << s.h << " at " << s.scale;
        if (s.bitmap != RUN_OK) {
            EXPECT_EQ(saveBitmap("big", style), s.bitmap) << s.w << " x " << s.h;
        }
        if (s.png != RUN_OK) {
            EXPECT_EQ(savePng("big", style), s.png) << s.w << " x " << s.h;
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
        ASSERT_EQ(saveBitmap("m", PictureStyle()), RUN_OK);
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
    // The failed save is over: the next one starts afresh.
    ASSERT_EQ(openSaveFile("b/m", ".txt", 0), RUN_OK);
    ASSERT_TRUE(writeSaveFile("y", 1));
    EXPECT_EQ(finishSaveFile(true), RUN_OK);
    EXPECT_EQ(readFile("b/m.txt"), "y");
}

TEST_F(InScratchFolder, BrokenPaletteLeavesAnExistingBitmapAlone) {
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(2, 2, {1, 0}, {0, 0}));
    writeFile("m.bmp", "old picture");
    EXPECT_EQ(saveBitmap("m", PictureStyle()), RUN_NO_PALETTE);
    for (size_t size : {0, 1, 1023}) {
        writeFile(PALETTE_FILE_NAME, scrambledPalette(size));
        EXPECT_EQ(saveBitmap("m", PictureStyle()), RUN_BAD_PALETTE) << size << " bytes";
    }
    EXPECT_EQ(readFile("m.bmp"), "old picture");
    EXPECT_EQ(listDir(".").size(), 2u);  // no temporary file left behind
}

TEST_F(InScratchFolder, NamesTheFolderRefuses) {
    ASSERT_NO_FATAL_FAILURE(setUpWithWalls(2, 2, {1, 0}, {0, 0}));
    writeFile(PALETTE_FILE_NAME, shippedPalette());
    EXPECT_EQ(saveText("missing/m"), RUN_CANNOT_CREATE);
    EXPECT_EQ(saveBitmap(std::string(252, 'n').c_str(), PictureStyle()), RUN_CANNOT_CREATE);
    EXPECT_EQ(saveText(std::string(251, 'n').c_str()), RUN_OK);
    makeFolder("m.txt");  // a folder where the file should go
    EXPECT_EQ(saveText("m"), RUN_CANNOT_CREATE);
    EXPECT_EQ(listDir(".").size(), 3u);
}

}  // namespace
