// Test support: a scratch folder per test, an independent reading of the
// files the program saves with the straightforward pixel rule they are
// checked against, and (on POSIX) running the built program.
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H

#include <gtest/gtest.h>

#include <sys/types.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/console_texts.h"

// A maze as read back from a saved file or taken from the program's state.
struct ReadMaze {
    int width = 0, height = 0;
    std::vector<int> east, south;  // wall flags in file order
};

/* Files and folders */

std::string makeScratchDir();           // a new empty folder
bool underWindows();                    // the tests themselves run on Windows
void removeTree(const std::string &dir);
std::string readFile(const std::string &path);  // whole file, "" if absent
void writeFile(const std::string &path, const std::string &bytes);
bool fileExists(const std::string &path);
std::vector<std::string> listDir(const std::string &dir);  // sorted names
std::string shippedPalette();  // bytes of the repository's colorPalette.bin

// A test in a scratch folder of its own, removed after the test even when
// the test fails. enter() makes it the working folder until the test ends.
class ScratchFolderTest : public ::testing::Test {
protected:
    std::string dir, home;
    void SetUp() override;
    void TearDown() override;
    void enter();
    std::string path(const std::string &name) const { return dir + "/" + name; }
};

/* Reading saved mazes */

// Parses the bytes of a text maze file; returns "" or what is wrong.
std::string parseTextMaze(const std::string &bytes, ReadMaze *maze);

// "" when the flags describe a perfect maze (every cell reachable, exactly
// cells - 1 walls removed, every flag 0 or 1), else what is wrong.
std::string perfectMazeProblem(const ReadMaze &maze);

// How many sides of `cell` are open in `maze` (the border is closed).
int openSides(const ReadMaze &maze, uint32_t cell);

// Reads the wall flags back from the pixels of a saved bitmap drawn at
// `scale`; returns "" or what is wrong with its header.
std::string mazeFromBitmap(const std::string &bmp, ReadMaze *maze, uint32_t scale = 1);

// How a picture is drawn: its widths, scale and resolution, its entrance
// and exit, its way.
struct PictureOptions {
    uint32_t scale = 1;          // file pixels across one pixel of the grid
    bool openings = false;       // the entrance and the exit are open
    std::vector<uint32_t> way;   // cells drawn as the way (entry 1), if any
    uint32_t passage = 5;        // grid pixels across a passage
    uint32_t wall = 1;           // grid pixels across a cell's rim
    uint32_t dpi = 0;            // print resolution in the header, 0 for none
    uint32_t pitch() const { return (passage + 2 * wall) * scale; }  // file pixels a cell
};

// The cells of the one path from cell 0 to the last cell of `maze`, in
// order, by a breadth-first search of its own; empty when there is none.
std::vector<uint32_t> wayThrough(const ReadMaze &maze);

// The stored pixel bytes (bottom row first, rows padded to 4 bytes) of
// `maze`, by the straightforward rule the streamed rows are checked
// against: a row map from stored to top-down positions, and every pixel
// decided on its own from its cell's part and one wall flag (and, with
// `options`, its scale, the openings and the way).
std::string referencePixels(const ReadMaze &maze, const PictureOptions &options = {});

// "" when `bmp` is exactly the bitmap of `maze` drawn with `options` and
// colour table `palette` (the first 1024 bytes), else the first difference.
std::string bitmapProblem(const std::string &bmp, const ReadMaze &maze, const std::string &palette,
                          const PictureOptions &options = {});

// "" when `rendered` (red, green, blue bytes, `renderedWidth` pixels a
// row), a rendering of the picture whose bitmap decodes to `bitmap` (red,
// green, blue, `width` pixels a row) drawn with `options`, shows the
// bitmap's colour at the centre of every passage, rim strip and corner,
// the picture placed with its top-left corner at (`left`, `top`) and
// `zoom` rendered pixels a picture pixel; else the first that differs.
std::string renderingProblem(const std::string &bitmap, uint32_t width, const PictureOptions &options,
                             const std::string &rendered, uint32_t renderedWidth, double zoom,
                             double left, double top);

/* The reference carving */

// The C standard's example generator, written apart from the program's.
struct Draws {
    uint32_t next;
    uint32_t redraws = 0;  // values drawn again because they lay past the bound
    uint32_t draw() { next = next * 1103515245u + 12345u; return (next >> 16) & 0x7FFF; }
    // A pick's position in a list of `count`: 19 bits of two draws, and
    // below them 30 bits of two more when the list is longer than 2^19; a
    // value in the last, incomplete round of `count` is drawn again.
    uint32_t position(uint32_t count) {
        for (;;) {
            uint64_t high = (uint64_t)draw() * 16, low = draw() % 16, range = 524288;
            uint64_t value = high + low;
            if (count > 524288) {
                uint64_t third = draw(), fourth = draw();
                value = value * 1073741824 + third * 32768 + fourth;
                range = (uint64_t)524288 * 1073741824;
            }
            if (value < range / count * count) return (uint32_t)(value % count);
            redraws++;
        }
    }
};

// The maze the program carves from `seed` at `w` x `h`, carved the
// straightforward way: the candidate list is an array filtered after every
// removal, labels are rewritten by a full pass. Counts the values drawn
// again in `*redraws` when given.
ReadMaze referenceCarve(int w, int h, uint32_t seed, uint32_t *redraws = nullptr);

