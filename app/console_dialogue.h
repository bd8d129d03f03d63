// The conversation with the user: the size questions, the lines around the
// carving, the file name and the format menu, and the reading of their
// answers from a stream.
#ifndef APP_CONSOLE_DIALOGUE_H
#define APP_CONSOLE_DIALOGUE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "maze/maze_state.h"

// What a read of one answer found.
enum ReadResult {
    READ_OK,          // an answer was read
    READ_NOT_NUMBER,  // the next bytes are not a number
    READ_END,         // the input ended before an answer
};

// Reads a decimal number as "%d" does: skips white space, takes an optional
// sign and every digit after it, and leaves the next byte in `in`. A number
// beyond the signed 32-bit range is read whole and stored as INT32_MAX or
// INT32_MIN. On READ_NOT_NUMBER nothing but a lone sign has been consumed
// and `*value` is unchanged.
ReadResult readNumber(FILE *in, int32_t *value);

// Reads one white-space-delimited token as "%255s" does, storing at most
// `capacity` - 1 bytes and a zero in `buffer`; the rest of a longer token
// stays in `in`.
ReadResult readToken(FILE *in, char *buffer, size_t capacity);

// Discards the bytes of `in` up to the next white space or the end of input.
void skipTokenRest(FILE *in);

// Asks for the height and the width, then sets up the maze (setUpMaze)
// with the generator seeded by `seed` when it is given, else by the clock's
// second at that moment. Returns the set-up's status.
MazeStatus askMazeSize(const uint32_t *seed);

// Shows the line that carving has begun, carves the maze (carveMaze) with
// a progress line and shows the line that it has ended. Returns
// carveMaze's status; the closing line is shown only on success.
MazeStatus generateMaze();

// Asks for a file name and shows the format menu until it gets 1, 2 or 3,
// then saves. Returns the writers' status, or MAZE_INPUT_ENDED when the
// input ends first.
MazeStatus saveMaze();

#endif
