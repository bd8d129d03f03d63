// Hidden names for temporary files.
#include "platform/hidden_name.h"

#include <cstring>

// The prefix of every hidden name, which listings hide.
static const char HIDDEN_PREFIX[] = ".mz-";
// Letters of the random part: one case, for systems that ignore case.
static const char HIDDEN_LETTERS[] = "abcdefghijklmnopqrstuvwxyz0123456789";
static const size_t HIDDEN_PREFIX_LENGTH = sizeof HIDDEN_PREFIX - 1;
static_assert(HIDDEN_NAME_SIZE > HIDDEN_PREFIX_LENGTH + 1, "room for random letters");
// A 64-bit linear congruential step (Knuth's MMIX constants), whose high
// bits, from this one on, pick a letter.
static const uint64_t STEP_MULTIPLIER = 6364136223846793005u;
static const uint64_t STEP_INCREMENT = 1442695040888963407u;
static const unsigned PICKING_BITS_FROM = 33;

void nextHiddenName(uint64_t *seed, char *name) {
    memcpy(name, HIDDEN_PREFIX, HIDDEN_PREFIX_LENGTH);
    for (size_t i = HIDDEN_PREFIX_LENGTH; i + 1 < HIDDEN_NAME_SIZE; i++) {
        *seed = *seed * STEP_MULTIPLIER + STEP_INCREMENT;
        name[i] = HIDDEN_LETTERS[(*seed >> PICKING_BITS_FROM) % (sizeof HIDDEN_LETTERS - 1)];
    }
    name[HIDDEN_NAME_SIZE - 1] = '\0';
}
