// What a file has beyond its bytes on Linux (owner and group, extended
// attributes with the access control list, permission bits), given from an
// old file to its replacement.
#ifndef PLATFORM_FILE_ATTRIBUTES_LINUX_H
#define PLATFORM_FILE_ATTRIBUTES_LINUX_H

#include <sys/stat.h>

#include "platform/sys_result.h"

// When a replacement is given the old file's attributes.
enum AttributeStage {
    ATTRIBUTES_TRIAL,  // before its first byte, to learn whether they can be given,
                       // leaving it private to this process (its owner, 0600, no
                       // access list): the owner is given and taken back, and the
                       // access list is tried granting no one but the owner anything,
                       // then removed
    ATTRIBUTES_FINAL,  // after its last byte: the owner and group, the extended
                       // attributes with the access list, then the mode
};

// Gives the file open for writing as `to` what the old file `old`, reached
// by `oldPath`, has beyond its bytes, as `stage` says: the owner and group
// where they differ from what `to` has (its own fstat, not the process's
// ids: a folder with the set-group-ID bit or a grpid mount gives a new file
// the folder's group), every extended attribute this process can read, and
// at the final stage last the permission bits. SYS_DENIED or
// SYS_UNSUPPORTED when one of them cannot be given; SYS_FAILED on any
// other error.
SysResult giveFileAttributes(const char *oldPath, const struct stat *old, int to,
                             AttributeStage stage);

#endif
