// Finding the file a save goes to on Linux: links followed as the kernel
// follows them (its checks, its depth, magic links), the folder that holds
// the target and whether a rename could stand for the file there.
#ifndef PLATFORM_SAVE_TARGET_LINUX_H
#define PLATFORM_SAVE_TARGET_LINUX_H

#include <sys/stat.h>

#include "platform/save.h"

// Where a save goes.
struct FoundTarget {
    int folder;                           // the target's folder, opened as a path (it
                                          // may not be readable); -1 when none, or the
                                          // target has no name there to replace
    int existing;                         // the existing target, opened as a path;
                                          // -1 when there is none
    char name[SAVE_PATH_SIZE];            // the target's name within `folder`
    char existingPath[SAVE_PATH_SIZE];    // a path to the existing target itself:
                                          // its descriptor's, or the name typed
    struct stat old;                      // the existing target, when there is one
};

// Finds the target of `name` into `target` (closed first) and fills
// `facts`. Returns openSaveTarget's results; on failure nothing stays open.
SysResult findSaveTarget(const char *name, FoundTarget *target, SaveTargetFacts *facts);

// Puts in `path` (SAVE_PATH_SIZE bytes) the name /proc gives the open file
// `fd`, which reaches the file itself even when it has no other name; false
// when that name leads nowhere (no /proc).
bool pathOfDescriptor(int fd, char *path);

// Closes what `target` holds open.
void closeFoundTarget(FoundTarget *target);

#endif
