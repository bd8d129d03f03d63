// The size and save dialogues, with answers read by the rules of the
// runtime's formatted scan ("%d", "%255s") but without its undefined
// behaviour on numbers out of range.
#include "app/console_dialogue.h"

#include <cstring>
#include <ctime>

#include "app/console_texts.h"
#include "maze/maze_generator.h"
#include "output/bitmap_file.h"
#include "output/save_file.h"
#include "output/text_file.h"
#include "platform/platform.h"
#include "platform/progress.h"

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

MazeStatus askMazeSize(const uint32_t *seed) {
    // An answer that is not a number leaves its size at -1, which set-up
    // rejects; the height is asked first.
    showText(HEIGHT_PROMPT);
    readNumber(stdin, &maze.mazeHeight);
    showText(WIDTH_PROMPT);
    readNumber(stdin, &maze.mazeWidth);
    return setUpMaze(seed ? *seed : (uint32_t)time(nullptr));
}

MazeStatus generateMaze() {
    showText(COMPUTING_TEXT);
    beginProgress(maze.cellCount - 1);
    MazeStatus status = carveMaze();
    endProgress();
    if (status != MAZE_OK) return status;
    showText(COMPUTED_TEXT);
    return MAZE_OK;
}

MazeStatus saveMaze() {
    char filename[FILENAME_BUFFER_SIZE];
    memset(filename, 0, sizeof filename);
    int32_t menuChoice = 0;

    showText(FILENAME_PROMPT);
    if (readToken(stdin, filename, sizeof filename) == READ_END) return MAZE_INPUT_ENDED;

    for (;;) {
        showText(FORMAT_MENU);
        ReadResult read = readNumber(stdin, &menuChoice);
        if (read == READ_END) return MAZE_INPUT_ENDED;
        // Drop an unreadable token so the menu cannot repeat forever;
        // menuChoice then keeps its earlier, invalid value.
        if (read == READ_NOT_NUMBER) skipTokenRest(stdin);
        switch (menuChoice) {
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
            showText(INVALID_CHOICE);
        }
    }
}
