// The maze's random generator: a 15-bit linear congruential generator whose
// state lives in the maze record, the same on every system for the same
// seed, and the unbiased pick of a position in a list that every carving
// draws from.
#ifndef MAZE_MAZE_RANDOM_H
#define MAZE_MAZE_RANDOM_H

#include <cstdint>

// The largest seed that makes a maze of its own. Each draw of the generator
// is bits 16 to 30 of its 32-bit state, and no higher bit of the state ever
// reaches a lower one, so the top bit of a seed never changes a draw: seed
// S + 2^31 draws exactly what S draws.
const uint32_t LARGEST_SEED = 0x7FFFFFFFu;

// Seeds the 15-bit random generator.
void seedRandom(uint32_t seed);

// The next draw of the 15-bit generator, 0 to 32767: the same on every
// platform for the same seed.
uint32_t drawRandom();

// Draws the position of the next pick in a list of `count` (> 0)
// entries, every position equally likely: a value v of two draws d1, d2,
// (d1 << 4) | (d2 & 0xF), while count <= 2^19, else of four,
// ((((d1 << 4) | (d2 & 0xF)) << 30) | (d3 << 15) | d4); a v at or above
// range - (range mod count) is drawn again, and the position is v mod count.
uint32_t drawPickPosition(uint32_t count);

// The position drawPickPosition(count) gives when the generator's state is
// `*state`, which it advances as that draw would: a pick worked out ahead
// on a copy of the state.
uint32_t pickPositionFrom(uint32_t *state, uint32_t count);

// Draws one of `count` (> 0) choices, every one equally likely, for every
// carving but the default: a value v of one draw while count <= 2^15, of
// two, (d1 << 15) | d2, while count <= 2^30, else of four (60 bits); the
// choice is v * count / range, the top of the product, and a v whose
// v * count mod range is below range mod count is drawn again. A single
// choice takes no draw. Unlike drawPickPosition's v mod count, which for a
// few choices keeps only the generator's lowest bits (a coin repeats every
// 2^16 picks), the choice comes from the top bits of the draws.
uint32_t drawChoice(uint32_t count);

#endif
