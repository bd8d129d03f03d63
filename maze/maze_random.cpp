// The random generator and the unbiased pick.
#include "maze/maze_random.h"

#include "maze/maze_state.h"

void seedRandom(uint32_t seed) {
    maze.randomNext = seed;
}

// The next draw of the generator whose state is `*state`, advancing it.
static inline uint32_t drawFrom(uint32_t *state) {
    *state = *state * 1103515245u + 12345u;
    return (*state / 65536u) % 32768u;
}

uint32_t drawRandom() {
    return drawFrom(&maze.randomNext);
}

// Longest candidate list picked from with two draws; longer lists take four.
static const uint32_t SHORT_LIST_REACH = 1u << 19;
// Values a pick draws from: 19 bits of two draws, 49 bits of four.
static const uint64_t PICK_RANGE_SHORT = SHORT_LIST_REACH;
static const uint64_t PICK_RANGE_WIDE = UINT64_C(1) << 49;

// Draws one value of the pick from the generator at `*state`: with two
// draws d1, d2 the 19 bits (d1 << 4) | (d2 & 0xF); with `wide`, two more
// draws d3, d4 below them, 49 bits in all.
static uint64_t drawPickValue(uint32_t *state, bool wide) {
    uint32_t high = drawFrom(state) << 4;   // the first draw gives the top 15 bits
    uint32_t low = drawFrom(state) & 0xF;   // of the second only its low 4 count
    uint64_t value = high | low;
    if (!wide) return value;
    value <<= 30;
    value |= (uint64_t)drawFrom(state) << 15;
    value |= drawFrom(state);
    return value;
}

uint32_t pickPositionFrom(uint32_t *state, uint32_t count) {
    // A value at or above the largest multiple of `count` within its range
    // would favour the first positions, so it is drawn again: every position
    // is then exactly as likely as every other.
    bool wide = count > SHORT_LIST_REACH;
    uint64_t range = wide ? PICK_RANGE_WIDE : PICK_RANGE_SHORT;
    uint64_t bound = range - range % count;
    uint64_t value;
    do value = drawPickValue(state, wide);
    while (value >= bound);
    return (uint32_t)(value % count);
}

uint32_t drawPickPosition(uint32_t count) {
    return pickPositionFrom(&maze.randomNext, count);
}


// Bits of a draw, and the counts whose values take one, two or four draws.
static const int DRAW_BITS = 15;
static const uint32_t ONE_DRAW_REACH = 1u << DRAW_BITS;
static const uint32_t TWO_DRAW_REACH = 1u << (2 * DRAW_BITS);

uint32_t drawChoice(uint32_t count) {
    if (count == 1) return 0;
    // The product's low part decides a redraw: below `count` it may lie
    // below range mod count, which is then worked out (rarely: the choices
    // of a walk never need it).
    if (count <= ONE_DRAW_REACH) {
        for (;;) {
            uint32_t product = drawRandom() * count;
            uint32_t low = product & (ONE_DRAW_REACH - 1);
            if (low >= count || low >= ONE_DRAW_REACH % count) return product >> DRAW_BITS;
        }
    }
    if (count <= TWO_DRAW_REACH) {
        for (;;) {
            uint64_t value = (uint64_t)drawRandom() << DRAW_BITS | drawRandom();
            uint64_t product = value * count;
            uint64_t low = product & (TWO_DRAW_REACH - 1);
            if (low >= count || low >= TWO_DRAW_REACH % count) return (uint32_t)(product >> (2 * DRAW_BITS));
        }
    }
    const int bits = 4 * DRAW_BITS;
    const uint64_t range = UINT64_C(1) << bits;
    for (;;) {
        uint64_t value = 0;
        for (int drawn = 0; drawn < bits; drawn += DRAW_BITS) value = value << DRAW_BITS | drawRandom();
        unsigned __int128 product = (unsigned __int128)value * count;
        uint64_t low = (uint64_t)product & (range - 1);
        if (low >= count || low >= range % count) return (uint32_t)(product >> bits);
    }
}
