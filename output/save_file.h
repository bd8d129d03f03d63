// Safe saving, the same on every system: each file a run saves goes
// through the platform's save (platform/save.h), which replaces a file
// whole or leaves it as it was, keeps what the old file had beyond its
// bytes, follows links as the system follows them and writes in place,
// locked, only a file that a rename would cut from its other names or
// could not reach, one whose folder takes no new file from this process
// or whose attributes a replacement could not keep. One file is saved at
// a time, with its progress line.
#ifndef OUTPUT_SAVE_FILE_H
#define OUTPUT_SAVE_FILE_H

#include <cstddef>
#include <cstdint>

#include "platform/run_status.h"

// The most bytes of a typed file name, and of the buffer it is read into
// with its terminating zero.
const size_t LONGEST_NAME = 255;
const size_t FILENAME_BUFFER_SIZE = LONGEST_NAME + 1;
// Bytes of the longest ending a file name is given ("-solution.bmp").
const size_t LONGEST_EXTENSION = 16;

// Checks, before any file of a run is touched, that the typed `filename`
// plus each of the `count` endings in `endings` (each at most
// LONGEST_EXTENSION bytes: ".txt", "-solution.bmp" and the like, every
// name the run will save) is a name short enough for its folder. RUN_OK,
// or RUN_CANNOT_CREATE for the first that is too long.
RunStatus checkSaveNames(const char *filename, const char *const *endings, size_t count);

// Starts saving the typed `filename` plus `extension` (at most
// LONGEST_EXTENSION bytes) and the progress line of a step of
// `progressTotal` units. Returns RUN_OK, or RUN_CANNOT_CREATE (nothing is
// left on disk and an existing file is untouched) when the name is too long
// for its folder, leads nowhere the system follows, the folder cannot take a
// new file (for want of permission, space or a quota), or an existing file
// may not be written.
RunStatus openSaveFile(const char *filename, const char *extension, uint64_t progressTotal);

// Writes `size` bytes of `data` to the file being saved; returns false on a
// write error.
bool writeSaveFile(const void *data, size_t size);

// Ends the save under way and its progress line. When everything was
// `written`, flushes the file to the disk and puts it in place of its
// final name: RUN_OK, RUN_CANNOT_WRITE on an error giving the old file's
// attributes, syncing, closing or a disk error naming it, or
// RUN_CANNOT_CREATE when the system refuses the link or the rename to that
// name. Otherwise RUN_CANNOT_WRITE.
// On failure the temporary file is removed and the final name is untouched
// (a file written in place keeps what was written), except that a folder
// whose sync fails after the rename (RUN_CANNOT_WRITE) holds the new file,
// and that on Windows a replacement whose old file is gone but whose move
// to the name failed stays under its hidden name (commitSave).
RunStatus finishSaveFile(bool written);

#endif
