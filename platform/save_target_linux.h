// Finding the file a save goes to on Linux: links followed as the kernel
// follows them (its checks, its depth, magic links), from folder to folder
// through open descriptors, so that neither /proc nor a folder's full path
// is needed; the folder that holds the target, and whether a rename could
// stand for the file there.
#ifndef PLATFORM_SAVE_TARGET_LINUX_H
#define PLATFORM_SAVE_TARGET_LINUX_H

#include <sys/stat.h>

#include "platform/save.h"
#include "platform/sys_result.h"

// What a save found at its name, once links are followed as the system
// follows them.
enum TargetKind {
    TARGET_NEW,          // nothing yet: a new file is made
    TARGET_REPLACEABLE,  // a plain file with one name, which a rename can
                         // replace whole
    TARGET_IN_PLACE,     // a file a rename would cut from its other names
                         // or could not reach: more hard links, a FIFO, a
                         // device, a mount point, a deleted file
};

// Where a save goes.
struct FoundTarget {
    TargetKind kind;                    // what is there
    int folder;                         // the target's folder, opened as a path (it may
                                        // not be readable); -1 when none was found
    int existing;                       // the existing target, opened as a path; -1
                                        // when there is none
    char name[SAVE_PATH_SIZE];          // the target's name within `folder`
    char existingPath[SAVE_PATH_SIZE];  // a path to the existing target itself: its
                                        // descriptor's in /proc, or the name typed;
                                        // "" when there is none
    struct stat old;                    // the existing target; all zero when there is none
};

// Finds the target of `name` into `target`, which keeps nothing of what it
// held (closed first, a new target with no existing path). SYS_DONE;
// SYS_UNREACHABLE or SYS_DENIED when the name leads nowhere usable (a
// missing folder, a name too long, a loop of links, a link the system
// refuses to follow, a folder, a plain file with one name that no folder
// reached holds); SYS_DENIED as well for an existing target this process
// may not write; another failure of a call otherwise. On failure nothing
// stays open.
SysResult findSaveTarget(const char *name, FoundTarget *target);

// True when `name`'s last part fits its folder's limit for names (the
// folder opened by the name typed; one that cannot be opened passes).
bool nameFitsFolder(const char *name);

// Puts in `path` (SAVE_PATH_SIZE bytes) the name /proc gives the open file
// `fd`, which reaches the file itself even when it has no other name; false
// when there is no /proc to give one.
bool pathOfDescriptor(int fd, char *path);

// Closes what `target` holds open.
void closeFoundTarget(FoundTarget *target);

#endif
