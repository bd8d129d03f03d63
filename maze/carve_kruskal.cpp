// The carving loop and its bookkeeping.
//
// The candidate list (the standing walls between two different sets, in
// ascending wall-id order) is a bit per wall id, in blocks of a cache line,
// under a few levels of wide count nodes: finding the k-th candidate reads
// one group of counts a level and one block, dropping one lowers one count
// a level. A merge walks the smaller set, so a cell is
// walked at most log2(cellCount) times over the whole carving. It walks
// the set over the grid, from the picked wall's cell to the neighbours of
// the same label, breadth first: the cells of one round lie close
// together, and their lines are fetched side by side rather than one link
// after another. A cell's label and its set's size, or while its set is
// merged into another the queue's link, share one 8-byte record, so a visit
// touches few cache lines; the carved walls are bits, spread
// into the wall flags only once carving ends.
#include "maze/carve_kruskal.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "maze/maze_grid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "platform/memory.h"
#include "platform/progress.h"

static const uint32_t WORDS_PER_BLOCK = CANDIDATE_BLOCK_BITS / 64;

// Blocks of the candidate list for `wallCount` wall ids.
static uint64_t candidateBlocksFor(uint64_t wallCount) {
    return (wallCount + CANDIDATE_BLOCK_BITS - 1) / CANDIDATE_BLOCK_BITS;
}

// Entries of a count level of `size` entries, padded with zeros to whole groups.
static uint64_t paddedLevelSize(uint64_t size) {
    return (size + COUNT_FANOUT - 1) / COUNT_FANOUT * COUNT_FANOUT;
}

// Entries of all count levels over `blocks` blocks, each padded to whole
// groups; the levels' sizes in `sizes` and their number in `*levels` when
// given.
static uint64_t countEntriesFor(uint64_t blocks, uint32_t *sizes = nullptr,
                                uint32_t *levels = nullptr) {
    uint64_t entries = 0, size = blocks;
    uint32_t level = 0;
    for (;;) {
        if (sizes) sizes[level] = (uint32_t)size;
        entries += paddedLevelSize(size);
        level++;
        if (size <= COUNT_FANOUT) break;
        size = (size + COUNT_FANOUT - 1) / COUNT_FANOUT;
    }
    if (levels) *levels = level;
    return entries;
}

// `count` (bytes, or an address) rounded up to whole cache lines.
static uint64_t wholeLines(uint64_t count) {
    return (count + CACHE_LINE_BYTES - 1) / CACHE_LINE_BYTES * CACHE_LINE_BYTES;
}

// Bytes of the one allocation that holds the candidate bits of `walls`
// wall ids and `countEntries` count entries, each starting on a line.
static uint64_t candidateStoreBytes(uint64_t walls, uint64_t countEntries) {
    return CACHE_LINE_BYTES + wholeLines(bitBytes(walls)) + countEntries * sizeof(uint32_t);
}

uint64_t kruskalBytes(uint64_t width, uint64_t height) {
    // The sets, the candidate bits (aligned to a line) and their counts.
    uint64_t cells = width * height;
    uint64_t walls = (width - 1) * height + (height - 1) * width;
    return cells * sizeof(CellSet) + candidateStoreBytes(walls, countEntriesFor(candidateBlocksFor(walls)));
}

// Marks every wall id a candidate and fills the count levels: each
// block's candidates, then each level's sums of the one below, then each
// group's entries turned into running totals.
static void fillCandidates() {
    uint64_t words = wallWordCount(maze.wallCount);
    memset(maze.candidateWalls, 0xFF, words * sizeof(uint64_t));
    uint32_t tailBits = maze.wallCount % 64;
    if (tailBits != 0) maze.candidateWalls[words - 1] = (UINT64_C(1) << tailBits) - 1;

    uint32_t *blockCounts = maze.candidateCounts;
    for (uint32_t b = maze.candidateBlockCount; b < paddedLevelSize(maze.candidateBlockCount); b++)
        blockCounts[b] = 0;
    for (uint32_t b = 0; b < maze.candidateBlockCount; b++) {
        uint64_t first = (uint64_t)b * CANDIDATE_BLOCK_BITS;
        uint64_t end = first + CANDIDATE_BLOCK_BITS;
        if (end > maze.wallCount) end = maze.wallCount;
        blockCounts[b] = (uint32_t)(end - first);
    }
    for (uint32_t level = 1; level < maze.countLevels; level++) {
        const uint32_t *below = maze.candidateCounts + maze.countLevelStart[level - 1];
        uint32_t *counts = maze.candidateCounts + maze.countLevelStart[level];
        for (uint32_t i = 0; i < paddedLevelSize(maze.countLevelSize[level]); i++) counts[i] = 0;
        for (uint32_t i = 0; i < maze.countLevelSize[level - 1]; i++)
            counts[i / COUNT_FANOUT] += below[i];
    }
    for (uint32_t level = 0; level < maze.countLevels; level++) {
        uint32_t *counts = maze.candidateCounts + maze.countLevelStart[level];
        for (uint32_t i = 1; i < paddedLevelSize(maze.countLevelSize[level]); i++)
            if (i % COUNT_FANOUT != 0) counts[i] += counts[i - 1];
    }
    maze.candidateCount = maze.wallCount;
}

