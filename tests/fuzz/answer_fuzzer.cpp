// libFuzzer target over the reading of answers: any byte stream, read as
// the dialogue reads it, must end in bounded steps with every result
// agreeing with an independent reading of the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/answer_reader.h"

static bool blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The number that "%d" rules read at `at` of `bytes`, clamped to 32 bits;
// false when none starts there. Advances `at` past what was read.
static bool expectedNumber(const std::string &bytes, size_t &at, int32_t *value) {
    while (at < bytes.size() && blank(bytes[at])) at++;
    size_t digits = at;
    if (digits < bytes.size() && (bytes[digits] == '+' || bytes[digits] == '-')) digits++;
    if (digits >= bytes.size() || bytes[digits] < '0' || bytes[digits] > '9') {
        at = digits;  // a lone sign is consumed
        return false;
    }
    size_t end = digits;
    while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9') end++;
    std::string text = bytes.substr(at, end - at);
    long long parsed = strtoll(text.c_str(), nullptr, 10);  // saturates at 64 bits
    if (parsed > INT32_MAX) parsed = INT32_MAX;
    if (parsed < INT32_MIN) parsed = INT32_MIN;
    *value = (int32_t)parsed;
    at = end;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the token buffer size, the rest is the input.
    size_t capacity = 2 + data[0] % 255;
    std::string bytes((const char *)data + 1, size - 1);
    FILE *in = fmemopen((void *)bytes.data(), bytes.size(), "r");
    if (!in) return 0;
    size_t at = 0;
    for (size_t step = 0;; step++) {
        if (step > bytes.size() + 1) abort();  // a read that never ends
        bool wantToken = (step + data[0]) % 3 == 0;
        if (wantToken) {
            char buffer[257];
            memset(buffer, 'Z', sizeof buffer);
            ReadResult read = readToken(in, buffer, capacity);
            while (at < bytes.size() && blank(bytes[at])) at++;
            if (at == bytes.size()) {
                if (read != READ_END) abort();
                break;
            }
            size_t length = 0;
            while (at + length < bytes.size() && !blank(bytes[at + length]) && length + 1 < capacity)
                length++;
            if (read != READ_OK || memcmp(buffer, bytes.data() + at, length) != 0 ||
                buffer[length] != '\0')
                abort();
            at += length;
        } else {
            int32_t value = 77, expected = 77;
            ReadResult read = readNumber(in, &value);
            size_t before = at;
            while (before < bytes.size() && blank(bytes[before])) before++;
            if (before == bytes.size()) {
                if (read != READ_END) abort();
                break;
            }
            bool number = expectedNumber(bytes, at, &expected);
            if (read != (number ? READ_OK : READ_NOT_NUMBER) || value != expected) abort();
            if (!number) {
                skipTokenRest(in);
                while (at < bytes.size() && !blank(bytes[at])) at++;
            }
        }
        if (ftell(in) != (long)at) abort();  // consumed exactly what was read
    }
    fclose(in);
    return 0;
}