/* Running the built program (POSIX; under Wine for the Windows build) */

struct RunResult {
    std::string out;      // standard output, or the whole screen on a terminal
    std::string err;      // standard error (its screen when only it is a terminal)
    int status = -1;      // exit status, or -1 when ended by a signal
    int signal = 0;       // the ending signal, or 0
    bool signalSent = false;  // RunOptions::signal was sent
    bool paused = false;      // RunOptions::pauseAfter was seen and the pause made
    bool timedOut = false;
    std::vector<std::string> calls;  // the traced system calls, in order
};

// Where the program's console streams go.
enum class Terminal {
    NONE,    // pipes
    ERROR,   // standard error on a pseudo-terminal, the rest on pipes
    OUTPUT,  // standard output on a pseudo-terminal, the rest on pipes
    ALL,     // all three on a pseudo-terminal, its controlling terminal
};

struct RunOptions {
    long fileSize = -1;      // RLIMIT_FSIZE in bytes, -1 for none
    long addressSpace = -1;  // RLIMIT_AS in bytes, -1 for none
    long dataSize = -1;      // RLIMIT_DATA in bytes, -1 for none
    int seconds = 20;        // killed after this long
    std::vector<std::string> wrapper;    // a command to run the program under
    std::vector<std::string> arguments;  // the program's own arguments
    std::vector<std::pair<std::string, std::string>> environment;  // variables to set
    Terminal terminal = Terminal::NONE;
    bool rawTerminal = true;  // no echo and no line-end translation on the terminal
    // A conversation: each answer is typed once its text has appeared on
    // standard output after the previous one; the input is then unused.
    std::vector<std::pair<std::string, std::string>> answers;
    int answerDelayMs = 0;    // a pause before each answer, as a person types
    bool linuxBuild = false;  // run the Linux build where the Windows one is tested
    int signal = 0;           // sent once signalWhen(pid) holds, polled every millisecond
    std::function<bool(pid_t)> signalWhen;  // given the started process's id
    // The program is stopped (SIGSTOP) for pauseMs milliseconds, then
    // continued, once `pauseAfter` has appeared on its standard output: a
    // step under way then lasts that much longer, whatever the machine.
    std::string pauseAfter;
    int pauseMs = 0;
    std::vector<int> ignoredSignals;  // ignored by whoever starts the program
    // System calls to trace (strace's trace= list, following children), and
    // a failure to inject into them (strace's inject= expression).
    std::string traceCalls, inject;
};

RunOptions limitsOf(long fileSize, long addressSpace, int seconds);

// How many `call` lines of `calls` there are up to the first one that holds
// `mark`, that one included; 0 when none does.
int ordinalOf(const std::vector<std::string> &calls, const std::string &call, const std::string &mark);

// Runs the built program in `dir` with `input` on standard input.
RunResult runMazegen(const std::string &dir, const std::string &input, RunOptions options = {});

// `text` (a program text) as the program's standard output carries it:
// with CR LF line ends from a Windows build.
std::string shown(const std::string &text);

// `text` (one of the program's own additions: the usage, option errors,
// --help) as the program shows it: in the locale's UTF-8 that the runner
// gives a Linux build, as shown() from a Windows build.
std::string ownShown(const std::string &text);

// True when `text` ends with `tail`.
bool endsWith(const std::string &text, const std::string &tail);

// True when the program under test is a Windows build run by Wine.
bool underWine();

// The readers of pictures that check the program's files.
enum class PictureReader {
    PILLOW,       // Python's imaging library (Debian python3-pil)
    IMAGEMAGICK,  // ImageMagick's convert (Debian imagemagick)
};

// The pixels of the picture file at `path` as `reader` decodes them: red,
// green and blue bytes, top row first, left to right; "" when it fails.
std::string decodedPixels(const std::string &path, PictureReader reader);

// The picture file at `path` drawn by an independent renderer at `dpi`:
// an SVG file by rsvg-convert (one pixel a unit unless its size is in
// millimetres), page `page` (from 1) of a PDF file by pdftoppm; the pixels as decodedPixels gives them (Pillow),
// the width in `width`. "" when it fails.
std::string renderedPixels(const std::string &path, uint32_t *width, int page = 1, int dpi = 72);

// Standard output of the shell command `command`, its exit status in
// `status`.
std::string commandOutput(const std::string &command, int *status = nullptr);

// "" when `png` starts with the signature and the header of an indexed PNG
// of `width` x `height` pixels and `depth` bits a pixel, with a colour
// table of 2^depth - (depth - 1) entries (2 or 3), else what differs.
std::string pngHeaderProblem(const std::string &png, uint32_t width, uint32_t height, int depth);

// The filter types the rows of the PNG `png` (`rowBytes` bytes a row, its
// filter byte included) start with, each once, in the order first met;
// empty when its data does not inflate.
std::string pngRowFilters(const std::string &png, size_t rowBytes);

// The little-endian 32-bit number at `at` of `bytes`.
uint32_t le32(const std::string &bytes, size_t at);

// The Shift_JIS bytes (code page 932) of the UTF-8 text `utf8`, as a
// program on a Japanese Windows sees them; "" when it does not convert.
std::string shiftJisOf(const std::string &utf8);

// The UTF-8 text of the Shift_JIS bytes `shiftJis` (a program text).
std::string utf8Of(const std::string &shiftJis);

#endif
