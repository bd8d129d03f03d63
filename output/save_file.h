// Safe saving. A file that can be replaced whole is written under a
// temporary name beside it and renamed over it only once it is complete, so
// it is either replaced whole or left as it was; it keeps the permissions
// (and, where the process may set them, the owner and group) of the file it
// replaces. A name that is a symbolic link saves to what the link points
// to. A file that a rename would cut from its other names (more than one
// hard link, a FIFO, a device) is written in place through its name, as are
// files whose folder takes no new file or whose owner a replacement could
// not keep.
#ifndef OUTPUT_SAVE_FILE_H
#define OUTPUT_SAVE_FILE_H

#include <cstddef>
#include <cstdio>

#include "maze/maze_state.h"

// Bytes of the buffer a typed file name is read into: up to 255 bytes and
// the terminating zero.
const size_t FILENAME_BUFFER_SIZE = 256;
// Room for a typed name, the longest extension and the zero byte.
const size_t SAVE_NAME_SIZE = FILENAME_BUFFER_SIZE + 8;
// Room for a path the name leads to after following links.
const size_t TARGET_PATH_SIZE = 4096;

// An output file being written.
struct SaveFile {
    FILE *stream;                     // open on the file being written
    bool inPlace;                     // written straight through the name
    int folder;                       // the target's folder, open, where the
                                      // system works relative to folders; else -1
    char finalName[SAVE_NAME_SIZE];   // typed name plus extension
    char target[TARGET_PATH_SIZE];    // the file the name leads to: its name
                                      // within `folder`, or its whole path
    char tempName[TARGET_PATH_SIZE];  // temporary file beside it, as `target`;
                                      // "" when there is none
};

// Opens `file` for writing the typed `filename` plus `extension`. Returns
// MAZE_OK, or MAZE_CANNOT_CREATE (nothing is left on disk and an existing
// file is untouched) when the name is too long for its folder, the folder
// cannot take a new file, or an existing file may not be written.
MazeStatus openSaveFile(SaveFile *file, const char *filename, const char *extension);

// Writes `size` bytes of `data` to `file`; returns false on a write error.
bool writeSaveFile(SaveFile *file, const void *data, size_t size);

// Flushes `file` to the disk and closes it, then puts it in place of its
// final name. Returns MAZE_OK, MAZE_CANNOT_WRITE on a write, flush, sync or
// close error, or MAZE_CANNOT_CREATE when the rename fails; on failure the
// temporary file is removed and the final name is untouched (a file written
// in place keeps what was written).
MazeStatus commitSaveFile(SaveFile *file);

// Closes `file` and removes its temporary file, after a failed write.
void abandonSaveFile(SaveFile *file);

#endif