RunStatus setUpKruskal() {
    maze.candidateBlockCount = (uint32_t)candidateBlocksFor(maze.wallCount);
    uint64_t countEntries =
        countEntriesFor(maze.candidateBlockCount, maze.countLevelSize, &maze.countLevels);
    maze.countLevelStart[0] = 0;
    for (uint32_t level = 1; level < maze.countLevels; level++)
        maze.countLevelStart[level] =
            maze.countLevelStart[level - 1] + (uint32_t)paddedLevelSize(maze.countLevelSize[level - 1]);

    size_t storeBytes = (size_t)candidateStoreBytes(maze.wallCount, countEntries);
    maze.cellSets = (CellSet *)malloc((size_t)maze.cellCount * sizeof(CellSet));
    maze.candidateStore = malloc(storeBytes);
    if (!maze.cellSets || !maze.candidateStore) return RUN_NO_MEMORY;
    // The cells' records are read all over: large pages spare most of the
    // address translations, as they do for the candidate bits.
    adviseLargePages(maze.cellSets, (uint64_t)maze.cellCount * sizeof(CellSet));
    adviseLargePages(maze.candidateStore, storeBytes);
    // Each block of candidate bits a cache line of its own, and each group
    // of counts after them.
    uintptr_t store = (uintptr_t)maze.candidateStore;
    maze.candidateWalls = (uint64_t *)wholeLines(store);
    maze.candidateCounts =
        (uint32_t *)((uintptr_t)maze.candidateWalls + wholeLines(bitBytes(maze.wallCount)));

    for (uint32_t i = 0; i < maze.cellCount; i++) {
        maze.cellSets[i].label = i;
        maze.cellSets[i].share = 1;
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

// The entry of the group of COUNT_FANOUT running totals at `group` in
// which `*rank` (below the group's total) falls, `*rank` lowered by the
// candidates of the entries before it: the entries whose running total is
// at most the rank come before it, counted without a branch on the counts.
static inline uint32_t entryHolding(const uint32_t *group, uint32_t *rank) {
    uint32_t left = *rank, entry = 0;
    for (uint32_t j = 0; j < COUNT_FANOUT; j++) entry += group[j] <= left;
    *rank = left - (entry > 0 ? group[entry - 1] : 0);
    return entry;
}

// The block of candidate bits that holds the candidate at `position`
// (< candidateCount), down the count levels; `*rank` is set to how many
// candidates of that block come before it.
static uint32_t blockHolding(uint32_t position, uint32_t *rank) {
    uint32_t entry = 0;
    *rank = position;
    for (uint32_t level = maze.countLevels; level-- > 0;) {
        const uint32_t *group = maze.candidateCounts + maze.countLevelStart[level] + entry * COUNT_FANOUT;
        entry = entry * COUNT_FANOUT + entryHolding(group, rank);
    }
    return entry;
}

// Lowers by one the running totals of `entry` and of those after it in its
// group, at every level, for a candidate of block `block` taken off.
static void lowerCounts(uint32_t block) {
    for (uint32_t level = 0, entry = block; level < maze.countLevels; level++, entry /= COUNT_FANOUT) {
        uint32_t *group = maze.candidateCounts + maze.countLevelStart[level] + entry / COUNT_FANOUT * COUNT_FANOUT;
        for (uint32_t j = entry % COUNT_FANOUT; j < COUNT_FANOUT; j++) group[j]--;
    }
}

// The last word of candidate bits in `block`: the scan of a block never
// reads past it, so a wrong rank from the count levels shows as a wrong wall.
static inline uint64_t lastWordOf(uint32_t block) {
    uint64_t end = ((uint64_t)block + 1) * WORDS_PER_BLOCK, wordCount = wallWordCount(maze.wallCount);
    return (end < wordCount ? end : wordCount) - 1;
}

// The candidate `rank` places after the first of `block` (rank below the
// block's candidates), the portable way.
static uint32_t candidateInBlock(uint32_t block, uint32_t rank) {
    uint64_t word = (uint64_t)block * WORDS_PER_BLOCK, last = lastWordOf(block);
    for (;; word++) {
        uint32_t bits = countBits(maze.candidateWalls[word]);
        if (rank < bits || word == last) break;
        rank -= bits;
    }
    return (uint32_t)(word * 64 + selectBit(maze.candidateWalls[word], rank));
}

#if defined(__x86_64__) || defined(__i386__)
// The same with the processor's population count and bit deposit, which
// puts a single bit at the place of the word's (rank + 1)-th set bit.
__attribute__((target("popcnt,bmi2"))) static uint32_t candidateInBlockByBits(uint32_t block,
                                                                               uint32_t rank) {
    uint64_t word = (uint64_t)block * WORDS_PER_BLOCK, last = lastWordOf(block);
    for (;; word++) {
        uint32_t bits = (uint32_t)__builtin_popcountll(maze.candidateWalls[word]);
        if (rank < bits || word == last) break;
        rank -= bits;
    }
    uint64_t placed = _pdep_u64(UINT64_C(1) << rank, maze.candidateWalls[word]);
    return (uint32_t)(word * 64 + __builtin_ctzll(placed));
}

// True when the processor has both instructions and does the bit deposit
// in hardware: the processors of AMD's family 17h have it in microcode,
// slower than the portable loop.
static bool bitInstructionsFast() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi2") &&
           !__builtin_cpu_is("amdfam17h");
}

// Whether the pick uses them: asked once as the program starts, not at
// every pick.
static const bool pickByBits = bitInstructionsFast();

// blockHolding with the processor's 256-bit vectors: a group's 16 running
// totals in two registers, compared with the rank at once.
__attribute__((target("avx2,popcnt"))) static uint32_t blockHoldingByVectors(uint32_t position,
                                                                              uint32_t *rank) {
    uint32_t entry = 0, left = position;
    for (uint32_t level = maze.countLevels; level-- > 0;) {
        const uint32_t *group = maze.candidateCounts + maze.countLevelStart[level] + entry * COUNT_FANOUT;
        __m256i wanted = _mm256_set1_epi32((int)left);
        __m256i low = _mm256_load_si256((const __m256i *)group);
        __m256i high = _mm256_load_si256((const __m256i *)(group + 8));
        // An entry at most the rank: the larger of the two is the rank.
        __m256i lowBefore = _mm256_cmpeq_epi32(_mm256_max_epu32(low, wanted), wanted);
        __m256i highBefore = _mm256_cmpeq_epi32(_mm256_max_epu32(high, wanted), wanted);
        uint32_t before = (uint32_t)_mm256_movemask_ps(_mm256_castsi256_ps(lowBefore)) |
                          (uint32_t)_mm256_movemask_ps(_mm256_castsi256_ps(highBefore)) << 8;
        uint32_t holding = (uint32_t)__builtin_popcount(before);
        left -= holding > 0 ? group[holding - 1] : 0;
        entry = entry * COUNT_FANOUT + holding;
    }
    *rank = left;
    return entry;
}

// lowerCounts with the same vectors: the entries from the lowered one on
// take one off in two additions of -1 or 0.
__attribute__((target("avx2"))) static void lowerCountsByVectors(uint32_t block) {
    const __m256i lowPlaces = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i highPlaces = _mm256_setr_epi32(8, 9, 10, 11, 12, 13, 14, 15);
    for (uint32_t level = 0, entry = block; level < maze.countLevels; level++, entry /= COUNT_FANOUT) {
        uint32_t *group = maze.candidateCounts + maze.countLevelStart[level] + entry / COUNT_FANOUT * COUNT_FANOUT;
        __m256i first = _mm256_set1_epi32((int)(entry % COUNT_FANOUT) - 1);
        __m256i *low = (__m256i *)group, *high = (__m256i *)(group + 8);
        // Places after first - 1 compare to all ones, which is -1.
        _mm256_store_si256(low, _mm256_add_epi32(_mm256_load_si256(low), _mm256_cmpgt_epi32(lowPlaces, first)));
        _mm256_store_si256(high, _mm256_add_epi32(_mm256_load_si256(high), _mm256_cmpgt_epi32(highPlaces, first)));
    }
}

// True when the processor has 256-bit integer vectors.
static bool vectorsPresent() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

// Whether the count levels are read and lowered with them.
static const bool countsByVectors = vectorsPresent();

// Whether this pick or drop takes the bit instructions, or the vectors: the
// processor has them and the tests do not ask for the portable code.
static inline bool withBits() {
    return pickByBits && !maze.portablePick;
}
static inline bool withVectors() {
    return countsByVectors && !maze.portablePick;
}
#endif

uint32_t candidateAt(uint32_t position) {
    uint32_t rank, block;
#if defined(__x86_64__) || defined(__i386__)
    block = withVectors() ? blockHoldingByVectors(position, &rank) : blockHolding(position, &rank);
    if (withBits()) return candidateInBlockByBits(block, rank);
#else
    block = blockHolding(position, &rank);
#endif
    return candidateInBlock(block, rank);
}

// Takes wall id `wallId`, which is on the candidate list, off it.
static inline void dropKnownCandidate(uint32_t wallId) {
    maze.candidateWalls[wallId / 64] &= ~(UINT64_C(1) << (wallId % 64));
    maze.candidateCount--;
#if defined(__x86_64__) || defined(__i386__)
    if (withVectors()) {
        lowerCountsByVectors(wallId / CANDIDATE_BLOCK_BITS);
        return;
    }
#endif
    lowerCounts(wallId / CANDIDATE_BLOCK_BITS);
}

void dropCandidate(uint32_t wallId) {
    if (maze.candidateWalls[wallId / 64] >> (wallId % 64) & 1) dropKnownCandidate(wallId);
}

// pickWall, also giving the position drawn in `*position`.
static uint32_t pickWallAt(uint32_t *position) {
    if (maze.candidateCount == 0) return NO_WALL;
    *position = drawPickPosition(maze.candidateCount);
    return candidateAt(*position);
}

uint32_t pickWall() {
    uint32_t position;
    return pickWallAt(&position);
}

// The cells of the smaller set that a merge has relabelled but not yet
// looked around, linked through CellSet::share.
struct MergeQueue {
    uint32_t head;  // the next cell to look around, or NO_CELL
    uint32_t tail;  // the last cell queued
};

// Looks at cell `neighbour`, across wall `wallId` from a cell of the set
// labelled `small` that joins the one labelled `large`: a cell of `small`
// not yet met takes the label `large` and joins `queue`, its rows above and
// below fetched for its turn; at a cell labelled `large` the wall leaves the
// candidate list (when it is a candidate: the cell may be one of `small`
// relabelled already).
static inline void visitNeighbour(uint32_t neighbour, uint32_t wallId, uint32_t small,
                                  uint32_t large, MergeQueue *queue) {
    CellSet *sets = maze.cellSets;
    uint32_t label = sets[neighbour].label;
    if (label == large) {
        dropCandidate(wallId);
    } else if (label == small) {
        uint32_t width = (uint32_t)maze.mazeWidth;
        __builtin_prefetch(&sets[neighbour >= width ? neighbour - width : neighbour]);
        __builtin_prefetch(&sets[neighbour < maze.cellCount - width ? neighbour + width : neighbour]);
        sets[neighbour].label = large;
        sets[neighbour].share = NO_CELL;
        if (queue->head == NO_CELL) queue->head = neighbour;
        else sets[queue->tail].share = neighbour;
        queue->tail = neighbour;
    }
}

// Joins the set labelled `labelA`, which holds `cellA`, and the set
// labelled `labelB`, which holds `cellB` (two different sets): the smaller
// set takes the larger one's label, and every wall between the two leaves
// the candidate list.
static void mergeSets(uint32_t labelA, uint32_t cellA, uint32_t labelB, uint32_t cellB) {
    CellSet *sets = maze.cellSets;
    // Walk the smaller set. Most merges take in a single cell, which is its
    // own label: its size is at hand, and the other set's size, far away,
    // is not waited for. Of two larger sets alike, walk the higher label.
    bool aIsSmaller;
    if (sets[labelA].share == 1) aIsSmaller = true;
    else if (sets[labelB].share == 1) aIsSmaller = false;
    else aIsSmaller = sets[labelA].share < sets[labelB].share ||
                      (sets[labelA].share == sets[labelB].share && labelA > labelB);
    uint32_t small = aIsSmaller ? labelA : labelB;
    uint32_t large = aIsSmaller ? labelB : labelA;
    uint32_t start = aIsSmaller ? cellA : cellB;
    uint32_t width = (uint32_t)maze.mazeWidth;
    uint32_t lastRow = (uint32_t)maze.mazeHeight - 1;
    // The smaller set's size is taken in before its cells' records carry
    // the walk's queue.
    uint32_t smallSize = sets[small].share;
    sets[large].share += smallSize;

    if (smallSize == 1) {
        // A single cell, its own label: no queue to walk, and every wall
        // it has still stands between two sets, so each wall to the larger
        // set is a candidate, dropped without reading its bit.
        sets[start].label = large;
        uint32_t row = start / width, column = start % width;
        if (column > 0 && sets[start - 1].label == large) dropKnownCandidate(westWallOf(start, row));
        if (column + 1 < width && sets[start + 1].label == large)
            dropKnownCandidate(eastWallOf(start, row));
        if (row > 0 && sets[start - width].label == large) dropKnownCandidate(northWallOf(start));
        if (row < lastRow && sets[start + width].label == large) dropKnownCandidate(southWallOf(start));
        return;
    }

    // Each cell of the smaller set is queued once, when it takes the larger
    // set's label, and looked around once; a neighbour of the same set
    // already relabelled has no candidate wall to it.
    sets[start].label = large;
    sets[start].share = NO_CELL;
    MergeQueue queue = {start, start};
    while (queue.head != NO_CELL) {
        uint32_t cell = queue.head;
        queue.head = sets[cell].share;
        uint32_t row = cell / width, column = cell % width;
        // Walls to the four neighbours, by the wall-id numbering.
        if (column > 0) visitNeighbour(cell - 1, westWallOf(cell, row), small, large, &queue);
        if (column + 1 < width) visitNeighbour(cell + 1, eastWallOf(cell, row), small, large, &queue);
        if (row > 0) visitNeighbour(cell - width, northWallOf(cell), small, large, &queue);
        if (row < lastRow) visitNeighbour(cell + width, southWallOf(cell), small, large, &queue);
    }
}

// Asks for the records of wall `wallId`'s two cells and of the cells
// above and below them, which its merge reads.
static inline void fetchWallCells(uint32_t wallId) {
    uint32_t first, second;
    wallCells(wallId, &first, &second);
    uint32_t width = (uint32_t)maze.mazeWidth;
    const CellSet *sets = maze.cellSets;
    __builtin_prefetch(&sets[first]);
    __builtin_prefetch(&sets[second]);
    __builtin_prefetch(&sets[first >= width ? first - width : first]);
    __builtin_prefetch(&sets[second + width < maze.cellCount ? second + width : second]);
}

RunStatus carveKruskal() {
    // Each pick waits for the merge before it, whose drops set the count it
    // draws from, and each merge for its cells' records, misses in memory.
    // So the next pick is worked out before the merge, on a copy of the
    // generator, as if the merge dropped the picked wall only (most do),
    // and its cells' records are asked for while the merge runs. When the
    // merge did drop just that wall, the guess is the pick the generator
    // and the list give, and is taken as it is; else the pick is drawn.
    uint32_t carved = NO_WALL;      // the wall whose bit is set one pick later
    uint32_t guess = NO_WALL;       // the next pick if the merge drops one wall
    uint32_t guessPosition = 0;     // its position in the list after that drop
    uint32_t guessState = 0;        // the generator's state after drawing it
    uint32_t countBefore = 0;       // the candidates before the merge
    for (uint32_t removed = 0;; removed++) {
        if (removed % PROGRESS_UNITS == 0) showProgress(removed);
        uint32_t wall, position = 0;
        if (guess != NO_WALL && maze.candidateCount + 1 == countBefore) {
            wall = guess;
            position = guessPosition;
            maze.randomNext = guessState;
        } else {
            wall = pickWallAt(&position);
        }
        // A carved wall's bit is set one pick later: its line, a miss in
        // memory, is asked for at the pick and has arrived by then.
        if (carved != NO_WALL) carveWall(carved);
        if (wall == NO_WALL) break;
        __builtin_prefetch(&maze.carvedWalls[wall / 64], 1);
        carved = wall;

        countBefore = maze.candidateCount;
        guess = NO_WALL;
        if (countBefore > 1) {
            // The list without `wall`: its positions from `position` on are
            // one further along in the list as it stands.
            guessState = maze.randomNext;
            guessPosition = pickPositionFrom(&guessState, countBefore - 1);
            guess = candidateAt(guessPosition < position ? guessPosition : guessPosition + 1);
            fetchWallCells(guess);
        }

        uint32_t first, second;
        wallCells(wall, &first, &second);
        uint32_t labelFirst = maze.cellSets[first].label, labelSecond = maze.cellSets[second].label;
        // A cell that is its own set's label has that set's size at hand.
        if (labelSecond == second) mergeSets(labelSecond, second, labelFirst, first);
        else mergeSets(labelFirst, first, labelSecond, second);
    }
    return settleWallFlags();
}
