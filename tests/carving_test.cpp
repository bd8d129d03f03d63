// The maze state and the carving, checked against a straightforward
// carving that rescans every label and candidate per wall.
#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <numeric>
#include <random>
#include <vector>

#include "maze/carve_kruskal.h"
#include "maze/maze_generator.h"
#include "maze/maze_random.h"
#include "maze/maze_report.h"
#include "maze/maze_solver.h"
#include "maze/maze_state.h"
#include "tests/support.h"

namespace {

// A generator state whose next two draws d1, d2 make the 19-bit value
// (d1 << 4) | (d2 & 0xF) equal `value`, found by trying the free bits.
uint32_t stateDrawing(uint32_t value) {
    const uint32_t inverse = 4005161829u;  // 1103515245 * inverse = 1 mod 2^32
    for (uint32_t free = 0; free < (1u << 17); free++) {
        // The state after the first draw: its bits 16 to 30 are that draw.
        uint32_t after = (value >> 4) << 16 | (free & 0xFFFF) | (free >> 16) << 31;
        if (((after * 1103515245u + 12345u) >> 16 & 0xF) == (value & 0xF))
            return (after - 12345u) * inverse;
    }
    ADD_FAILURE() << "no state draws " << value;
    return 0;
}

// The same carving for mazes too large for the rescans: the candidates in an
// order-statistic tree, each set a list of its cells, the smaller list
// walked on each merge.
ReadMaze listCarve(int w, int h, uint32_t seed) {
    using OrderedIds = __gnu_pbds::tree<uint32_t, __gnu_pbds::null_type, std::less<uint32_t>,
                                        __gnu_pbds::rb_tree_tag,
                                        __gnu_pbds::tree_order_statistics_node_update>;
    ReadMaze m{w, h, std::vector<int>((w - 1) * h, 1), std::vector<int>((h - 1) * w, 1)};
    uint32_t east = (w - 1) * h, walls = east + (h - 1) * w;
    std::vector<uint32_t> label(w * h);
    std::vector<std::vector<uint32_t>> members(w * h);
    OrderedIds list;
    for (uint32_t i = 0; i < label.size(); i++) label[i] = i, members[i] = {i};
    for (uint32_t i = 0; i < walls; i++) list.insert(i);
    Draws d{seed};
    while (!list.empty()) {
        uint32_t id = *list.find_by_order(d.position((uint32_t)list.size()));
        uint32_t a = id < east ? id / (w - 1) * w + id % (w - 1) : id - east;
        uint32_t b = id < east ? a + 1 : a + w;
        (id < east ? m.east[id] : m.south[id - east]) = 0;
        uint32_t small = label[a], large = label[b];
        if (members[small].size() > members[large].size()) std::swap(small, large);
        for (uint32_t c : members[small]) {
            uint32_t r = c / w, col = c % w;
            if (col > 0 && label[c - 1] == large) list.erase(r * (w - 1) + col - 1);
            if (col + 1 < (uint32_t)w && label[c + 1] == large) list.erase(r * (w - 1) + col);
            if (r > 0 && label[c - w] == large) list.erase(east + c - w);
            if (r + 1 < (uint32_t)h && label[c + w] == large) list.erase(east + c);
        }
        for (uint32_t c : members[small]) label[c] = large, members[large].push_back(c);
        members[small].clear();
        members[small].shrink_to_fit();
    }
    return m;
}

bool setUp(int w, int h) {
    maze.mazeWidth = w;
    maze.mazeHeight = h;
    return setUpMaze(1) == RUN_OK;
}

// The wall flags that carving leaves, or none when set-up fails.
ReadMaze carved(int w, int h, uint32_t seed) {
    if (!setUp(w, h)) return ReadMaze{};
    seedRandom(seed);
    if (carveMaze() != RUN_OK) return ReadMaze{};
    ReadMaze m{w, h, std::vector<int>(maze.eastWalls, maze.eastWalls + maze.eastWallCount),
               std::vector<int>(maze.southWalls, maze.southWalls + maze.southWallCount)};
    EXPECT_EQ(maze.candidateCount, 0u);
    EXPECT_EQ(pickWall(), NO_WALL);
    releaseMaze();
    return m;
}

TEST(MazeState, CountsAndWallCellsOnSmallGrids) {
    struct { int w, h; uint32_t cells, east, south; std::vector<uint32_t> pairs; } cases[] = {
        {2, 2, 4, 2, 2, {0, 1, 2, 3, 0, 2, 1, 3}},
        {3, 2, 6, 4, 3, {0, 1, 1, 2, 3, 4, 4, 5, 0, 3, 1, 4, 2, 5}},
    };
    for (auto &c : cases) {
        ASSERT_TRUE(setUp(c.w, c.h));
        EXPECT_EQ(maze.cellCount, c.cells);
        EXPECT_EQ(maze.eastWallCount, c.east);
        EXPECT_EQ(maze.southWallCount, c.south);
        ASSERT_EQ(maze.candidateCount, c.east + c.south);
        for (uint32_t id = 0; id < maze.wallCount; id++) {
            uint32_t a, b;
            wallCells(id, &a, &b);
            EXPECT_EQ(a, c.pairs[2 * id]) << "wall " << id;
            EXPECT_EQ(b, c.pairs[2 * id + 1]) << "wall " << id;
            EXPECT_EQ(candidateAt(id), id);
        }
        ASSERT_EQ(settleWallFlags(), RUN_OK);
        EXPECT_EQ(maze.cellSets, nullptr);
        for (uint32_t i = 0; i < c.east; i++) EXPECT_EQ(maze.eastWalls[i], 1);
        for (uint32_t i = 0; i < c.south; i++) EXPECT_EQ(maze.southWalls[i], 1);
        releaseMaze();
    }
}

TEST(MazeState, CandidatesFoundByPositionAfterRandomDrops) {
    // Candidate lists of one to four count levels (up to 16 blocks, up to
    // 256, up to 4096, more), thinned at random in rounds, each wall dropped
    // twice: after each round every position (every 7th or 61st in the
    // larger ones) holds the wall of the plain list of those still standing,
    // found by the processor's bit instructions where it has them and by
    // the portable code.
    const struct { int w, h; uint32_t levels, stride; } cases[] = {
        {20, 30, 1, 1}, {300, 200, 2, 1}, {700, 600, 3, 7}, {1100, 1000, 4, 61}};
    std::mt19937 random(20261209);
    for (auto &c : cases) {
        ASSERT_TRUE(setUp(c.w, c.h));
        EXPECT_EQ(maze.countLevels, c.levels) << c.w << " x " << c.h;
        std::vector<uint32_t> order(maze.wallCount);
        std::iota(order.begin(), order.end(), 0u);
        std::shuffle(order.begin(), order.end(), random);
        std::vector<bool> standing(maze.wallCount, true);
        size_t dropped = 0;
        for (double share : {0.0, 0.5, 0.9, 0.999, 1.0}) {
            size_t until = std::max(dropped, (size_t)(share * maze.wallCount));
            for (; dropped < until; dropped++) {
                dropCandidate(order[dropped]);
                dropCandidate(order[dropped / 2]);  // dropped already: no change
                standing[order[dropped]] = false;
            }
            std::vector<uint32_t> plain;
            for (uint32_t id = 0; id < maze.wallCount; id++)
                if (standing[id]) plain.push_back(id);
            ASSERT_EQ(maze.candidateCount, plain.size()) << c.w << " x " << c.h << ", " << share;
            for (bool portable : {false, true}) {
                maze.portablePick = portable;
                for (size_t k = 0; k < plain.size(); k += k + c.stride < plain.size() ? c.stride : 1)
                    ASSERT_EQ(candidateAt((uint32_t)k), plain[k]) << c.w << " x " << c.h << ", "
                        << share << ", position " << k << (portable ? ", portable" : "");
            }
            maze.portablePick = false;
        }
        EXPECT_EQ(pickWall(), NO_WALL);
        releaseMaze();
    }
}

TEST(MazeState, RefusesSmallAndHugeSizesWithoutAllocating) {
    const int sizes[][2] = {{1, 5}, {5, 1}, {0, 0}, {-4, 7}, {-1, -1}};
    for (auto &s : sizes) {
        maze.mazeWidth = s[0];
        maze.mazeHeight = s[1];
        EXPECT_EQ(setUpMaze(1), RUN_SIZE_REJECTED);
        EXPECT_EQ(maze.cellSets, nullptr);
    }
    // Counts beyond 32 bits are refused on any machine, whatever its memory;
    // sizes whose counts fit are refused by the memory budget, which the
    // end-to-end tests set themselves (MemoryTest).
    const int huge[][2] = {{70000, 70000}, {65536, 65536}, {INT32_MAX, INT32_MAX}, {2, INT32_MAX}};
    for (auto &s : huge) {
        maze.mazeWidth = s[0];
        maze.mazeHeight = s[1];
        EXPECT_EQ(setUpMaze(1), RUN_TOO_LARGE) << s[0] << " x " << s[1];
        EXPECT_EQ(maze.cellSets, nullptr);
    }
    EXPECT_EQ(mazeStateBytes(70000, 70000), 0u);  // 4.9e9 cells overflow 32 bits
    EXPECT_EQ(mazeStateBytes(65536, 65536), 0u);  // 2^32 cells: one past 32 bits
    EXPECT_EQ(mazeStateBytes(2, INT32_MAX), 0u);  // wall ids overflow 32 bits
    // The largest counts that fit: 46000 x 46000 has 4,231,908,000 wall ids.
    EXPECT_GT(mazeStateBytes(46000, 46000), 18000000000u);
}

TEST(Generator, PickFormulaWithFixedDraws) {
    // Generator states whose next two draws are (0, 0), (1, 0) and (0, 31).
    const struct { uint32_t state, first, second, position; } picks[] = {
        {225070530u, 0, 0, 0}, {240257669u, 1, 0, 16}, {608713351u, 0, 31, 15}};
    for (auto &p : picks) {
        Draws d{p.state};
        ASSERT_EQ(d.draw(), p.first);
        ASSERT_EQ(d.draw(), p.second);
        for (int w : {3, 20}) {
            ASSERT_TRUE(setUp(w, 2));
            seedRandom(p.state);
            EXPECT_EQ(pickWall(), p.position % maze.wallCount) << "width " << w;
            releaseMaze();
        }
    }
}

TEST(Generator, SameMazesAsTheStraightforwardCarving) {
    // With the processor's bit instructions where it has them, and without.
    const int sizes[][2] = {{2, 2}, {3, 2}, {2, 3}, {2, 37}, {41, 2}, {7, 7}, {16, 16},
                            {13, 29}, {31, 12}, {50, 60}};
    uint32_t redrawn = 0;
    for (auto &s : sizes)
        for (uint32_t seed : {1u, 42u, 1700000000u, 0xFFFFFFFFu}) {
            uint32_t redraws = 0;
            ReadMaze slow = referenceCarve(s[0], s[1], seed, &redraws);
            for (bool portable : {false, true}) {
                maze.portablePick = portable;
                ReadMaze fast = carved(s[0], s[1], seed);
                maze.portablePick = false;
                ASSERT_EQ(fast.east, slow.east) << s[0] << " x " << s[1] << " seed " << seed << " " << portable;
                ASSERT_EQ(fast.south, slow.south) << s[0] << " x " << s[1] << " seed " << seed << " " << portable;
            }
            ASSERT_EQ(perfectMazeProblem(slow), "");
            redrawn += redraws > 0;
        }
    EXPECT_GT(redrawn, 4u) << "too few carvings with a value drawn again";
}

TEST(Generator, MazesWithoutRedrawsAreThoseOfTheFirstReleases) {
    // Seed 1 at 10 x 10 never draws a value past the bound, so its maze is
    // the one every earlier release carved from it, flag for flag.
    uint32_t redraws = 1;
    referenceCarve(10, 10, 1, &redraws);
    EXPECT_EQ(redraws, 0u);
    ReadMaze m = carved(10, 10, 1);
    std::string east, south;
    for (int f : m.east) east += (char)('0' + f);
    for (int f : m.south) south += (char)('0' + f);
    EXPECT_EQ(east, "100011010111010101111001011100011001001011100001101010111011101011000010100010010011101100");
    EXPECT_EQ(south, "000100100101001001000011001100011110001010110010101000101011010100001010001111010000000001");
}

TEST(Generator, SameLargeMazesAsTheListCarving) {
    // Beyond 524288 walls, where picks take four draws, and sets of every size.
    const int sizes[][2] = {{600, 460}, {2, 180000}};
    for (auto &s : sizes) {
        ReadMaze fast = carved(s[0], s[1], 99);
        ReadMaze slow = listCarve(s[0], s[1], 99);
        ASSERT_EQ(fast.east, slow.east) << s[0] << " x " << s[1];
        ASSERT_EQ(fast.south, slow.south) << s[0] << " x " << s[1];
    }
    EXPECT_EQ(listCarve(50, 60, 42).east, referenceCarve(50, 60, 42).east);
}

TEST(Generator, PickPositionsOnBothSidesOfTheFourDrawThreshold) {
    const uint32_t counts[] = {1, 3, 5, 262145, 524287, 524288, 524289, 718800, 0xFFFFFFFEu,
                               0xFFFFFFFFu};
    for (uint32_t count : counts)
        for (uint32_t seed : {3u, 77u, 123456789u}) {
            Draws d{seed};
            seedRandom(seed);
            for (int i = 0; i < 50; i++)
                ASSERT_EQ(drawPickPosition(count), d.position(count)) << count << " seed " << seed;
            EXPECT_EQ(drawRandom(), d.draw()) << "draws taken for a list of " << count;
        }
}

TEST(Generator, ValuesPastTheLastWholeRoundAreDrawnAgain) {
    // 2^19 mod count values at the top would make the first positions more
    // likely: the last kept value gives its position, the first dropped one
    // costs two more draws.
    const struct { uint32_t count, bound; } cases[] = {
        {3, 524286}, {5, 524285}, {7, 524286}, {262145, 262145}, {524287, 524287}, {524288, 524288}};
    for (auto &c : cases) {
        ASSERT_EQ(c.bound, 524288 - 524288 % c.count);
        uint32_t below = stateDrawing(c.bound - 1);
        seedRandom(below);
        EXPECT_EQ(drawPickPosition(c.count), (c.bound - 1) % c.count) << c.count;
        Draws after{below};
        after.draw(), after.draw();
        EXPECT_EQ(drawRandom(), after.draw()) << "draws taken below the bound, " << c.count;
        if (c.bound == 524288) continue;  // a whole number of rounds: nothing is dropped
        uint32_t at = stateDrawing(c.bound);
        Draws d{at};
        seedRandom(at);
        EXPECT_EQ(drawPickPosition(c.count), d.position(c.count)) << c.count;
        EXPECT_GE(d.redraws, 1u) << c.count;
        EXPECT_EQ(drawRandom(), d.draw()) << "draws taken at the bound, " << c.count;
    }
}

// Carved east walls among all carved walls of rows [first, end).
double eastShare(const ReadMaze &m, int first, int end) {
    long east = 0, south = 0;
    for (int r = first; r < end; r++) {
        for (int c = 0; c + 1 < m.width; c++) east += m.east[r * (m.width - 1) + c] == 0;
        if (r + 1 < m.height)
            for (int c = 0; c < m.width; c++) south += m.south[r * m.width + c] == 0;
    }
    return (double)east / (double)(east + south);
}

// Mean length in cells of the straight stretches of a maze's rows (across)
// or columns (down), each ended by a standing wall or the border.
double meanRun(const ReadMaze &m, bool across) {
    long standing = 0;
    for (int f : across ? m.east : m.south) standing += f;
    return (double)m.width * m.height / (double)(standing + (across ? m.height : m.width));
}

TEST(Generator, EveryMazeHasTheSameTextureEverywhere) {
    // 512 x 512 goes through lists of 262144 to 524288 candidates, where a
    // plain modulo would favour the east walls of the top rows; 1200 x 1200
    // is mostly carved from lists beyond the two-draw reach.
    const struct { int side; uint32_t seed; double overall; } cases[] = {
        {512, 20261209, 0.003}, {1200, 20261208, 0.003}};
    for (auto &c : cases) {
        ReadMaze m = carved(c.side, c.side, c.seed);
        ASSERT_EQ(m.east.size(), (size_t)(c.side - 1) * c.side);
        EXPECT_NEAR(eastShare(m, 0, c.side), 0.5, c.overall) << c.side;
        EXPECT_NEAR(eastShare(m, 0, c.side / 10), 0.5, 0.01) << c.side << ", top tenth";
        EXPECT_NEAR(meanRun(m, true) / meanRun(m, false), 1.0, 0.03) << c.side;
    }
}

}  // namespace

