// The Windows build's own cases, run under Wine in code page 932.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support.h"

namespace {

const std::string HYOU_UTF8 = "表";                // how Wine names it on Linux
const std::string HYOU_SJIS = shiftJisOf(HYOU_UTF8);  // its second byte is '\'

using Windows = ScratchFolderTest;

TEST_F(Windows, NamesInTheSystemCodePageKeepTheirSecondBytes) {
    ASSERT_TRUE(HYOU_SJIS.size() == 2 && HYOU_SJIS[1] == '\\');
    RunResult r = runMazegen(dir, "2 3 " + HYOU_SJIS + " 1\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(listDir(dir), std::vector<std::string>{HYOU_UTF8 + ".txt"});
    // In a folder, split at the real separator only.
    mkdir(path("sub").c_str(), 0755);
    r = runMazegen(dir, "2 3 sub\\" + HYOU_SJIS + "x" + HYOU_SJIS + " 1\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(listDir(path("sub")), std::vector<std::string>{HYOU_UTF8 + "x" + HYOU_UTF8 + ".txt"});
}

TEST_F(Windows, CtrlZEndsTheInput) {
    RunResult r = runMazegen(dir, "2 2\x1a m 1\n");  // nothing after Ctrl-Z is read
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(listDir(dir).empty());
}

TEST_F(Windows, ReplacesFilesWholeAndLeavesReadOnlyOnesAlone) {
    writeFile(path("m.txt"), "old maze");
    EXPECT_EQ(runMazegen(dir, "3 4 m 1").status, 0);
    ReadMaze m;
    EXPECT_EQ(parseTextMaze(readFile(path("m.txt")), &m), "");
    EXPECT_EQ(m.width, 4);

    writeFile(path("ro.txt"), "old maze");
    chmod(path("ro.txt").c_str(), 0444);  // read-only to Windows
    RunResult r = runMazegen(dir, "3 4 ro 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE)));
    EXPECT_EQ(readFile(path("ro.txt")), "old maze");
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"m.txt", "ro.txt"}));

    // A file with two names is written in place, locked and emptied first:
    // both names see the new maze, nothing of the longer old one.
    writeFile(path("h.txt"), std::string(100000, 'x'));
    ASSERT_EQ(link(path("h.txt").c_str(), path("h2.txt").c_str()), 0);
    EXPECT_EQ(runMazegen(dir, "3 4 h 1").status, 0);
    EXPECT_EQ(parseTextMaze(readFile(path("h2.txt")), &m), "");
    EXPECT_EQ(m.width, 4);
    EXPECT_EQ(readFile(path("h.txt")), readFile(path("h2.txt")));
}

TEST_F(Windows, SameFilesAsTheLinuxBuildForTheSameSeed) {
    // The default, and other algorithms whose picks take one, two or four
    // draws, with loops and the way's files.
    writeFile(path("colorPalette.bin"), shippedPalette());
    const std::vector<std::string> rows[] = {
        {}, {"--algorithm", "wilson"}, {"--algorithm", "growing-tree", "--braid", "30", "--solution"},
        {"--algorithm", "eller", "--solution"}, {"--algorithm=division", "--braid=100"}};
    for (auto &row : rows) {
        RunOptions windows, linuxBuild;
        windows.arguments = linuxBuild.arguments = {"--seed", "2147483647"};
        for (auto *options : {&windows, &linuxBuild})
            options->arguments.insert(options->arguments.end(), row.begin(), row.end());
        linuxBuild.linuxBuild = true;
        std::string label = testing::PrintToString(row);
        ASSERT_EQ(runMazegen(dir, "40 37 w 3\n", windows).status, 0) << label;
        ASSERT_EQ(runMazegen(dir, "40 37 l 3\n", linuxBuild).status, 0) << label;
        for (const char *file : {".txt", ".bmp", "-solution.txt", "-solution.bmp"}) {
            EXPECT_EQ(readFile(path(std::string("w") + file)), readFile(path(std::string("l") + file))) << label << file;
            removeTree(path(std::string("w") + file));
            removeTree(path(std::string("l") + file));
        }
    }
}

}  // namespace
