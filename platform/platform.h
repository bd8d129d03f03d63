// The calls that differ between operating systems, behind one interface:
// the floors above have one code path. Each system has its own source file
// (platform_posix.cpp, platform_windows.cpp), chosen by the build. This
// floor knows nothing of mazes: it offers memory figures, the console, a
// clock, interruptions and the file primitives a save is made of.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>

/* Memory */

// Bytes of memory this process may still take: the smallest of what the
// machine has available and the limits the process runs under.
uint64_t availableMemoryBytes();

/* Console and clock */

// Shows `text` (Shift_JIS bytes, lines ended by '\n') on standard output at
// once and whole, so that no two-byte character is split between writes.
// A terminal gets it in its own encoding; a file or a pipe gets the bytes.
void showText(const char *text);

// Shows `text` on standard error as showText does on standard output.
void showErrorText(const char *text);

// True when standard error is a terminal that a progress line can be
// drawn on and cleared from.
bool standardErrorIsTerminal();

// Milliseconds from a fixed moment, never going back.
uint64_t monotonicMilliseconds();

// A number that differs between two runs started in the same millisecond
// (the process's identity and the clock), to seed names with.
uint64_t uniqueSeed();

/* Interruptions */

// Makes an interruption (Ctrl-C, a closed terminal, a request to end) while
// a file is being saved remove its temporary file before the process ends
// by it, and makes a write beyond the file-size limit fail like any other.
void prepareInterrupts();

/* The file of a save

   One file is saved at a time. The platform holds it from
   openSaveTarget to closeSaveTarget: the name it goes to (the target),
   the file being written, and the temporary file beside the target while
   there is one, which an interruption removes. */

// How a call to the system ended.
enum SysResult {
    SYS_DONE,     // it was done
    SYS_EXISTS,   // a file of that name is already there
    SYS_DENIED,   // the system does not allow it here: permissions, a
                   // read-only file system, a name it cannot take
    SYS_FAILED,   // anything else: no space, a quota, an input/output error
};

// What is at the target, once links are followed as the system follows them.
struct SaveTargetFacts {
    bool exists;       // something is there
    bool isFolder;     // it is a folder
    bool writable;     // this process may write to it
    bool replaceable;  // a file that a new one renamed over it would stand
                       // for whole: a plain file with no other name
};

// Finds the file that `name` leads to and opens its folder; fills `facts`.
// SYS_DENIED when the name leads nowhere usable (a missing folder, a name
// too long, a loop of links).
SysResult openSaveTarget(const char *name, SaveTargetFacts *facts);

// Creates the new, empty file `leafName` in the target's folder and makes
// it the file being written, to be renamed over the target later; an
// interruption removes it from now on. SYS_EXISTS when the name is taken.
SysResult createSaveTemporary(const char *leafName);

// Gives the temporary file what the existing target has beyond its bytes
// (permissions, owner), so that the replacement changes only the content.
// SYS_DENIED when that cannot be kept.
SysResult keepTargetAttributes();

// Opens the existing target itself for writing, emptied.
SysResult openTargetInPlace();

// Writes all `size` bytes of `data` to the file being written.
SysResult writeSaveData(const void *data, size_t size);

// Flushes the file being written to the disk and closes it.
SysResult finishSaveData();

// Renames the temporary file over the target and makes the rename last.
// SYS_DENIED when the rename fails (the temporary file stays).
SysResult replaceSaveTarget();

// Removes the temporary file, if any, closing it first when it is still the
// file being written; an interruption no longer needs to.
void removeSaveTemporary();

// Closes whatever of the save is still open (the file, its folder).
void closeSaveTarget();

// True while a temporary file exists that an interruption would remove.
bool saveTemporaryPending();

#endif
