// Words and the decimal text of numbers.
#include "output/number_text.h"

#include <cmath>
#include <cstring>

char *putText(char *out, const char *text) {
    size_t length = strlen(text);
    memcpy(out, text, length);
    return out + length;
}

char *putWhole(char *out, int64_t value) {
    uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;
    if (value < 0) *out++ = '-';
    char digits[NUMBER_TEXT_BYTES];
    int count = 0;
    do {
        digits[count++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    while (count > 0) *out++ = digits[--count];
    return out;
}

char *putFixed(char *out, double value, int decimals) {
    uint64_t unit = 1;
    for (int i = 0; i < decimals; i++) unit *= 10;
    uint64_t scaled = (uint64_t)std::llround(value * (double)unit);
    out = putWhole(out, (int64_t)(scaled / unit));
    uint64_t fraction = scaled % unit;
    if (fraction == 0) return out;
    *out++ = '.';
    for (uint64_t place = unit / 10; fraction > 0; place /= 10) {
        *out++ = (char)('0' + fraction / place);
        fraction %= place;
    }
    return out;
}
