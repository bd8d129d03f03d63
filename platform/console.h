// The console streams: texts to standard output and standard error, shown
// on a terminal in its own encoding and sent to a file or a pipe as the
// program's Shift_JIS bytes.
#ifndef PLATFORM_CONSOLE_H
#define PLATFORM_CONSOLE_H

// Opens the null device onto each of the three standard streams that the
// process was started without, so that no file it opens later takes one's
// place and receives console texts. Standard output and error are opened
// for reading only, so that a write to them still fails and can be told.
// Called first thing.
void protectStandardStreams();

// Shows `text` (Shift_JIS bytes, lines ended by '\n') on standard output at
// once and whole, so that no two-byte character is split between writes.
// A terminal gets it in its own encoding; a file or a pipe gets the bytes.
void showText(const char *text);

// Shows `text` on standard error as showText does on standard output.
void showErrorText(const char *text);

// True when standard error is a terminal that a progress line can be
// drawn on and cleared from.
bool standardErrorIsTerminal();

#endif
