// The file of a save and the interruptions that must reach it: the
// primitives a save is made of (find the target, create a temporary file
// beside it, keep the old file's attributes, write, sync, replace, remove).
//
// One file is saved at a time. The platform holds it from openSaveTarget
// to closeSaveTarget: the name it goes to (the target), the file being
// written, and the temporary file beside the target while there is one,
// which an interruption removes.
#ifndef PLATFORM_SAVE_H
#define PLATFORM_SAVE_H

#include <cstddef>

#include "platform/sys_result.h"

// Room for a path a save goes to, or for the temporary file beside it.
const size_t SAVE_PATH_SIZE = 4096;

// What is at the target, once links are followed as the system follows them.
struct SaveTargetFacts {
    bool exists;       // something is there
    bool isFolder;     // it is a folder
    bool writable;     // this process may write to it
    bool replaceable;  // a file that a new one renamed over it would stand
                       // for whole: a plain file with no other name
};

// Makes an interruption (Ctrl-C, a closed terminal, a request to end) while
// a file is being saved remove its temporary file before the process ends
// by it, and makes a write beyond the file-size limit fail like any other.
void prepareInterrupts();

// Finds the file that `name` leads to and opens its folder; fills `facts`.
// SYS_UNREACHABLE or SYS_DENIED when the name leads nowhere usable (a
// missing folder, a name too long, a loop of links, a link the system
// refuses to follow).
SysResult openSaveTarget(const char *name, SaveTargetFacts *facts);

// Creates the new, empty file `leafName` in the target's folder and makes
// it the file being written, to be renamed over the target later; an
// interruption removes it from now on. SYS_EXISTS when the name is taken,
// SYS_DENIED when the folder takes no new file from this process.
SysResult createSaveTemporary(const char *leafName);

// Gives the temporary file what the existing target has beyond its bytes
// (owner, extended attributes, permissions), so that the replacement
// changes only the content. SYS_DENIED or SYS_UNSUPPORTED when that cannot
// be kept.
SysResult keepTargetAttributes();

// Opens the existing target itself for writing, emptied.
SysResult openTargetInPlace();

// Writes all `size` bytes of `data` to the file being written.
SysResult writeSaveData(const void *data, size_t size);

// Flushes the file being written to the disk and closes it.
SysResult finishSaveData();

// Renames the temporary file over the target and makes the rename last.
// SYS_DENIED when the rename fails (the temporary file stays), SYS_FAILED
// when the folder's sync fails after it.
SysResult replaceSaveTarget();

// Removes the temporary file, if any, closing it first when it is still the
// file being written; an interruption no longer needs to.
void removeSaveTemporary();

// Closes whatever of the save is still open (the file, its folder).
void closeSaveTarget();

// True while a temporary file exists that an interruption would remove.
bool saveTemporaryPending();

#endif
