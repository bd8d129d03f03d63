// Whatever is typed and wherever the input ends, the program ends by itself
// with a documented status and leaves only complete files.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <random>
#include <string>

#include "tests/support.h"

namespace {

// Pieces of answer streams: numbers of every kind, words, lone signs,
// non-ASCII and NUL bytes, and very long tokens.
std::string randomToken(std::mt19937 &rng) {
    static const std::string fixed[] = {
        "0", "1", "2", "3", "4", "-1", "-0", "+2", "007", "-5", "99999999999", "2147483647",
        "-2147483649", "4294967296", "m", "abc", "x1", "12x", "+", "-", "\x82\xa0\x82\xa2",
        "\xff\xfe", std::string("a\0b", 3), "1.5"};
    switch (rng() % 6) {
    case 0:
    case 1: return std::to_string(2 + rng() % 29);  // a size that carves quickly
    case 2: return std::to_string(rng() % 5);       // a menu answer
    case 3:
        if (rng() % 4 == 0) return std::string(1 + rng() % 3, '\0');
        return std::string(200 + rng() % 800, "nN9\x82"[rng() % 4]);
    default: return fixed[rng() % (sizeof fixed / sizeof *fixed)];
    }
}

std::string randomStream(std::mt19937 &rng) {
    static const char *blanks[] = {" ", "  ", "\t", "\n", "\r\n", " \t\r\n"};
    std::string stream;
    if (rng() % 4 != 0)  // mostly a maze that gets carved, so that the save dialogue is reached
        stream = std::to_string(2 + rng() % 29) + " " + std::to_string(2 + rng() % 29) + "\n";
    int tokens = 1 + rng() % 7;
    for (int i = 0; i < tokens; i++) stream += randomToken(rng) + blanks[rng() % 6];
    if (rng() % 2 == 0) stream += std::to_string(1 + rng() % 3);  // a save choice at last
    if (rng() % 3 == 0) stream.resize(rng() % (stream.size() + 1));  // input ends anywhere
    return stream;
}

// "" when every file in `dir` is a complete maze file, else what is wrong.
std::string leftFilesProblem(const std::string &dir, const std::string &palette) {
    for (const std::string &name : listDir(dir)) {
        if (name == "colorPalette.bin") continue;
        std::string bytes = readFile(dir + "/" + name), why;
        ReadMaze m;
        std::string ext = name.size() >= 4 ? name.substr(name.size() - 4) : "";
        if (ext == ".txt") {
            why = parseTextMaze(bytes, &m);
        } else if (ext == ".bmp") {
            why = mazeFromBitmap(bytes, &m);
            if (why.empty()) why = bitmapProblem(bytes, m, palette);
        } else {
            why = "unexpected file";
        }
        if (why.empty()) why = perfectMazeProblem(m);
        if (!why.empty()) return name + ": " + why;
    }
    return "";
}

TEST(Robustness, RandomAnswerStreams) {
    std::mt19937 rng(20261208);
    std::string palette = shippedPalette();
    // Wine takes a good part of a second to start a program: fewer runs there.
    const int runs = underWine() ? 40 : 400;
    for (int run = 0; run < runs; run++) {
        std::string dir = makeScratchDir(), input = randomStream(rng);
        ASSERT_FALSE(dir.empty());
        if (run % 2 == 0) writeFile(dir + "/colorPalette.bin", palette);
        RunResult r = runMazegen(dir, input, limitsOf(-1, -1, 20));
        std::string shown = testing::PrintToString(input);
        ASSERT_FALSE(r.timedOut) << "run " << run << " input " << shown;
        ASSERT_EQ(r.signal, 0) << "run " << run << " input " << shown;
        ASSERT_TRUE(r.status >= 0 && r.status <= 2) << "status " << r.status << " input " << shown;
        std::string leftFiles = leftFilesProblem(dir, palette);
        removeTree(dir);
        ASSERT_EQ(leftFiles, "") << "input " << shown;
    }
}

// Reads from `fd` until `text` has arrived and drops the screen up to its
// end; false after 20 s without it.
bool waitFor(int fd, std::string &screen, const std::string &text) {
    for (int waited = 0; screen.find(text) == std::string::npos; waited++) {
        struct pollfd p = {fd, POLLIN, 0};
        if (waited > 200 || poll(&p, 1, 100) < 0) return false;
        char buf[4096];
        ssize_t n = (p.revents & POLLIN) ? read(fd, buf, sizeof buf) : 0;
        if (n < 0) return false;
        screen.append(buf, (size_t)n);
    }
    screen.erase(0, screen.find(text) + text.size());
    return true;
}

// A test in a scratch folder that is removed even when the test fails.
using RobustRun = ScratchFolderTest;

TEST_F(RobustRun, EachPromptIsOnTheTerminalBeforeItsAnswerIsRead) {
    if (underWine()) GTEST_SKIP() << "a pseudo-terminal is POSIX; Wine gives no console on it";
    struct termios raw;
    cfmakeraw(&raw);  // no echo of the answers, no line-end translation
    int master;
    pid_t pid = forkpty(&master, nullptr, &raw, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        execl(MAZEGEN_PATH, "mazegen", (char *)nullptr);
        _exit(127);
    }
    const struct { const char *prompt, *answer; } steps[] = {
        {"96c0984882cc8f63959d82f093fc97cd82b582c482ad82be82b382a23a", "10\n"},
        {"96c0984882cc89a1959d82f093fc97cd82b582c482ad82be82b382a23a", "20\n"},
        {"8c768e5a8f4997b92e2e2e0a", ""},
        {"95db91b682b782e9837483408343838b96bc82f093fc97cd82b582c482ad82be82b382a281420a", "m\n"},
        {"825281a88365834c835883678366815b835e82c689e6919c8366815b835e82c595db91b60a", "1\n"},
    };
    std::string screen;
    for (auto &step : steps) {
        ASSERT_TRUE(waitFor(master, screen, hexBytes(step.prompt))) << step.prompt;
        ASSERT_EQ(write(master, step.answer, strlen(step.answer)), (ssize_t)strlen(step.answer));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(fileExists(dir + "/m.txt"));
}

// Everything readable from `fd` once the writer has gone, within 5 s.
std::string drain(int fd) {
    std::string bytes;
    char buf[4096];
    for (;;) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0 || !(p.revents & POLLIN)) break;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        bytes.append(buf, (size_t)n);
    }
    return bytes;
}

