// The maze state, the answer readers and the carving, checked against a
// straightforward carving that rescans every label and candidate per wall.
#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/console_dialogue.h"
#include "maze/maze_generator.h"
#include "maze/maze_state.h"
#include "tests/support.h"

namespace {

// The C standard's example generator, written apart from the program's.
struct Draws {
    uint32_t next;
    uint32_t draw() { next = next * 1103515245u + 12345u; return (next >> 16) & 0x7FFF; }
    // A pick's position in a list of `count`: 19 bits of two draws, and
    // below them 30 bits of two more when the list is longer than 2^19.
    uint32_t position(uint32_t count) {
        uint64_t high = (uint64_t)draw() * 16, low = draw() % 16;
        if (count <= 524288) return (uint32_t)((high + low) % count);
        uint64_t third = draw(), fourth = draw();
        return (uint32_t)(((high + low) * 1073741824 + third * 32768 + fourth) % count);
    }
};

// Carves the straightforward way: the candidate list is an array filtered
// after every removal, labels are rewritten by a full pass.
ReadMaze referenceCarve(int w, int h, uint32_t seed) {
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

// A stream that reads `bytes`, as standard input would.
FILE *streamOf(const std::string &bytes) {
    FILE *stream = tmpfile();
    if (!stream) return nullptr;
    fwrite(bytes.data(), 1, bytes.size(), stream);
    rewind(stream);
    return stream;
}

bool setUp(int w, int h) {
    maze.mazeWidth = w;
    maze.mazeHeight = h;
    return setUpMaze() == MAZE_OK;
}

// The wall flags that carving leaves, or none when set-up fails.
ReadMaze carved(int w, int h, uint32_t seed) {
    if (!setUp(w, h)) return ReadMaze{};
    seedRandom(seed);
    if (carveMaze() != MAZE_OK) return ReadMaze{};
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
        ASSERT_EQ(settleWallFlags(), MAZE_OK);
        EXPECT_EQ(maze.cellSets, nullptr);
        for (uint32_t i = 0; i < c.east; i++) EXPECT_EQ(maze.eastWalls[i], 1);
        for (uint32_t i = 0; i < c.south; i++) EXPECT_EQ(maze.southWalls[i], 1);
        releaseMaze();
    }
}

TEST(MazeState, RefusesSmallAndHugeSizesWithoutAllocating) {
    const int sizes[][2] = {{1, 5}, {5, 1}, {0, 0}, {-4, 7}, {-1, -1}};
    for (auto &s : sizes) {
        maze.mazeWidth = s[0];
        maze.mazeHeight = s[1];
        EXPECT_EQ(setUpMaze(), MAZE_SIZE_REJECTED);
        EXPECT_EQ(maze.cellSets, nullptr);
    }
    const int huge[][2] = {{70000, 70000}, {46000, 46000}, {INT32_MAX, INT32_MAX}, {2, INT32_MAX}};
    for (auto &s : huge) {
        maze.mazeWidth = s[0];
        maze.mazeHeight = s[1];
        EXPECT_EQ(setUpMaze(), MAZE_TOO_LARGE) << s[0] << " x " << s[1];
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
    const int sizes[][2] = {{2, 2}, {3, 2}, {2, 3}, {2, 37}, {41, 2}, {7, 7}, {16, 16},
                            {13, 29}, {31, 12}, {50, 60}};
    for (auto &s : sizes)
        for (uint32_t seed : {1u, 42u, 1700000000u, 0xFFFFFFFFu}) {
            ReadMaze fast = carved(s[0], s[1], seed);
            ReadMaze slow = referenceCarve(s[0], s[1], seed);
            ASSERT_EQ(fast.east, slow.east) << s[0] << " x " << s[1] << " seed " << seed;
            ASSERT_EQ(fast.south, slow.south) << s[0] << " x " << s[1] << " seed " << seed;
            ASSERT_EQ(perfectMazeProblem(fast), "");
        }
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
    const uint32_t counts[] = {524287, 524288, 524289, 718800, 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (uint32_t count : counts)
        for (uint32_t seed : {3u, 77u, 123456789u}) {
            Draws d{seed};
            seedRandom(seed);
            for (int i = 0; i < 50; i++)
                ASSERT_EQ(drawPickPosition(count), d.position(count)) << count << " seed " << seed;
            EXPECT_EQ(drawRandom(), d.draw()) << "draws taken for a list of " << count;
        }
}

TEST(Generator, PicksReachTheWholeOfALongList) {
    ASSERT_TRUE(setUp(600, 600));  // 718800 candidates before any removal
    ASSERT_EQ(maze.candidateCount, 718800u);
    Draws d{7};
    seedRandom(7);
    uint32_t highest = 0;
    for (int i = 0; i < 20000; i++) {
        uint32_t wall = pickWall();
        ASSERT_EQ(wall, d.position(718800));
        highest = std::max(highest, wall);
    }
    EXPECT_GT(highest, 715000u);
    releaseMaze();
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

TEST(Generator, LargeMazesHaveTheTextureOfSmallOnes) {
    // Mostly carved from lists beyond the two-draw reach: east and south
    // walls must be carved alike, at the top as everywhere.
    ReadMaze m = carved(1200, 1200, 20261208);
    ASSERT_EQ(m.east.size(), 1199u * 1200);
    EXPECT_NEAR(eastShare(m, 0, 1200), 0.5, 0.01);
    EXPECT_NEAR(eastShare(m, 0, 120), 0.5, 0.01);
}

TEST(AnswerReader, NumbersAsTheFormattedScanReadsThem) {
    const char input[] = " 12x -7\n+5 99999999999 -99999999999 + 8 abc";
    FILE *in = streamOf(std::string(input, sizeof input - 1));
    ASSERT_NE(in, nullptr);
    int32_t v = -1;
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, 12);
    EXPECT_EQ(readNumber(in, &v), READ_NOT_NUMBER); EXPECT_EQ(v, 12);
    skipTokenRest(in);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, -7);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, 5);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, INT32_MAX);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, INT32_MIN);
    EXPECT_EQ(readNumber(in, &v), READ_NOT_NUMBER);  // a lone sign
    skipTokenRest(in);                              // must not eat the 8
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, 8);
    EXPECT_EQ(readNumber(in, &v), READ_NOT_NUMBER);
    EXPECT_EQ(getc(in), 'a');
    skipTokenRest(in);
    EXPECT_EQ(readNumber(in, &v), READ_END);
    fclose(in);
}

TEST(AnswerReader, TokensStopAtBlanksAndAtTheBufferSize) {
    std::string input = "  a b\t" + std::string(300, 'n') + "\r\n";
    FILE *in = streamOf(input);
    ASSERT_NE(in, nullptr);
    char name[256];
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_STREQ(name, "a");
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_STREQ(name, "b");
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_EQ(strlen(name), 255u);
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_EQ(strlen(name), 45u);
    EXPECT_EQ(readToken(in, name, sizeof name), READ_END);
    fclose(in);
}

}  // namespace
