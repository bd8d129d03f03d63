// The console on Windows: a console gets the texts as characters
// (WriteConsoleW), a file or a pipe the Shift_JIS bytes.
#include "platform/console.h"

#include <windows.h>

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Code page of the program's texts: Shift_JIS as Windows has it.
static const UINT TEXT_CODE_PAGE = 932;

// Writes `text` to `console` in one write, as characters converted from
// code page 932 with CR LF line ends, so that a console of any code page
// shows it as Japanese; false when it is not a console, the text does not
// convert or there is no memory for its characters. A text of any length
// is written whole: its characters are at most one a byte, and a CR goes
// before each line end.
static bool writeToConsole(HANDLE console, const char *text) {
    DWORD mode;
    if (!GetConsoleMode(console, &mode)) return false;
    size_t bytes = strlen(text) + 1;
    WCHAR *wide = (WCHAR *)malloc(3 * bytes * sizeof(WCHAR));
    if (!wide) return false;
    WCHAR *lines = wide + bytes;
    int length = MultiByteToWideChar(TEXT_CODE_PAGE, MB_ERR_INVALID_CHARS, text, -1, wide, (int)bytes);
    bool shown = false;
    if (length > 0) {
        DWORD used = 0;
        for (int i = 0; i + 1 < length; i++) {
            if (wide[i] == L'\n') lines[used++] = L'\r';
            lines[used++] = wide[i];
        }
        DWORD written;
        shown = WriteConsoleW(console, lines, used, &written, nullptr) != 0;
    }
    free(wide);
    return shown;
}

// Shows `text` on the console behind `handle`, or else, for a file or a
// pipe, through the runtime's text stream `file`: the Shift_JIS bytes with
// CR LF line ends.
static void showOn(DWORD handle, FILE *file, const char *text) {
    fflush(file);
    if (writeToConsole(GetStdHandle(handle), text)) return;
    fputs(text, file);
    fflush(file);
}

// The null device of Windows.
static const char NULL_DEVICE[] = "NUL";

bool protectStandardStreams() {
    // A stream the process was started without has no descriptor, or one
    // with no handle behind it.
    bool guarded = true;
    FILE *streams[] = {stdin, stdout, stderr};
    for (FILE *stream : streams) {
        int fd = _fileno(stream);
        if (fd >= 0 && _get_osfhandle(fd) != (intptr_t)INVALID_HANDLE_VALUE) continue;
        guarded &= freopen(NULL_DEVICE, stream == stdin ? "w" : "r", stream) != nullptr;
    }
    return guarded;
}

void showText(const char *text) {
    showOn(STD_OUTPUT_HANDLE, stdout, text);
}

void showErrorText(const char *text) {
    showOn(STD_ERROR_HANDLE, stderr, text);
}

void showOwnText(const char *text) {
    showText(text);
}

void showOwnErrorText(const char *text) {
    showErrorText(text);
}

bool standardErrorIsTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
