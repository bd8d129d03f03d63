// The console through POSIX calls: a terminal gets the texts converted
// (iconv) to the codeset of its locale, a file or a pipe the bytes.
#include "platform/console.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Code page of the program's texts; a terminal whose codeset is one of
// these takes the bytes as they are (the texts are ASCII and JIS X 0208,
// the same in each).
static const char TEXT_CODESET[] = "CP932";
static const char *const SHIFT_JIS_CODESETS[] = {"CP932", "SHIFT_JIS", "SHIFT-JIS", "SJIS",
                                                 "WINDOWS-31J", "MS932", "MS_KANJI"};
// The codeset taken for a terminal in the C or POSIX locale.
static const char DEFAULT_TERMINAL_CODESET[] = "UTF-8";
// Bytes a codeset takes for one byte of a text at the most (a Shift_JIS
// byte becomes at most 3 in UTF-8), and room for a stateful codeset's
// shift sequences.
static const size_t TERMINAL_BYTES_PER_TEXT_BYTE = 4;
static const size_t TERMINAL_SHIFT_ROOM = 16;

// How texts reach a console stream, decided at its first text.
struct ConsoleStream {
    bool decided;        // `converter` is set
    iconv_t converter;   // from TEXT_CODESET to the terminal's codeset; -1
                         // for the bytes as they are (not a terminal, or a
                         // Shift_JIS one)
};
static ConsoleStream outputStream = {false, (iconv_t)-1};  // standard output
static ConsoleStream errorStream = {false, (iconv_t)-1};   // standard error

// When `fd` is a terminal whose locale's codeset is not Shift_JIS,
// prepares in `stream` the conversion of texts to that codeset.
static void decideConsole(ConsoleStream *stream, int fd) {
    stream->decided = true;
    if (isatty(fd) != 1) return;
    const char *locale = setlocale(LC_CTYPE, "");
    const char *codeset = nl_langinfo(CODESET);
    if (!locale || strcmp(locale, "C") == 0 || strcmp(locale, "POSIX") == 0)
        codeset = DEFAULT_TERMINAL_CODESET;
    for (const char *same : SHIFT_JIS_CODESETS)
        if (strcasecmp(codeset, same) == 0) return;
    stream->converter = iconv_open(codeset, TEXT_CODESET);
}

// Converts `text` (`length` bytes) with `converter` into a buffer it
// allocates, `*converted` bytes long; null when it does not convert.
static char *convertForTerminal(iconv_t converter, const char *text, size_t length,
                                size_t *converted) {
    size_t room = length * TERMINAL_BYTES_PER_TEXT_BYTE + TERMINAL_SHIFT_ROOM;
    char *out = (char *)malloc(room);
    if (!out) return nullptr;
    char *in = (char *)text, *next = out;
    size_t inLeft = length, outLeft = room;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &in, &inLeft, &next, &outLeft) == (size_t)-1 ||
        iconv(converter, nullptr, nullptr, &next, &outLeft) == (size_t)-1) {
        free(out);
        return nullptr;
    }
    *converted = room - outLeft;
    return out;
}

// Shows `text` on `file` (descriptor `fd`), converted for a terminal.
static void showOn(ConsoleStream *stream, FILE *file, int fd, const char *text) {
    if (!stream->decided) decideConsole(stream, fd);
    size_t length = strlen(text), converted = 0;
    char *shown = stream->converter == (iconv_t)-1
                      ? nullptr
                      : convertForTerminal(stream->converter, text, length, &converted);
    // One write for the whole text: the stream's buffer holds more than
    // any text, and a longer block goes out whole.
    if (shown) fwrite(shown, 1, converted, file);
    else fwrite(text, 1, length, file);
    fflush(file);
    free(shown);
}

// The null device, opened onto a standard stream the process lacks.
static const char NULL_DEVICE[] = "/dev/null";

void protectStandardStreams() {
    // open() takes the lowest free descriptor: the missing stream's own,
    // as the ones below it are open by then.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++)
        if (fcntl(fd, F_GETFD) < 0) open(NULL_DEVICE, fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
}

void showText(const char *text) {
    showOn(&outputStream, stdout, STDOUT_FILENO, text);
}

void showErrorText(const char *text) {
    showOn(&errorStream, stderr, STDERR_FILENO, text);
}

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