namespace {

// The maze of the record, as its settled flags give it.
ReadMaze recordedMaze() {
    return ReadMaze{maze.mazeWidth, maze.mazeHeight,
                    std::vector<int>(maze.eastWalls, maze.eastWalls + maze.eastWallCount),
                    std::vector<int>(maze.southWalls, maze.southWalls + maze.southWallCount)};
}

// The flags of a maze carved by `algorithm` from `seed` and braided by
// `braid`; none when set-up or carving fails. The record is left as the
// default's.
ReadMaze carvedBy(AlgorithmId algorithm, int w, int h, uint32_t seed, uint32_t braid = 0) {
    maze.algorithm = algorithm;
    maze.braidPercent = braid;
    ReadMaze m;
    if (setUp(w, h)) {
        seedRandom(seed);
        if (carveMaze() == RUN_OK) m = recordedMaze();
    }
    releaseMaze();
    maze.algorithm = ALGORITHM_KRUSKAL;
    maze.braidPercent = 0;
    return m;
}

// Cells of `m` open on one side only.
long deadEnds(const ReadMaze &m) {
    long count = 0;
    for (uint32_t cell = 0; cell < (uint32_t)(m.width * m.height); cell++) count += openSides(m, cell) == 1;
    return count;
}

std::string named(AlgorithmId algorithm) {
    return algorithmName(algorithm);
}

TEST(Algorithms, EachNameTheTextsGiveIsFound) {
    for (int id = 0; id < ALGORITHM_COUNT; id++) {
        const char *name = algorithmName((AlgorithmId)id);
        EXPECT_EQ(algorithmNamed(name), id) << name;
        EXPECT_NE(strstr(HELP_TEXT, (std::string("\n    ") + name + " ").c_str()), nullptr) << name;
        EXPECT_NE(strstr(BAD_ALGORITHM, name), nullptr) << name;
    }
    for (const char *wrong : {"", "Kruskal", "kruskal ", "hunt", "binary_tree", "division2"})
        EXPECT_EQ(algorithmNamed(wrong), ALGORITHM_COUNT) << wrong;
}

TEST(Algorithms, EveryOneCarvesAPerfectMazeAgainFromItsSeed) {
    // Every shape from the smallest, thin ones both ways; the same seed
    // gives the same maze, another seed another.
    const int sizes[][2] = {{2, 2}, {3, 2}, {2, 3}, {2, 37}, {41, 2}, {7, 7}, {13, 29}, {50, 60}};
    for (int id = 0; id < ALGORITHM_COUNT; id++) {
        AlgorithmId algorithm = (AlgorithmId)id;
        for (auto &s : sizes)
            for (uint32_t seed : {1u, 42u, 1700000000u}) {
                std::string shape = named(algorithm) + " " + std::to_string(s[0]) + " x " +
                                    std::to_string(s[1]) + " seed " + std::to_string(seed);
                ReadMaze m = carvedBy(algorithm, s[0], s[1], seed);
                ASSERT_EQ(perfectMazeProblem(m), "") << shape;
                ReadMaze again = carvedBy(algorithm, s[0], s[1], seed);
                ASSERT_TRUE(again.east == m.east && again.south == m.south) << shape;
            }
        EXPECT_NE(carvedBy(algorithm, 50, 60, 1).east, carvedBy(algorithm, 50, 60, 2).east) << named(algorithm);
    }
    // Walks millions of cells deep and rows of millions of cells, without
    // recursion or a stack beyond the maze's own budget.
    const struct { AlgorithmId algorithm; int w, h; } thin[] = {
        {ALGORITHM_BACKTRACKER, 2, 3000000}, {ALGORITHM_HUNT_AND_KILL, 3000000, 2},
        {ALGORITHM_ELLER, 3000000, 2}, {ALGORITHM_DIVISION, 2, 3000000}};
    for (auto &t : thin)
        EXPECT_EQ(perfectMazeProblem(carvedBy(t.algorithm, t.w, t.h, 7)), "") << named(t.algorithm);
}

TEST(Algorithms, EachHasItsTexture) {
    // Dead ends among the cells of three 200 x 200 mazes carved by the
    // algorithm of each name the options take, in the band of that
    // algorithm's texture; the carvings that make straight corridors along
    // the top row and the left column make them whole.
    const struct { const char *name; double low, high; bool topCorridor, leftCorridor; } rows[] = {
        {"kruskal", 0.29, 0.32, false, false},
        {"backtracker", 0.09, 0.11, false, false},
        {"prim", 0.345, 0.37, false, false},
        {"wilson", 0.285, 0.305, false, false},
        {"aldous-broder", 0.285, 0.305, false, false},
        {"eller", 0.275, 0.30, false, false},
        {"hunt-and-kill", 0.085, 0.105, false, false},
        {"growing-tree", 0.16, 0.21, false, false},
        {"sidewinder", 0.265, 0.29, true, false},
        {"binary-tree", 0.24, 0.26, true, true},
        {"division", 0.26, 0.28, false, false},
    };
    const int side = 200;
    for (auto &texture : rows) {
        struct { AlgorithmId algorithm; double low, high; bool topCorridor, leftCorridor; } row = {
            algorithmNamed(texture.name), texture.low, texture.high, texture.topCorridor,
            texture.leftCorridor};
        ASSERT_NE(row.algorithm, ALGORITHM_COUNT) << texture.name;
        long ends = 0;
        for (uint32_t seed : {3u, 1234u, 987654321u}) {
            ReadMaze m = carvedBy(row.algorithm, side, side, seed);
            ASSERT_EQ(perfectMazeProblem(m), "") << named(row.algorithm);
            ends += deadEnds(m);
            bool top = true, left = true;
            for (int c = 0; c + 1 < side; c++) top &= m.east[c] == 0;
            for (int r = 0; r + 1 < side; r++) left &= m.south[r * side] == 0;
            EXPECT_TRUE(top || !row.topCorridor) << named(row.algorithm);
            EXPECT_TRUE(left || !row.leftCorridor) << named(row.algorithm);
        }
        double share = (double)ends / (3.0 * side * side);
        EXPECT_GE(share, row.low) << named(row.algorithm);
        EXPECT_LE(share, row.high) << named(row.algorithm);
    }
}

// A fingerprint of the flags of `m` (FNV-1a over the east flags, then the
// south flags).
uint64_t fingerprint(const ReadMaze &m) {
    uint64_t hash = UINT64_C(14695981039346656037);
    for (const std::vector<int> *flags : {&m.east, &m.south})
        for (int flag : *flags) hash = (hash ^ (uint64_t)(flag + 1)) * UINT64_C(1099511628211);
    return hash;
}

TEST(Algorithms, ASeedMakesTheMazeOfThisReleaseAgain) {
    // The same seed and options give the same maze in every later release,
    // as the default's picks do: the fingerprint of each algorithm's 40 x 30
    // maze of seed 99, and of braided ones, as this release carves them.
    const struct { const char *name; uint32_t braid; uint64_t print; } rows[] = {
        {"kruskal", 0, UINT64_C(0xc8ef57ec0f693024)},
        {"backtracker", 0, UINT64_C(0xe2f3fc9941163b10)},
        {"prim", 0, UINT64_C(0xe148b2dbdd0a3dfe)},
        {"wilson", 0, UINT64_C(0x6db1c9bf80afdb36)},
        {"aldous-broder", 0, UINT64_C(0x8e25c45398376a40)},
        {"eller", 0, UINT64_C(0xfa1e9b355e831b70)},
        {"hunt-and-kill", 0, UINT64_C(0x89de8cadecb5e3c4)},
        {"growing-tree", 0, UINT64_C(0xab409ca2c067151e)},
        {"sidewinder", 0, UINT64_C(0x5cc11497bc659618)},
        {"binary-tree", 0, UINT64_C(0x6e65937415062250)},
        {"division", 0, UINT64_C(0xe19746909f638a4a)},
        {"kruskal", 1, UINT64_C(0x158370130f9a0574)},
        {"backtracker", 30, UINT64_C(0x8202a584226748fa)},
        {"prim", 100, UINT64_C(0x3f28326c13833219)},
        {"division", 60, UINT64_C(0xe975ed28b8191e6b)},
        {"eller", 99, UINT64_C(0x1fceb54ca02c8c17)},
    };
    for (auto &row : rows) {
        AlgorithmId algorithm = algorithmNamed(row.name);
        ASSERT_NE(algorithm, ALGORITHM_COUNT) << row.name;
        ReadMaze m = carvedBy(algorithm, 40, 30, 99, row.braid);
        EXPECT_EQ(fingerprint(m), row.print) << row.name << " braid " << row.braid;
    }
}

// A width x height maze carved by `algorithm` from `seed`, set up as
// setUpMaze does but for its memory check, which reads the system's
// figures and would outweigh thousands of 3 x 3 carvings.
ReadMaze quickCarve(AlgorithmId algorithm, int w, int h, uint32_t seed) {
    maze.algorithm = algorithm;
    maze.mazeWidth = w;
    maze.mazeHeight = h;
    maze.cellCount = (uint32_t)(w * h);
    maze.eastWallCount = (uint32_t)((w - 1) * h);
    maze.southWallCount = (uint32_t)((h - 1) * w);
    maze.wallCount = maze.eastWallCount + maze.southWallCount;
    maze.carvedWalls = (uint64_t *)calloc(wallWordCount(maze.wallCount), sizeof(uint64_t));
    ReadMaze m;
    if (maze.carvedWalls && setUpCarving() == RUN_OK) {
        seedRandom(seed);
        if (carveMaze() == RUN_OK) m = recordedMaze();
    }
    releaseMaze();
    maze.algorithm = ALGORITHM_KRUSKAL;
    return m;
}

TEST(Algorithms, WilsonAndAldousBroderDrawEverySpanningTreeAlike) {
    // The 3 x 3 grid has 192 spanning trees. Of 100 mazes a tree, from seeds
    // of the test's own generator, each walk draws every tree, and the
    // chi-square of the counts over 191 degrees of freedom stays under its
    // 0.1 % point, 257. Kruskal's carving, which favours some trees, lands
    // far above it: the check tells the two apart.
    const int TREES = 192, PER_TREE = 100;
    const struct { AlgorithmId algorithm; bool uniform; } rows[] = {
        {ALGORITHM_WILSON, true}, {ALGORITHM_ALDOUS_BRODER, true}, {ALGORITHM_KRUSKAL, false}};
    for (auto &row : rows) {
        std::map<std::vector<int>, int> counts;
        std::mt19937 seeds(20261209);
        for (int run = 0; run < TREES * PER_TREE; run++) {
            ReadMaze m = quickCarve(row.algorithm, 3, 3, seeds() & LARGEST_SEED);
            ASSERT_EQ(perfectMazeProblem(m), "") << named(row.algorithm);
            std::vector<int> flags = m.east;
            flags.insert(flags.end(), m.south.begin(), m.south.end());
            counts[flags]++;
        }
        double chiSquare = 0;
        for (auto &tree : counts) chiSquare += (tree.second - PER_TREE) * (tree.second - PER_TREE) / (double)PER_TREE;
        if (row.uniform) {
            EXPECT_EQ(counts.size(), (size_t)TREES) << named(row.algorithm);
            EXPECT_LT(chiSquare, 257.0) << named(row.algorithm);
        } else {
            EXPECT_GT(chiSquare, 400.0) << named(row.algorithm);
        }
    }
}

TEST(Algorithms, BraidingOpensDeadEndsAndTheReportCountsThem) {
    // Braiding opens walls and never raises one: at 0 % the perfect maze, at
    // 100 % no dead end. In between, a share of about the chance is opened,
    // and one opened towards another dead end takes two: of the dead ends,
    // between 1 - 2P and 1 - P are left, but for the sampling's spread. The
    // way is then a shortest one, the test's own breadth-first search's; the
    // report's figures are the test's own counts.
    const struct { AlgorithmId algorithm; uint32_t braid; } rows[] = {
        {ALGORITHM_KRUSKAL, 0}, {ALGORITHM_KRUSKAL, 100}, {ALGORITHM_BACKTRACKER, 100},
        {ALGORITHM_PRIM, 100}, {ALGORITHM_BACKTRACKER, 50}, {ALGORITHM_PRIM, 50},
        {ALGORITHM_BINARY_TREE, 25}, {ALGORITHM_DIVISION, 10}, {ALGORITHM_WILSON, 0},
        {ALGORITHM_ELLER, 90},
    };
    const double SPREAD = 0.08;
    const int w = 60, h = 45;
    for (auto &row : rows) {
        std::string label = named(row.algorithm) + " braid " + std::to_string(row.braid);
        ReadMaze perfect = carvedBy(row.algorithm, w, h, 31);
        maze.algorithm = row.algorithm;
        maze.braidPercent = row.braid;
        ASSERT_TRUE(setUp(w, h));
        seedRandom(31);
        ASSERT_EQ(carveMaze(), RUN_OK);
        ReadMaze braided = recordedMaze();
        // The way is found in copies of the flags followed by an open wall,
        // so that a read past the end of either array shows in the way.
        std::vector<int32_t> east(braided.east.begin(), braided.east.end()), south(braided.south.begin(), braided.south.end());
        east.push_back(0);
        south.push_back(0);
        int32_t *ownEast = maze.eastWalls, *ownSouth = maze.southWalls;
        maze.eastWalls = east.data();
        maze.southWalls = south.data();
        ASSERT_EQ(findWay(), RUN_OK);
        MazeFigures figures = measureMaze();
        maze.eastWalls = ownEast;
        maze.southWalls = ownSouth;
        releaseMaze();
        maze.algorithm = ALGORITHM_KRUSKAL;
        maze.braidPercent = 0;

        long opened = 0;
        for (size_t i = 0; i < perfect.east.size(); i++) {
            ASSERT_LE(braided.east[i], perfect.east[i]) << label;
            opened += braided.east[i] < perfect.east[i];
        }
        for (size_t i = 0; i < perfect.south.size(); i++) {
            ASSERT_LE(braided.south[i], perfect.south[i]) << label;
            opened += braided.south[i] < perfect.south[i];
        }
        double chance = row.braid / 100.0, left = (double)deadEnds(braided) / (double)deadEnds(perfect);
        if (row.braid == 0 || row.braid == 100) {
            EXPECT_EQ(left, 1.0 - chance) << label;
        } else {
            EXPECT_GE(left, 1.0 - 2 * chance - SPREAD) << label;
            EXPECT_LE(left, 1.0 - chance + SPREAD) << label;
        }
        EXPECT_EQ(opened > 0, row.braid > 0) << label;

        long junctions = 0;
        for (uint32_t cell = 0; cell < (uint32_t)(w * h); cell++) junctions += openSides(braided, cell) >= 3;
        std::vector<uint32_t> way = wayThrough(braided);
        uint32_t turns = 0;
        for (size_t i = 2; i < way.size(); i++) turns += way[i] - way[i - 1] != way[i - 1] - way[i - 2];
        EXPECT_EQ(figures.deadEnds, (uint32_t)deadEnds(braided)) << label;
        EXPECT_EQ(figures.junctions, (uint32_t)junctions) << label;
        EXPECT_EQ(figures.wayLength, (uint32_t)way.size()) << label;
        EXPECT_EQ(figures.wayTurns, turns) << label;
    }
}

}  // namespace
