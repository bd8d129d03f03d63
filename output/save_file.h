// Safe saving: an output file is written under a temporary name in its
// own folder and renamed over the final name only once it is complete, so
// an existing file is either replaced whole or left as it was.
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
// Room for the folder of a typed name and the temporary file's own name.
const size_t TEMP_NAME_SIZE = FILENAME_BUFFER_SIZE + 16;

// An output file being written.
struct SaveFile {
    FILE *stream;                  // open on tempName while being written
    char finalName[SAVE_NAME_SIZE];// typed name plus extension
    char tempName[TEMP_NAME_SIZE]; // hidden temporary beside finalName
};

// Opens `file` for writing the typed `filename` plus `extension`. Returns
// MAZE_OK, or MAZE_CANNOT_CREATE (nothing is left on disk) when the name is
// too long for its folder or the folder cannot take a new file.
MazeStatus openSaveFile(SaveFile *file, const char *filename, const char *extension);

// Writes `size` bytes of `data` to `file`; returns false on a write error.
bool writeSaveFile(SaveFile *file, const void *data, size_t size);

// Flushes, syncs and closes `file`, then renames it over its final name.
// Returns MAZE_OK, MAZE_CANNOT_WRITE on a write, flush or close error, or
// MAZE_CANNOT_CREATE when the rename fails; on failure the temporary file
// is removed and the final name is untouched.
MazeStatus commitSaveFile(SaveFile *file);

// Closes and removes the temporary file of `file`, after a failed write.
void abandonSaveFile(SaveFile *file);

#endif
