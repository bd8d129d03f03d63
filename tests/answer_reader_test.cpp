// The readers of typed answers, against the rules of the formatted scan.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/answer_reader.h"

namespace {

// A stream that reads `bytes`, as standard input would.
FILE *streamOf(const std::string &bytes) {
    FILE *stream = tmpfile();
    if (!stream) return nullptr;
    fwrite(bytes.data(), 1, bytes.size(), stream);
    rewind(stream);
    return stream;
}

TEST(AnswerReader, NumbersAsTheFormattedScanReadsThem) {
    const char input[] = " 12x -7\n+5 99999999999 -99999999999 + 8 abc";
    FILE *in = streamOf(std::string(input, sizeof input - 1));
    ASSERT_NE(in, nullptr);
    int32_t v = -1;
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, 12);
    EXPECT_EQ(readNumber(in, &v), READ_NOT_NUMBER); EXPECT_EQ(v, 12);
    skipTokenRest(in);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, -7);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, 5);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, INT32_MAX);
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, INT32_MIN);
    EXPECT_EQ(readNumber(in, &v), READ_NOT_NUMBER);  // a lone sign
    skipTokenRest(in);                              // must not eat the 8
    EXPECT_EQ(readNumber(in, &v), READ_OK); EXPECT_EQ(v, 8);
    EXPECT_EQ(readNumber(in, &v), READ_NOT_NUMBER);
    EXPECT_EQ(getc(in), 'a');
    skipTokenRest(in);
    EXPECT_EQ(readNumber(in, &v), READ_END);
    fclose(in);
}

TEST(AnswerReader, TokensStopAtBlanksAndAtTheBufferSize) {
    std::string input = "  a b\t" + std::string(300, 'n') + "\r\n";
    FILE *in = streamOf(input);
    ASSERT_NE(in, nullptr);
    char name[256];
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_STREQ(name, "a");
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_STREQ(name, "b");
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_EQ(strlen(name), 255u);
    EXPECT_EQ(readToken(in, name, sizeof name), READ_OK); EXPECT_EQ(strlen(name), 45u);
    EXPECT_EQ(readToken(in, name, sizeof name), READ_END);
    fclose(in);
}

}  // namespace
