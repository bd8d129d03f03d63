// The size and save dialogues, with answers read by the rules of the
// runtime's formatted scan ("%d", "%255s") but without its undefined
// behaviour on numbers out of range.
#include "app/console_dialogue.h"

#include <cstring>

#include "output/bitmap_file.h"
#include "output/save_file.h"
#include "output/text_file.h"
#include "platform/platform.h"

// 迷路の縦幅を入力してください:
static const char HEIGHT_PROMPT[] =
    "\x96\xc0\x98H\x82\xcc\x8f" "c\x95\x9d\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2:";
// 迷路の横幅を入力してください:
static const char WIDTH_PROMPT[] =
    "\x96\xc0\x98H\x82\xcc\x89\xa1\x95\x9d\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2:";
// 保存するファイル名を入力してください。
static const char FILENAME_PROMPT[] =
    "\x95\xdb\x91\xb6\x82\xb7\x82\xe9\x83t\x83@\x83" "C\x83\x8b\x96\xbc\x82\xf0\x93\xfc\x97\xcd"
    "\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81" "B\n";
// 保存する形式を選択してください。
// １→テキストデータに保存
// ２→画像データで保存
// ３→テキストデータと画像データで保存
static const char FORMAT_MENU[] =
    "\x95\xdb\x91\xb6\x82\xb7\x82\xe9\x8c`\x8e\xae\x82\xf0\x91I\x91\xf0\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2\x81" "B\n"
    "\x82P\x81\xa8\x83" "e\x83L\x83X\x83g\x83" "f\x81[\x83^\x82\xc9\x95\xdb\x91\xb6\n"
    "\x82Q\x81\xa8\x89\xe6\x91\x9c\x83" "f\x81[\x83^\x82\xc5\x95\xdb\x91\xb6\n"
    "\x82R\x81\xa8\x83" "e\x83L\x83X\x83g\x83" "f\x81[\x83^\x82\xc6\x89\xe6\x91\x9c\x83" "f\x81["
    "\x83^\x82\xc5\x95\xdb\x91\xb6\n";
// 指定された値を入力してください
static const char INVALID_CHOICE[] =
    "\x8ew\x92\xe8\x82\xb3\x82\xea\x82\xbd\x92l\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2\n";

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

// Shows `text` at once, before the program waits for the next answer.
static void prompt(const char *text) {
    showText(text);
}

MazeStatus askMazeSize() {
    // An answer that is not a number leaves its size at -1, which set-up
    // rejects; the height is asked first.
    prompt(HEIGHT_PROMPT);
    readNumber(stdin, &maze.mazeHeight);
    prompt(WIDTH_PROMPT);
    readNumber(stdin, &maze.mazeWidth);
    return setUpMaze();
}

MazeStatus saveMaze() {
    char filename[FILENAME_BUFFER_SIZE];
    memset(filename, 0, sizeof filename);
    int32_t saveFlag = 0;

    prompt(FILENAME_PROMPT);
    if (readToken(stdin, filename, sizeof filename) == READ_END) return MAZE_INPUT_ENDED;

    for (;;) {
        prompt(FORMAT_MENU);
        ReadResult read = readNumber(stdin, &saveFlag);
        if (read == READ_END) return MAZE_INPUT_ENDED;
        // Drop an unreadable token so the menu cannot repeat forever;
        // saveFlag then keeps its earlier, invalid value.
        if (read == READ_NOT_NUMBER) skipTokenRest(stdin);
        switch (saveFlag) {
        case 1:
            return saveText(filename);
        case 2:
            return saveBitmap(filename);
        case 3: {
            MazeStatus status = saveText(filename);
            if (status != MAZE_OK) return status;
            return saveBitmap(filename);
        }
        default:
            prompt(INVALID_CHOICE);
        }
    }
}
