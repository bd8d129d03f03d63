// The carving loop and its bookkeeping.
//
// The candidate list (the standing walls between two different sets, in
// ascending wall-id order) is a bit per wall id with a Fenwick tree of the
// counts per block of bits, so that finding the k-th candidate and dropping
// one take logarithmic time. Each set is a circular list of its cells; a
// merge walks the smaller set, so a cell is walked at most log2(cellCount)
// times over the whole carving. A cell's label, link and set size share one
// record, so a visit touches few cache lines; the carved walls are bits,
// spread into the wall flags only once carving ends.
#include "maze/carve_kruskal.h"

#include <cstdlib>
#include <cstring>

#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/progress.h"

static const uint32_t WORDS_PER_BLOCK = CANDIDATE_BLOCK_BITS / 64;

// Blocks of the candidate list's Fenwick tree for `wallCount` wall ids.
static uint64_t candidateBlocksFor(uint64_t wallCount) {
    return (wallCount + CANDIDATE_BLOCK_BITS - 1) / CANDIDATE_BLOCK_BITS;
}

uint64_t kruskalBytes(uint64_t width, uint64_t height) {
    uint64_t cells = width * height;
    uint64_t walls = (width - 1) * height + (height - 1) * width;
    return cells * sizeof(CellSet) + wallWordCount(walls) * sizeof(uint64_t) +
           candidateBlocksFor(walls) * sizeof(uint32_t);
}

// Marks every wall id a candidate and builds the per-block Fenwick tree
// over those bits in linear time.
static void fillCandidates() {
    uint64_t words = wallWordCount(maze.wallCount);
    memset(maze.candidateWalls, 0xFF, words * sizeof(uint64_t));
    uint32_t tailBits = maze.wallCount % 64;
    if (tailBits != 0) maze.candidateWalls[words - 1] = (UINT64_C(1) << tailBits) - 1;

    uint32_t blocks = maze.candidateBlockCount;
    for (uint32_t b = 0; b < blocks; b++) {
        uint64_t first = (uint64_t)b * CANDIDATE_BLOCK_BITS;
        uint64_t end = first + CANDIDATE_BLOCK_BITS;
        if (end > maze.wallCount) end = maze.wallCount;
        maze.candidateBlockTree[b] = (uint32_t)(end - first);
    }
    // Fenwick node i (1-based) adds its total into its parent i + (i & -i).
    for (uint32_t i = 1; i <= blocks; i++) {
        uint64_t parent = (uint64_t)i + (i & (0u - i));
        if (parent <= blocks) maze.candidateBlockTree[parent - 1] += maze.candidateBlockTree[i - 1];
    }
    maze.candidateCount = maze.wallCount;
}

RunStatus setUpKruskal() {
    maze.candidateBlockCount = (uint32_t)candidateBlocksFor(maze.wallCount);
    size_t wallBits = (size_t)(wallWordCount(maze.wallCount) * sizeof(uint64_t));
    maze.cellSets = (CellSet *)malloc((size_t)maze.cellCount * sizeof(CellSet));
    maze.candidateWalls = (uint64_t *)malloc(wallBits);
    maze.candidateBlockTree =
        (uint32_t *)malloc((size_t)maze.candidateBlockCount * sizeof(uint32_t));
    if (!maze.cellSets || !maze.candidateWalls || !maze.candidateBlockTree) return RUN_NO_MEMORY;

    for (uint32_t i = 0; i < maze.cellCount; i++) {
        maze.cellSets[i].label = i;
        maze.cellSets[i].next = i;
        maze.cellSets[i].size = 1;
    }
    fillCandidates();
    return RUN_OK;
}

// Set bits of `word`, without a call into the runtime on machines where
// the compiler may not assume a population-count instruction.
static uint32_t countBits(uint64_t word) {
    word = word - ((word >> 1) & UINT64_C(0x5555555555555555));
    word = (word & UINT64_C(0x3333333333333333)) + ((word >> 2) & UINT64_C(0x3333333333333333));
    word = (word + (word >> 4)) & UINT64_C(0x0F0F0F0F0F0F0F0F);
    return (uint32_t)((word * UINT64_C(0x0101010101010101)) >> 56);
}

// Position of the (rank + 1)-th set bit of `word`, which has more than
// `rank` bits set.
static uint32_t selectBit(uint64_t word, uint32_t rank) {
    for (; rank > 0; rank--) word &= word - 1;
    return (uint32_t)__builtin_ctzll(word);
}

