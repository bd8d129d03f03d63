// A save: one file written under a name so that the name ends up with the
// whole new file or keeps the old one. Each system's file (save_linux.cpp,
// save_windows.cpp) holds the whole sequence, as a lock file does:
//   begin   find the file the name leads to, decide whether it is replaced
//           or written in place, and make the temporary file beside it (or
//           open, lock and empty the file itself);
//   write   append bytes to the file being written;
//   commit  on Linux give a replacement the old file's owner, attributes
//           and mode, flush it to the disk, give it the name and flush the
//           folder; on Windows flush it to the disk and close it, then give
//           it the name, ReplaceFileA handing a replacement the old file's
//           security descriptor, attributes and streams as it does so;
//   abort   remove the temporary file, the old file untouched; a file
//           written in place keeps what was written since begin emptied it.
// The record of the save under way (SaveFile) is handed to each step; it
// keeps what the system answered to the call that failed, which decides
// the status a step returns. One file is saved at a time.
#ifndef PLATFORM_SAVE_H
#define PLATFORM_SAVE_H

#include <cstddef>

#include "platform/run_status.h"

// Room for a path a save goes to, or for the temporary file beside it.
const size_t SAVE_PATH_SIZE = 4096;

// The record of a save under way; its fields are each system's own.
struct SaveFile;

// Makes an interruption (Ctrl-C, a closed terminal, a request to end) while
// a file is being saved remove its temporary file before the process ends
// by it, and makes a write beyond the file-size limit fail like any other
// (Linux; Windows has no such limit).
void prepareInterrupts();

// True unless `name`'s last part is longer than its folder takes (on
// Linux the folder's own limit, where the folder opens; on Windows 255
// UTF-16 units), or the whole is longer than SAVE_PATH_SIZE: the length
// checked before any file of a run is touched. A folder that cannot be
// reached passes, for the save to tell.
bool saveNameFits(const char *name);

// Begins saving to `name`, leaving the record of the save in `*save`.
// Links are followed as the system follows them. A new name, or a file
// that a rename can replace whole (a plain file with one name), gets a
// temporary file beside it: on Linux unnamed where it can be, and for a
// replacement private (the process's own, 0600, no access list) until
// commitSave; on Windows under a hidden name, with what any new file in
// the folder gets. The file itself is written in place when a rename
// would cut it from its other names or could not reach it (more hard
// links, a device; on Linux also a FIFO, a mount point, a deleted file,
// a pipe or terminal behind a link), when its folder
// takes no new file from this process, or when a replacement could not be
// given its owner or attributes ("not permitted", "not supported"; on
// Linux only) or, on Windows, its whole path is longer than ReplaceFileA
// takes; a file on the disk is then locked (flock on Linux, LockFileEx on
// Windows; a second save waits for the first) and emptied. Returns RUN_OK,
// or RUN_CANNOT_CREATE with nothing left open and no file touched: a name
// too long or leading nowhere, a folder or a file that may not be written,
// no room or another error while making the temporary file or locking.
RunStatus beginSave(const char *name, SaveFile **save);

// Appends `size` bytes of `data` to the file being written: RUN_OK, or
// RUN_CANNOT_WRITE (then abortSave).
RunStatus writeSave(SaveFile *save, const void *data, size_t size);

// Ends the save with what was written. On Linux a replacement gets the
// old file's owner and group where they differ from its own, its extended
// attributes with its access list, then its mode; on Windows ReplaceFileA
// gives it the old file's security descriptor, attributes and streams. It
// is flushed to the disk and takes the name, and on Linux the folder is
// flushed. A file written in place is flushed and closed, which unlocks
// it. Returns RUN_OK; RUN_CANNOT_WRITE when giving the attributes, a
// flush or the close fails, or naming the file fails on a disk error or a
// full disk (the old file stays; after the folder's failed flush the new
// one is in place); RUN_CANNOT_CREATE when the system refuses the name
// (permission, a name busy or gone; the old file stays). Either way the
// save is over and no temporary file is left, but for one case on Windows:
// when ReplaceFileA took the old file away without moving the new one in
// and the MoveFileExA that finishes the move fails too, the new file, the
// only copy left, stays under its hidden ".mz-" name beside the target.
RunStatus commitSave(SaveFile *save);

// Ends the save without it: the temporary file is closed and removed, the
// old file untouched; a file written in place is closed, which unlocks
// it, and keeps what was written.
void abortSave(SaveFile *save);

#endif
