// The readers of numbers and tokens.
#include "app/answer_reader.h"

// White space as the C locale's scan sees it.
static bool isBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// Consumes white space; returns the first other byte (consumed) or EOF.
static int skipBlanks(FILE *in) {
    int c;
    do c = getc(in);
    while (c != EOF && isBlank(c));
    return c;
}

ReadResult readNumber(FILE *in, int32_t *value) {
    int c = skipBlanks(in);
    if (c == EOF) return READ_END;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = getc(in);
    }
    if (!isDigit(c)) {
        if (c != EOF) ungetc(c, in);
        return READ_NOT_NUMBER;
    }
    // Saturate just past the 32-bit range and keep consuming the digits.
    const int64_t limit = (int64_t)INT32_MAX + 1;
    int64_t magnitude = 0;
    for (; isDigit(c); c = getc(in)) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) magnitude = limit;
    }
    if (c != EOF) ungetc(c, in);
    if (negative) *value = (int32_t)(-magnitude);
    else *value = magnitude > INT32_MAX ? INT32_MAX : (int32_t)magnitude;
    return READ_OK;
}

ReadResult readToken(FILE *in, char *buffer, size_t capacity) {
    int c = skipBlanks(in);
    if (c == EOF) return READ_END;
    size_t length = 0;
    while (c != EOF && !isBlank(c) && length + 1 < capacity) {
        buffer[length++] = (char)c;
        c = getc(in);
    }
    if (c != EOF) ungetc(c, in);
    buffer[length] = '\0';
    return READ_OK;
}

void skipTokenRest(FILE *in) {
    int c;
    do c = getc(in);
    while (c != EOF && !isBlank(c));
    if (c != EOF) ungetc(c, in);
}
