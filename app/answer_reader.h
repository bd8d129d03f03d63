// Reading of typed answers by the rules of the runtime's formatted scan
// ("%d", "%255s"), without its undefined behaviour on numbers out of range.
#ifndef APP_ANSWER_READER_H
#define APP_ANSWER_READER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

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

#endif
