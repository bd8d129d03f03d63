// The console streams: texts to standard output and standard error. The
// dialogue's texts are shown on a terminal in its own encoding and sent to
// a file or a pipe as the program's Shift_JIS bytes, which scripts read;
// the program's own additions (the usage, option errors, --help, reports)
// are written in the locale's encoding wherever they go.
#ifndef PLATFORM_CONSOLE_H
#define PLATFORM_CONSOLE_H

// Opens the null device onto each of the three standard streams that the
// process was started without, so that no file it opens later takes one's
// place and receives console texts (on POSIX a descriptor; on Windows the
// runtime's stream, whose descriptor would otherwise be given to the next
// file the runtime opens). Standard output and error are opened for
// reading only, so that a write to them still fails and can be told.
// Called first thing; false when a missing stream could not be given the
// null device, so that a file opened later could take its place.
bool protectStandardStreams();

// Shows `text` (Shift_JIS bytes, lines ended by '\n') on standard output at
// once and whole, so that no two-byte character is split between writes.
// A terminal gets it in its own encoding; a file or a pipe gets the bytes.
void showText(const char *text);

// Shows `text` on standard error as showText does on standard output.
void showErrorText(const char *text);

// Shows `text` (Shift_JIS bytes, as for showText), one of the program's
// own additions, on standard output at once and whole: on POSIX in the
// codeset of the locale (LC_ALL, LC_CTYPE, LANG; UTF-8 in the C and POSIX
// locales) whether the stream is a terminal, a pipe or a file, each
// character the codeset lacks as '?'; on Windows as showText.
void showOwnText(const char *text);

// Shows `text` on standard error as showOwnText does on standard output.
void showOwnErrorText(const char *text);

// True when standard error is a terminal that a progress line can be
// drawn on and cleared from.
bool standardErrorIsTerminal();

#endif
