// The hidden names a save's temporary file takes beside its target: a
// prefix that listings hide and random letters of one case, for systems
// that ignore case.
#ifndef PLATFORM_HIDDEN_NAME_H
#define PLATFORM_HIDDEN_NAME_H

#include <cstddef>
#include <cstdint>

// Bytes of a hidden name (".mz-" and six letters) and its terminating zero.
const size_t HIDDEN_NAME_SIZE = 11;
// Names tried before a crowded folder is given up on.
const int HIDDEN_NAME_TRIES = 100;

// Puts in `name` (HIDDEN_NAME_SIZE bytes) the next name of the sequence
// that `*seed` carries on (start it with uniqueSeed()).
void nextHiddenName(uint64_t *seed, char *name);

#endif
