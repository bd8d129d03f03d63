// The calls that differ between operating systems, behind one interface:
// the rest of the program has one code path. Each system has its own
// source file (platform_posix.cpp, platform_windows.cpp), chosen by the
// build.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#include <cstdint>

#include "maze/maze_state.h"

struct SaveFile;

// Bytes of memory this process may still take: the smallest of what the
// machine has available and the limits the process runs under.
uint64_t availableMemoryBytes();

// Shows `text` (Shift_JIS bytes, lines ended by '\n') on standard output at
// once and whole, so that no two-byte character is split between writes.
void showText(const char *text);

// True when standard error is a terminal that a progress line can be
// drawn on and cleared from.
bool standardErrorIsTerminal();

// Milliseconds from a fixed moment, never going back.
uint64_t monotonicMilliseconds();

// Makes an interruption (Ctrl-C, a closed terminal, a request to end) while
// a file is being saved remove its temporary file before the process ends
// by it, and makes a write beyond the file-size limit fail like any other.
void prepareInterrupts();

// Opens file->stream for writing what file->finalName leads to, deciding
// whether it is written under a temporary name or in place. Returns MAZE_OK
// or MAZE_CANNOT_CREATE, leaving nothing behind on failure.
MazeStatus openTargetFile(SaveFile *file);

// Syncs and closes file->stream (its data flushed; `written` false when a
// write failed) and puts the file in place. Returns MAZE_OK,
// MAZE_CANNOT_WRITE or MAZE_CANNOT_CREATE; on failure the temporary file is
// removed.
MazeStatus commitTargetFile(SaveFile *file, bool written);

// Closes file->stream and removes the temporary file, if any.
void abandonTargetFile(SaveFile *file);

#endif
