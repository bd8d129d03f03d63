// The maze state and the carving, checked against a straightforward
// carving that rescans every label and candidate per wall.
#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "maze/carve_kruskal.h"
#include "maze/maze_generator.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "tests/support.h"

namespace {

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

// Carves the straightforward way: the candidate list is an array filtered
// after every removal, labels are rewritten by a full pass. Counts the
// values drawn again in `*redraws` when given.
ReadMaze referenceCarve(int w, int h, uint32_t seed, uint32_t *redraws = nullptr) {
    ReadMaze m{w, h, std::vector<int>((w - 1) * h, 1), std::vector<int>((h - 1) * w, 1)};
    uint32_t east = (w - 1) * h, walls = east + (h - 1) * w;
    std::vector<uint32_t> label(w * h), list(walls);
    for (uint32_t i = 0; i < label.size(); i++) label[i] = i;
    for (uint32_t i = 0; i < walls; i++) list[i] = i;
    auto cells = [&](uint32_t id, uint32_t &a, uint32_t &b) {
        if (id < east) { a = id / (w - 1) * w + id % (w - 1); b = a + 1; }
        else { a = id - east; b = a + w; }
    };
    Draws d{seed};
    while (!list.empty()) {
        uint32_t id = list[d.position((uint32_t)list.size())], a, b;
        (id < east ? m.east[id] : m.south[id - east]) = 0;
        cells(id, a, b);
        uint32_t low = std::min(label[a], label[b]), high = std::max(label[a], label[b]);
        for (auto &l : label) if (l == high) l = low;
        std::vector<uint32_t> kept;
        for (uint32_t c : list) {
            cells(c, a, b);
            int flag = c < east ? m.east[c] : m.south[c - east];
            if (flag == 1 && label[a] != label[b]) kept.push_back(c);
        }
        list.swap(kept);
    }
    if (redraws) *redraws = d.redraws;
    return m;
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
    const int huge[][2] = {{70000, 70000}, {46000, 46000}, {INT32_MAX, INT32_MAX}, {2, INT32_MAX}};
    for (auto &s : huge) {
        maze.mazeWidth = s[0];
        maze.mazeHeight = s[1];
        EXPECT_EQ(setUpMaze(1), RUN_TOO_LARGE) << s[0] << " x " << s[1];
        EXPECT_EQ(maze.cellSets, nullptr);
    }
    EXPECT_EQ(mazeStateBytes(70000, 70000), 0u);  // 4.9e9 cells overflow 32 bits
    EXPECT_EQ(mazeStateBytes(2, INT32_MAX), 0u);  // wall ids overflow 32 bits
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