TEST_F(RobustRun, ProgressLineOnATerminalOnly) {
    if (underWine()) GTEST_SKIP() << "a pseudo-terminal is POSIX; Wine gives no console on it";
    // Carving 2000 x 2000 takes about two seconds: long enough for the line.
    const std::string input = "2000 2000 m 1\n";
    struct termios raw;
    cfmakeraw(&raw);
    int master, slave;
    ASSERT_EQ(openpty(&master, &slave, nullptr, &raw, nullptr), 0);
    RunLimits limits = limitsOf(-1, -1, 120);
    limits.errorFd = slave;
    RunResult onTerminal = runMazegen(dir, input, limits);
    close(slave);
    std::string screen = drain(master);
    close(master);

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    limits.errorFd = pipeFds[1];
    RunResult onPipe = runMazegen(dir, input, limits);
    close(pipeFds[1]);
    std::string piped = drain(pipeFds[0]);
    close(pipeFds[0]);

    EXPECT_EQ(onTerminal.status, 0);
    EXPECT_EQ(onPipe.status, 0);
    EXPECT_EQ(onTerminal.out, onPipe.out);  // standard output is the same
    EXPECT_NE(screen.find('%'), std::string::npos) << testing::PrintToString(screen);
    const std::string wipe = "\r     \r";
    ASSERT_GE(screen.size(), wipe.size());
    EXPECT_EQ(screen.substr(screen.size() - wipe.size()), wipe);  // nothing left on the line
    EXPECT_EQ(piped, "");
}

#ifndef MAZEGEN_SANITIZED
TEST_F(RobustRun, ChoiceThreeUnderMemcheck) {
    if (underWine()) GTEST_SKIP() << "memcheck runs Linux programs only";
    if (system("valgrind --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "valgrind is not installed";
    writeFile(dir + "/colorPalette.bin", shippedPalette());
    RunLimits limits;
    limits.seconds = 120;
    limits.wrapper = {"valgrind", "-q", "--error-exitcode=99", "--leak-check=full",
                      "--show-leak-kinds=all", "--errors-for-leak-kinds=all"};
    RunResult r = runMazegen(dir, "30 41 m 3\n", limits);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(leftFilesProblem(dir, shippedPalette()), "");
    EXPECT_EQ(listDir(dir).size(), 3u);
}
#endif

}  // namespace
