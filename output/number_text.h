// The text of the vector formats, put straight into a buffer: words as
// they are, and numbers in decimal, with a point and no exponent, the same
// whatever the locale.
#ifndef OUTPUT_NUMBER_TEXT_H
#define OUTPUT_NUMBER_TEXT_H

#include <cstdint>

// Bytes the longest number either function writes takes.
const int NUMBER_TEXT_BYTES = 32;

// Writes `text` without its terminating zero at `out`; returns the byte
// after it.
char *putText(char *out, const char *text);

// Writes the decimal digits of `value`, with a '-' before a negative one,
// at `out`; returns the byte after them.
char *putWhole(char *out, int64_t value);

// Writes `value` (0 or more, below 2^53 / 10^decimals) rounded to
// `decimals` places (at most 12), without the zeros that end the
// fraction or a point with none after it, at `out`; returns the byte after.
char *putFixed(char *out, double value, int decimals);

#endif
