// Test support: running the built program, and an independent reading of
// the files it saves.
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A maze as read back from a saved text file.
struct ReadMaze {
    int width = 0, height = 0;
    std::vector<int> east, south;  // wall flags in file order
};

struct RunResult {
    std::string out;     // everything written to standard output
    int status = -1;     // exit status, or -1 when ended by a signal
    int signal = 0;      // the ending signal, or 0
    bool timedOut = false;
};

struct RunLimits {
    long fileSize = -1;      // RLIMIT_FSIZE in bytes, -1 for none
    long addressSpace = -1;  // RLIMIT_AS in bytes, -1 for none
    int seconds = 60;        // killed after this long
    std::vector<std::string> wrapper;  // a command to run the program under
    int errorFd = -1;        // standard error of the program; -1 keeps the test's
};

RunLimits limitsOf(long fileSize, long addressSpace, int seconds);

// Runs the built program in `dir` with `input` on standard input.
RunResult runMazegen(const std::string &dir, const std::string &input, RunLimits limits = {});

// Runs the Linux build where the program under test is the Windows one.
RunResult runLinuxMazegen(const std::string &dir, const std::string &input);

// `text` as the program's standard output carries it: with CR LF line ends
// from a Windows build.
std::string consoleText(const std::string &text);

// True when the program under test is a Windows build run by Wine.
bool underWine();

std::string makeScratchDir();           // a new empty folder
bool underWindows();                    // the tests themselves run on Windows
void removeTree(const std::string &dir);
std::string readFile(const std::string &path);  // whole file, "" if absent
void writeFile(const std::string &path, const std::string &bytes);
bool fileExists(const std::string &path);
std::vector<std::string> listDir(const std::string &dir);  // sorted names
std::string shippedPalette();  // bytes of the repository's colorPalette.bin

// Bytes from a hex string, e.g. "8c76" -> "\x8c\x76".
std::string hexBytes(const char *hex);

// Parses the bytes of a text maze file; returns "" or what is wrong.
std::string parseTextMaze(const std::string &bytes, ReadMaze *maze);

// "" when the flags describe a perfect maze (every cell reachable, exactly
// cells - 1 walls removed, every flag 0 or 1), else what is wrong.
std::string perfectMazeProblem(const ReadMaze &maze);

// Reads the wall flags back from the pixels of a saved bitmap; returns ""
// or what is wrong with its header.
std::string mazeFromBitmap(const std::string &bmp, ReadMaze *maze);

// "" when `bmp` is exactly the bitmap of `maze` with colour table
// `palette` (the first 1024 bytes), else the first difference.
std::string bitmapProblem(const std::string &bmp, const ReadMaze &maze, const std::string &palette);

// A test in a scratch folder of its own, removed after the test even when
// the test fails.
class ScratchFolderTest : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        dir = makeScratchDir();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { removeTree(dir); }
    std::string path(const std::string &name) const { return dir + "/" + name; }
};

// Failure messages as the program under test prints them (run_support.cpp).
extern const std::string CANNOT_CREATE_MESSAGE;   // ファイルが作成できません!
extern const std::string CANNOT_WRITE_MESSAGE;    // ファイルに書き込めません!
extern const std::string TOO_LARGE_MESSAGE;  // 迷路が大きすぎます!

#endif