uint32_t candidateAt(uint32_t position) {
    // Descend the Fenwick tree to the block holding the candidate, keeping
    // in `rank` how many candidates of that block come before it.
    uint32_t blocks = maze.candidateBlockCount;
    uint32_t block = 0, rank = position;
    uint32_t step = 1;
    while (step <= blocks / 2) step <<= 1;
    for (; step > 0; step >>= 1) {
        uint32_t next = block + step;
        if (next <= blocks && maze.candidateBlockTree[next - 1] <= rank) {
            block = next;
            rank -= maze.candidateBlockTree[next - 1];
        }
    }
    uint64_t wordCount = wallWordCount(maze.wallCount);
    uint64_t word = (uint64_t)block * WORDS_PER_BLOCK;
    for (;; word++) {
        uint32_t bits = countBits(maze.candidateWalls[word]);
        if (rank < bits || word + 1 == wordCount) break;
        rank -= bits;
    }
    return (uint32_t)(word * 64 + selectBit(maze.candidateWalls[word], rank));
}

// Takes wall id `wallId` off the candidate list if it is on it.
static void dropCandidate(uint32_t wallId) {
    uint64_t mask = UINT64_C(1) << (wallId % 64);
    uint64_t *word = &maze.candidateWalls[wallId / 64];
    if (!(*word & mask)) return;
    *word &= ~mask;
    maze.candidateCount--;
    uint64_t blocks = maze.candidateBlockCount;
    for (uint64_t i = wallId / CANDIDATE_BLOCK_BITS + 1; i <= blocks; i += i & (0 - i))
        maze.candidateBlockTree[i - 1]--;
}

uint32_t pickWall() {
    if (maze.candidateCount == 0) return NO_WALL;
    return candidateAt(drawPickPosition(maze.candidateCount));
}

// Joins the sets labelled `labelA` and `labelB` (two different sets): the
// smaller set takes the larger one's label, and every wall between the two
// leaves the candidate list.
static void mergeSets(uint32_t labelA, uint32_t labelB) {
    CellSet *sets = maze.cellSets;
    // Walk the smaller set. Most merges take in a single cell, which is its
    // own label: its size is at hand, and the other set's size, far away,
    // is not waited for. Of two larger sets alike, walk the higher label.
    bool aIsSmaller;
    if (sets[labelA].size == 1) aIsSmaller = true;
    else if (sets[labelB].size == 1) aIsSmaller = false;
    else aIsSmaller = sets[labelA].size < sets[labelB].size ||
                      (sets[labelA].size == sets[labelB].size && labelA > labelB);
    uint32_t small = aIsSmaller ? labelA : labelB;
    uint32_t large = aIsSmaller ? labelB : labelA;

    // One pass over the smaller set drops every wall between the two and
    // relabels the cell. A neighbour already relabelled is of the same set:
    // the wall to it is no candidate, and dropping it again changes nothing.
    uint32_t width = (uint32_t)maze.mazeWidth;
    uint32_t lastRow = (uint32_t)maze.mazeHeight - 1;
    uint32_t cellsAbove = maze.cellCount - width;  // cells with a row below them
    uint32_t cell = small;
    do {
        // The lines above and below the next cell load while this one is done.
        uint32_t following = sets[cell].next;
        __builtin_prefetch(&sets[following >= width ? following - width : following]);
        __builtin_prefetch(&sets[following < cellsAbove ? following + width : following]);
        uint32_t row = cell / width, column = cell % width;
        // Walls to the four neighbours, by the wall-id numbering.
        if (column > 0 && sets[cell - 1].label == large) dropCandidate(westWallOf(cell, row));
        if (column + 1 < width && sets[cell + 1].label == large)
            dropCandidate(eastWallOf(cell, row));
        if (row > 0 && sets[cell - width].label == large) dropCandidate(northWallOf(cell));
        if (row < lastRow && sets[cell + width].label == large) dropCandidate(southWallOf(cell));
        sets[cell].label = large;
        cell = following;
    } while (cell != small);
    // Splicing two circular lists is one exchange of successors.
    uint32_t next = sets[small].next;
    sets[small].next = sets[large].next;
    sets[large].next = next;
    sets[large].size += sets[small].size;
}

// Removals between two reports to the progress line.
static const uint32_t PROGRESS_REMOVALS = 1u << 16;

RunStatus carveKruskal() {
    for (uint32_t removed = 0;; removed++) {
        if (removed % PROGRESS_REMOVALS == 0) showProgress(removed);
        uint32_t wall = pickWall();
        if (wall >= maze.wallCount) break;
        maze.carvedWalls[wall / 64] |= UINT64_C(1) << (wall % 64);
        uint32_t first, second;
        wallCells(wall, &first, &second);
        uint32_t labelFirst = maze.cellSets[first].label, labelSecond = maze.cellSets[second].label;
        // A cell that is its own set's label has that set's size at hand.
        if (labelSecond == second) mergeSets(labelSecond, labelFirst);
        else mergeSets(labelFirst, labelSecond);
    }
    return settleWallFlags();
}
