// Whatever is typed and wherever the input ends, the program ends by itself
// with a documented status and leaves only complete files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "tests/support.h"

namespace {

// Pieces of answer streams: numbers of every kind, words, lone signs,
// non-ASCII and NUL bytes, and very long tokens.
std::string randomToken(std::mt19937 &rng) {
    static const std::string fixed[] = {
        "0", "1", "2", "3", "4", "-1", "-0", "+2", "007", "-5", "99999999999", "2147483647",
        "-2147483649", "4294967296", "m", "abc", "x1", "12x", "+", "-", shiftJisOf("あい"),
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

// A test in a scratch folder that is removed even when the test fails.
using RobustRun = ScratchFolderTest;

// A terminal's screen without its control sequences (ESC [ ... letter),
// which Wine's console draws with.
std::string withoutControls(const std::string &screen) {
    std::string plain;
    for (size_t i = 0; i < screen.size(); i++) {
        if (screen[i] != '\x1b' || i + 1 >= screen.size() || screen[i + 1] != '[') {
            plain += screen[i];
            continue;
        }
        for (i += 2; i < screen.size() && !isalpha((unsigned char)screen[i]); i++) {}
    }
    return plain;
}

TEST_F(RobustRun, EachQuestionIsReadableOnTheTerminalBeforeItsAnswerIsRead) {
    // The terminal shows the texts in its own encoding (UTF-8 here, also in
    // the C locale), each before its answer is read, and a name typed there
    // is saved as typed. Under Wine the console shows them as Japanese in
    // the Japanese code page and in code page 437 alike.
    const struct { const char *lang, *name; } rows[] = {
        {underWine() ? "ja_JP.UTF-8" : "C.UTF-8", "迷路"}, {underWine() ? "C.UTF-8" : "C", "m"}};
    for (auto &row : rows) {
        RunOptions options;
        options.terminal = Terminal::ALL;
        options.rawTerminal = false;
        options.environment = {{"LANG", row.lang}, {"LC_ALL", ""}};
        options.seconds = 30;
        options.answerDelayMs = underWine() ? 200 : 0;  // as a person types
        options.answers = {{"迷路の縦幅を入力してください:", "10\r"},
                           {"迷路の横幅を入力してください:", "20\r"},
                           {"計算終了...", ""},
                           {"保存するファイル名を入力してください。", std::string(row.name) + "\r"},
                           {"３→テキストデータと画像データで保存", "1\r"}};
        RunResult r = runMazegen(dir, "", options);
        std::string screen = withoutControls(r.out);
        EXPECT_EQ(r.status, 0) << row.lang;
        EXPECT_FALSE(r.timedOut) << row.lang << ": a question never came: " << screen;
        for (const char *text : {"計算中...", "保存する形式を選択してください。", "１→テキストデータに保存",
                                 "２→画像データで保存"})
            EXPECT_NE(screen.find(text), std::string::npos) << row.lang << ": " << text << " not on: " << screen;
        EXPECT_TRUE(fileExists(path(std::string(row.name) + ".txt"))) << row.lang;
    }
    // The usage text as well, to its end: it is longer than 2048 characters.
    RunOptions help;
    help.terminal = Terminal::ALL;
    help.environment = {{"LANG", rows[0].lang}, {"LC_ALL", ""}};
    help.arguments = {"--help"};
    RunResult r = runMazegen(dir, "", help);
    EXPECT_EQ(r.status, 0);
    for (const char *text : {"使い方: mazegen [--height N] [--width N]", "乱数の種を N (0 から 2147483647)",
                             "division        部屋を壁で分けていく", "指定すると、標準入力は読みません。"})
        EXPECT_NE(withoutControls(r.out).find(text), std::string::npos) << text << " not on: " << r.out;
}

TEST_F(RobustRun, EachStreamIsShownInItsOwnTerminalsEncoding) {
    if (underWine()) GTEST_SKIP() << "a Windows console takes characters, not a codeset's bytes";
    // The program's own texts (an argument error, --help) are written in
    // the locale's codeset wherever they go: UTF-8, also in the C locale;
    // in an 8-bit codeset (ISO-8859-1) every character it lacks is '?' and
    // no byte of Shift_JIS is written. The dialogue's texts are converted
    // for a terminal only: a pipe gets their Shift_JIS bytes.
    std::string locales = path("locales");
    mkdir(locales.c_str(), 0755);
    ASSERT_EQ(system(("localedef -i en_US -f ISO-8859-1 " + locales + "/en_US.ISO-8859-1").c_str()), 0)
        << "localedef (Debian locales) is missing";
    const std::string error = std::string(UNKNOWN_ARGUMENT) + "--colour\n" + USAGE_LINE;
    std::string questioned;  // the UTF-8 text, each character beyond ASCII as '?'
    for (unsigned char c : utf8Of(error))
        if (c < 0x80 || c >= 0xC0) questioned += c < 0x80 ? (char)c : '?';
    const std::string prompts = std::string(HEIGHT_PROMPT) + WIDTH_PROMPT;
    const struct {
        Terminal terminal; const char *lang; const char *argument; std::string out, err;
    } rows[] = {
        {Terminal::ERROR, "C.UTF-8", "--colour", "", utf8Of(error)},
        {Terminal::OUTPUT, "C.UTF-8", "--colour", "", utf8Of(error)},
        {Terminal::NONE, "C.UTF-8", "--colour", "", utf8Of(error)},
        {Terminal::NONE, "C", "--colour", "", utf8Of(error)},
        {Terminal::NONE, "POSIX", "--help", utf8Of(HELP_TEXT), ""},
        {Terminal::NONE, "en_US.ISO-8859-1", "--colour", "", questioned},
        {Terminal::ALL, "en_US.ISO-8859-1", "--colour", questioned, ""},
        {Terminal::NONE, "C.UTF-8", nullptr, prompts, ""},
        {Terminal::OUTPUT, "C.UTF-8", nullptr, utf8Of(prompts), ""},
    };
    for (auto &row : rows) {
        RunOptions options;
        options.terminal = row.terminal;
        if (row.argument) options.arguments = {row.argument};
        options.environment = {{"LANG", row.lang}, {"LC_ALL", ""}, {"LOCPATH", locales}};
        RunResult r = runMazegen(dir, "1\n1\n", options);
        std::string label = std::to_string((int)row.terminal) + " " + row.lang + " " +
                            (row.argument ? row.argument : "");
        EXPECT_EQ(r.status, row.argument && strcmp(row.argument, "--help") == 0 ? 0 : 2) << label;
        EXPECT_EQ(r.out, row.out) << label;
        EXPECT_EQ(r.err, row.err) << label;
    }
}

// The figures of the progress line's drawings in `screen`, one group per
// step that showed the line, the groups split at each wipe.
std::vector<std::vector<int>> progressFigures(const std::string &screen) {
    std::vector<std::vector<int>> groups(1);
    for (size_t at = 0; at < screen.size(); at++) {
        if (screen.compare(at, 7, "\r     \r") == 0) {
            groups.push_back({});
            at += 6;
        } else if (screen[at] == '%') {
            size_t digits = screen.find_last_not_of("0123456789", at - 1) + 1;
            groups.back().push_back(std::stoi(screen.substr(digits, at - digits)));
        }
    }
    while (!groups.empty() && groups.back().empty()) groups.pop_back();
    return groups;
}

TEST_F(RobustRun, ProgressLineOnATerminalOnly) {
    // The carving of 2000 x 2000 is stopped for a second and a half as soon
    // as it begins: long enough for the line on any machine.
    const std::string input = "2000 2000 m 1\n";
    RunOptions options = limitsOf(-1, -1, 120);
    options.terminal = Terminal::ERROR;
    RunOptions paused = options;
    paused.pauseAfter = shown(COMPUTING_TEXT);
    paused.pauseMs = 1500;
    RunResult onTerminal = runMazegen(dir, input, paused);
    EXPECT_TRUE(onTerminal.paused);
    RunResult onPipe = runMazegen(dir, input, limitsOf(-1, -1, 120));
    std::string screen = withoutControls(onTerminal.err);

    EXPECT_EQ(onTerminal.status, 0);
    EXPECT_EQ(onPipe.status, 0);
    EXPECT_EQ(onTerminal.out, onPipe.out);  // standard output is the same
    EXPECT_EQ(onPipe.err, "");
    // The carving's line ends with its last figure, near the whole of it,
    // and is then wiped: nothing but blanks after it. Its last report is at
    // 3,997,696 of 3,999,999 cells joined: 99 %, drawn before the wipe.
    size_t percent = screen.rfind('%');
    ASSERT_NE(percent, std::string::npos) << testing::PrintToString(screen);
    size_t digits = screen.find_last_not_of("0123456789", percent - 1) + 1;
    EXPECT_GE(std::stoi(screen.substr(digits, percent - digits)), 90) << testing::PrintToString(screen);
    std::string after = screen.substr(percent + 1);
    // The blanks cover the last figure drawn (Wine's console redraws just
    // those columns).
    size_t blanks = (size_t)std::count(after.begin(), after.end(), ' ');
    EXPECT_TRUE(after.find_first_not_of("\r ") == std::string::npos && endsWith(after, "\r") &&
                blanks >= percent + 1 - digits)
        << "something left on the line: " << testing::PrintToString(after);
    auto groups = progressFigures(screen);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups[0].back(), 99) << testing::PrintToString(screen);

    // A text saved to a slow disk (a FIFO read slowly): its line counts
    // every line of the file, so it starts low and stays below 100 % to
    // its end; a step that ends within a second shows no line at all.
    if (underWine()) return;  // a Windows program opens no FIFO
    const struct { int size, pauseMs; bool line; } slowDisks[] = {{1000, 25, true}, {300, 55, false}};
    for (auto &disk : slowDisks) {
        ASSERT_EQ(mkfifo(path("slow.txt").c_str(), 0644), 0);
        size_t received = 0;
        std::thread reader([&] {
            int fd = open(path("slow.txt").c_str(), O_RDONLY | O_NONBLOCK);
            std::vector<char> block(1 << 16);
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (fd >= 0 && std::chrono::steady_clock::now() < deadline) {
                ssize_t n = read(fd, block.data(), block.size());
                if (n == 0 && received > 0) break;  // the writer is done
                if (n > 0) received += (size_t)n;
                std::this_thread::sleep_for(std::chrono::milliseconds(n > 0 ? disk.pauseMs : 1));
            }
            close(fd);
        });
        std::string size = std::to_string(disk.size);
        RunResult slow = runMazegen(dir, size + " " + size + " slow 1\n", options);
        reader.join();
        unlink(path("slow.txt").c_str());
        EXPECT_EQ(slow.status, 0) << size;
        EXPECT_GT(received, 0u) << size;
        auto figures = progressFigures(withoutControls(slow.err));
        if (!disk.line) {
            EXPECT_TRUE(figures.empty()) << size << ": " << testing::PrintToString(slow.err);
            continue;
        }
        ASSERT_FALSE(figures.empty()) << size << ": no line for the save";
        EXPECT_LT(figures.back().front(), 60) << testing::PrintToString(slow.err);
        EXPECT_LT(*std::max_element(figures.back().begin(), figures.back().end()), 100)
            << testing::PrintToString(slow.err);
    }
}

#ifndef MAZEGEN_SANITIZED
TEST_F(RobustRun, ChoiceThreeUnderMemcheck) {
    if (underWine()) GTEST_SKIP() << "memcheck runs Linux programs only";
    ASSERT_EQ(system("valgrind --version >/dev/null 2>&1"), 0) << "valgrind is missing (tools/test_all installs it)";
    writeFile(dir + "/colorPalette.bin", shippedPalette());
    RunOptions limits;
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
