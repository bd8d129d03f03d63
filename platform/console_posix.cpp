// The console through POSIX calls: a terminal gets the texts converted
// (iconv) to the codeset of its locale, each character it cannot show as
// '?', and a file or a pipe the bytes; the program's own additions are
// converted wherever they go.
#include "platform/console.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>

// Code page of the program's texts; a terminal whose codeset is one of
// these takes the bytes as they are (the texts are ASCII and JIS X 0208,
// the same in each).
static const char TEXT_CODESET[] = "CP932";
static const char *const SHIFT_JIS_CODESETS[] = {"CP932", "SHIFT_JIS", "SHIFT-JIS", "SJIS",
                                                 "WINDOWS-31J", "MS932", "MS_KANJI"};
// The codeset taken for a terminal in the C or POSIX locale.
static const char DEFAULT_TERMINAL_CODESET[] = "UTF-8";
// No conversion from the texts' code page to the terminal's codeset.
static const iconv_t NO_CONVERTER = (iconv_t)-1;
// Room for the converted text: a longer text goes out in pieces, each of
// whole characters, and the room a piece keeps for one more character with
// a stateful codeset's shift sequences.
static const size_t TERMINAL_TEXT_ROOM = 16384;
static const size_t TERMINAL_CHARACTER_ROOM = 16;
// What a terminal shows for a character its codeset lacks.
static const char UNSHOWABLE = '?';
// Bytes below this are ASCII, the same in every codeset; the Shift_JIS
// bytes that begin a two-byte character lie in these two ranges.
static const unsigned char ASCII_END = 0x80;
static const unsigned char LEAD_FIRST_LOW = 0x81, LEAD_FIRST_HIGH = 0x9F;
static const unsigned char LEAD_SECOND_LOW = 0xE0, LEAD_SECOND_HIGH = 0xFC;

// How texts reach a console stream, decided at its first text.
struct ConsoleStream {
    bool decided;        // the fields below are set
    bool asBytes;        // the text's own bytes: not a terminal, or a Shift_JIS one
    iconv_t converter;   // otherwise from TEXT_CODESET to the terminal's codeset,
                         // or NO_CONVERTER when the system has none: then ASCII
                         // only, and UNSHOWABLE for every other character
};
static ConsoleStream outputStream = {false, true, NO_CONVERTER};  // standard output
static ConsoleStream errorStream = {false, true, NO_CONVERTER};   // standard error
// The same streams for the program's own additions, which are converted
// whether or not the stream is a terminal.
static ConsoleStream ownOutputStream = {false, true, NO_CONVERTER};
static ConsoleStream ownErrorStream = {false, true, NO_CONVERTER};

// The converted text of a terminal, or a piece of it.
static char terminalText[TERMINAL_TEXT_ROOM];

// When the locale's codeset is not Shift_JIS, and `fd` is a terminal or
// `anyStream` holds, prepares in `stream` the conversion of texts to that
// codeset.
static void decideConsole(ConsoleStream *stream, int fd, bool anyStream) {
    stream->decided = true;
    if (!anyStream && isatty(fd) != 1) return;
    const char *locale = setlocale(LC_CTYPE, "");
    const char *codeset = nl_langinfo(CODESET);
    if (!locale || strcmp(locale, "C") == 0 || strcmp(locale, "POSIX") == 0)
        codeset = DEFAULT_TERMINAL_CODESET;
    for (const char *same : SHIFT_JIS_CODESETS)
        if (strcasecmp(codeset, same) == 0) return;
    stream->asBytes = false;
    stream->converter = iconv_open(codeset, TEXT_CODESET);
}

// True when the Shift_JIS byte `byte` begins a two-byte character.
static bool isLeadByte(unsigned char byte) {
    return (byte >= LEAD_FIRST_LOW && byte <= LEAD_FIRST_HIGH) ||
           (byte >= LEAD_SECOND_LOW && byte <= LEAD_SECOND_HIGH);
}

// Shows `text` (`length` bytes) on `file`, a terminal, converted with
// `converter` character by character: a character that the terminal's
// codeset lacks (without a converter, any but ASCII) is shown as
// UNSHOWABLE, so that no byte of another encoding ever reaches it. One
// write for the whole text, unless it outgrows TERMINAL_TEXT_ROOM.
static void showConverted(iconv_t converter, FILE *file, const char *text, size_t length) {
    char *in = (char *)text, *next = terminalText;
    size_t inLeft = length, outLeft = sizeof terminalText;
    if (converter != NO_CONVERTER) iconv(converter, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (outLeft < TERMINAL_CHARACTER_ROOM) {
            fwrite(terminalText, 1, (size_t)(next - terminalText), file);
            next = terminalText;
            outLeft = sizeof terminalText;
        }
        if (converter != NO_CONVERTER) {
            // It stops at the end, for want of room, or at a character it
            // cannot convert, which then leaves the shift state as at start.
            if (iconv(converter, &in, &inLeft, &next, &outLeft) != (size_t)-1 || inLeft == 0 ||
                outLeft < TERMINAL_CHARACTER_ROOM)
                continue;
            iconv(converter, nullptr, nullptr, &next, &outLeft);
        }
        unsigned char byte = (unsigned char)*in;
        size_t width = isLeadByte(byte) && inLeft > 1 ? 2 : 1;
        *next++ = converter == NO_CONVERTER && byte < ASCII_END ? (char)byte : UNSHOWABLE;
        outLeft--;
        in += width;
        inLeft -= width;
    }
    if (converter != NO_CONVERTER) iconv(converter, nullptr, nullptr, &next, &outLeft);
    fwrite(terminalText, 1, (size_t)(next - terminalText), file);
}

// Shows `text` on `file` (descriptor `fd`), converted for a terminal or,
// with `anyStream`, for the locale wherever it goes.
static void showOn(ConsoleStream *stream, FILE *file, int fd, const char *text,
                   bool anyStream = false) {
    if (!stream->decided) decideConsole(stream, fd, anyStream);
    // One write for the whole text: the stream's buffer holds more than
    // any text, and a longer block goes out whole.
    if (stream->asBytes) fwrite(text, 1, strlen(text), file);
    else showConverted(stream->converter, file, text, strlen(text));
    fflush(file);
}

// The null device, opened onto a standard stream the process lacks.
static const char NULL_DEVICE[] = "/dev/null";

bool protectStandardStreams() {
    // open() takes the lowest free descriptor: the missing stream's own,
    // as the ones below it are open by then.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
        if (fcntl(fd, F_GETFD) >= 0) continue;
        if (open(NULL_DEVICE, fd == STDIN_FILENO ? O_WRONLY : O_RDONLY) != fd) return false;
    }
    return true;
}

void showText(const char *text) {
    showOn(&outputStream, stdout, STDOUT_FILENO, text);
}

void showErrorText(const char *text) {
    showOn(&errorStream, stderr, STDERR_FILENO, text);
}

void showOwnText(const char *text) {
    showOn(&ownOutputStream, stdout, STDOUT_FILENO, text, true);
}

void showOwnErrorText(const char *text) {
    showOn(&ownErrorStream, stderr, STDERR_FILENO, text, true);
}

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
