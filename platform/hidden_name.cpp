// Hidden names for temporary files.
#include "platform/hidden_name.h"

#include <cstring>

const char HIDDEN_PREFIX[] = ".mz-";
// Letters of the random part: one case, for systems that ignore case.
static const char HIDDEN_LETTERS[] = "abcdefghijklmnopqrstuvwxyz0123456789";
static const size_t HIDDEN_PREFIX_LENGTH = sizeof HIDDEN_PREFIX - 1;
static_assert(HIDDEN_NAME_SIZE > HIDDEN_PREFIX_LENGTH + 1, "room for random letters");

void nextHiddenName(uint64_t *seed, char *name) {
    memcpy(name, HIDDEN_PREFIX, HIDDEN_PREFIX_LENGTH);
    for (size_t i = HIDDEN_PREFIX_LENGTH; i + 1 < HIDDEN_NAME_SIZE; i++) {
        // A 64-bit linear congruential step; its high bits pick the letter.
        *seed = *seed * 6364136223846793005u + 1442695040888963407u;
        name[i] = HIDDEN_LETTERS[(*seed >> 33) % (sizeof HIDDEN_LETTERS - 1)];
    }
    name[HIDDEN_NAME_SIZE - 1] = '\0';
}
