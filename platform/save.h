// The file of a save and the interruptions that must reach it: the
// primitives a save is made of (find the target, create a temporary file
// beside it, unnamed where the system can, keep the old file's attributes,
// write, sync, replace, remove).
//
// One file is saved at a time. The platform holds it from openSaveTarget
// to closeSaveTarget: the name it goes to (the target), the file being
// written, and the temporary file beside the target while there is one; an
// interruption removes a named one, and an unnamed one goes with the
// process whatever ends it.
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

// Creates the new, empty file being written in the target's folder without
// a name, where the system can (Linux, O_TMPFILE), so that whatever ends
// the process before the file is complete leaves nothing behind; it gets
// a name only once it is complete (replaceSaveTarget, nameSaveTemporary).
// SYS_FAILED for a lack of room, a quota or a disk error; any other
// failure (SYS_UNSUPPORTED where the folder's file system takes no unnamed
// file) means a named temporary file is to be made instead.
SysResult createUnnamedTemporary();

// Creates the new, empty file `leafName` in the target's folder and makes
// it the file being written, to be renamed over the target later; an
// interruption removes it from now on. SYS_EXISTS when the name is taken,
// SYS_DENIED when the folder takes no new file from this process.
SysResult createSaveTemporary(const char *leafName);

// Gives the temporary file what the existing target has beyond its bytes
// and beyond its mode (owner, extended attributes), to learn before the
// first byte whether the replacement can keep them: SYS_DENIED or
// SYS_UNSUPPORTED when it cannot, SYS_FAILED on any other error. The mode
// comes last, once the data is written (finishSaveData).
SysResult keepTargetAttributes();

// Opens the existing target itself for writing, emptied.
SysResult openTargetInPlace();

// Writes all `size` bytes of `data` to the file being written.
SysResult writeSaveData(const void *data, size_t size);

// Ends the writing: a replacement gets the old file's owner, extended
// attributes and last its mode again (the system strips set-user-ID and
// set-group-ID bits and file capabilities from a file being written), then
// the file is flushed to the disk. A file written in place is closed; a
// temporary one stays open until replaceSaveTarget. SYS_FAILED when any of
// it fails.
SysResult finishSaveData();

// Puts the complete temporary file in place of the target and makes that
// last (the folder's sync). A named one is renamed over the target; an
// unnamed one is linked straight to the target's name when no file had it,
// and otherwise, or when one has it by now, SYS_EXISTS: it must get a
// hidden name first (nameSaveTemporary), then be renamed. SYS_DENIED when
// the link or the rename fails (the temporary file stays), SYS_FAILED when
// the folder's sync fails after it.
SysResult replaceSaveTarget();

// Gives the complete unnamed file being written the hidden name `leafName`
// in the target's folder, as a named temporary file that an interruption
// removes. SYS_EXISTS when the name is taken.
SysResult nameSaveTemporary(const char *leafName);

// Removes the temporary file, if any, closing it first when it is still the
// file being written; an interruption no longer needs to.
void removeSaveTemporary();

// Closes whatever of the save is still open (the file, its folder).
void closeSaveTarget();

// True while the file being saved is a temporary one, named or not, that
// replaceSaveTarget is to put in place of the target.
bool saveTemporaryPending();

#endif
