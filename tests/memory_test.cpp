// Memory: sizes beyond what the machine, the process's limits or its memory
// control groups allow are refused before anything is carved, and what
// fits is saved within a few rows of pixels. Linux runs only: address-space
// limits cannot hold Wine's own mappings.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <string>

#include "tests/system_support.h"

namespace {

const std::string HEIGHT = shown(HEIGHT_PROMPT);
const std::string WIDTH = shown(WIDTH_PROMPT);
const std::string TO_MENU =
    HEIGHT + WIDTH + shown(COMPUTING_TEXT) + shown(COMPUTED_TEXT) + shown(FILENAME_PROMPT) + shown(FORMAT_MENU);

using MemoryTest = SystemTest;

#ifndef MAZEGEN_SANITIZED  // an address-space limit cannot hold a sanitized program
TEST_F(MemoryTest, AddressSpaceLimitsOnlyWhatIsNeeded) {
    // An image takes a few rows of memory, not a map of its pixels: a
    // 1000 x 1000 bitmap (49 MB of pixels) saves within 128 MB.
    writeFile(path("colorPalette.bin"), shippedPalette());
    RunResult r = runMazegen(dir, "1000 1000 m 3\n", limitsOf(-1, 128L << 20, 30));
    EXPECT_EQ(r.out, TO_MENU);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(path("m.bmp")).size(), 1078u + 7000u * 7000u);
    // Sizes whose state needs 75 kB more than the limit are refused before
    // anything is allocated; an estimate too low would try and fail.
    r = runMazegen(dir, "6530 2000", limitsOf(-1, 106L << 20, 30));
    EXPECT_EQ(r.out, HEIGHT + WIDTH + shown(TOO_LARGE_MESSAGE));
    EXPECT_EQ(r.status, 2);
    // What the program holds already counts against the limit: from the
    // first limit that lets 2000 x 1500 through (found by megabytes, then
    // closed in on by 16 kB), the run ends complete, never out of memory;
    // below it the sizes are refused at once.
    // A data-size limit (ulimit -d) refuses a maze that does not fit as the
    // address space's does; an allocation that fails all the same ends the
    // run as out of memory.
    RunOptions data, starved;
    data.dataSize = 64L << 20;
    failAllocationsOver(&starved, 1L << 20);
    const struct { RunOptions options; const char *input; int status; std::string out; } refusals[] = {
        {data, "3000 3000 m 1", 2, HEIGHT + WIDTH + shown(TOO_LARGE_MESSAGE)},
        {starved, "1000 1000 m 1", 3, HEIGHT + WIDTH + shown(NO_MEMORY_MESSAGE)},
    };
    for (auto &refusal : refusals) {
        r = runMazegen(dir, refusal.input, refusal.options);
        EXPECT_EQ(r.status, refusal.status) << refusal.input;
        EXPECT_EQ(r.out, refusal.out) << refusal.input;
    }
    auto runUnder = [&](long limit) { return runMazegen(dir, "1500 2000 m 1", limitsOf(-1, limit, 30)); };
    long through = 0;
    for (long limit = 20L << 20; limit < 64L << 20 && !through; limit += 1L << 20)
        if (runUnder(limit).status != 2) through = limit;
    ASSERT_GT(through, 20L << 20) << "no limit let the maze through, or the first did";
    for (long limit = through - (1L << 20); limit <= through; limit += 16L << 10) {
        r = runUnder(limit);
        if (r.status == 2) {
            EXPECT_EQ(r.out, HEIGHT + WIDTH + shown(TOO_LARGE_MESSAGE)) << "limit " << limit;
            continue;
        }
        EXPECT_EQ(r.out, TO_MENU) << "limit " << limit;
        EXPECT_EQ(r.status, 0) << "limit " << limit;
        // Every other algorithm carves the same maze within the limit the
        // default just needs (Aldous-Broder, which holds what hunt-and-kill
        // holds, the reached cells, is left out for the length of its walk).
        for (const char *algorithm : {"backtracker", "prim", "wilson", "eller", "hunt-and-kill", "growing-tree",
                                      "sidewinder", "binary-tree", "division"}) {
            RunOptions options = limitsOf(-1, limit, 30);
            options.arguments = {"--algorithm", algorithm};
            RunResult other = runMazegen(dir, "1500 2000 m 1", options);
            EXPECT_EQ(other.status, 0) << algorithm;
            EXPECT_EQ(other.out, TO_MENU) << algorithm;
        }
        break;
    }
}
#endif

TEST_F(MemoryTest, MemoryTheMachineOrAGroupHasNotIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace of its own";
    // 300 MB allowed, 200 MB of it used: 3600 x 3600 (110 MB) does not fit,
    // whether the limit is the process's group's, one above it or the
    // hierarchy's root's. File cache that the kernel takes back first is
    // not counted as used: with 299 of 300 MiB used, 290 MiB of it inactive
    // file cache, 500 x 500 (3.1 MB) fits; with none of it, it does not.
    int tried = 0;
    for (int version : {1, 2})
        for (int levelsUp : {0, 1, ROOT_GROUP}) {
            if (!fakeGroup(version, levelsUp, "314572800", "209715200")) continue;
            tried += levelsUp != 0;
            RunResult r = runMazegen(dir, "3600 3600 m 1");
            EXPECT_EQ(r.status, 2) << "version " << version << ", " << levelsUp << " up";
            EXPECT_TRUE(endsWith(r.out, shown(TOO_LARGE_MESSAGE)));
            EXPECT_EQ(runMazegen(dir, "300 300 m 1").status, 0) << "version " << version;
            unmountLast();
            for (const char *inactive : {"304087040", "0"}) {
                ASSERT_TRUE(fakeGroup(version, levelsUp, "314572800", "313524224", inactive));
                EXPECT_EQ(runMazegen(dir, "500 500 m 1").status, inactive[0] == '0' ? 2 : 0)
                    << "version " << version << ", " << levelsUp << " up, inactive " << inactive;
                unmountLast();
            }
        }
    EXPECT_GT(tried, 0) << "no control group with a parent to put a limit on";
    // No limit ("max") leaves the machine's memory as the bound.
    if (fakeGroup(2, 0, "max", "209715200") || fakeGroup(1, 0, "max", "0")) {
        EXPECT_EQ(runMazegen(dir, "300 300 m 1").status, 0);
        unmountLast();
    }
    // The machine's available memory is given in KiB: 1000 x 1000 needs
    // 8,516,272 bytes, which 8400 kB hold (8,601,600 bytes) but would not
    // if they were read as thousands of bytes.
    writeFile(path("meminfo"), "MemTotal: 1000000 kB\nMemFree: 20000 kB\nMemAvailable: 8400 kB\n");
    ASSERT_TRUE(mountHere(path("meminfo"), "/proc/meminfo", nullptr, MS_BIND));
    EXPECT_EQ(runMazegen(dir, "1000 1000 m 1").status, 0) << "8.5 MB fits in 8400 kB";
    EXPECT_EQ(runMazegen(dir, "1100 1100 m 1").status, 2) << "10.3 MB does not fit in 8400 kB";
    // The largest counts that fit 32 bits, refused at once for memory.
    RunResult largest = runMazegen(dir, "46000 46000 m 1", limitsOf(-1, -1, 5));
    EXPECT_EQ(largest.status, 2);
    EXPECT_EQ(largest.out, HEIGHT + WIDTH + shown(TOO_LARGE_MESSAGE));
}

}  // namespace
