// What a file has beyond its bytes on Linux (owner and group, extended
// attributes with the access control list, permission bits), given from an
// old file to its replacement.
#ifndef PLATFORM_FILE_ATTRIBUTES_LINUX_H
#define PLATFORM_FILE_ATTRIBUTES_LINUX_H

#include <sys/stat.h>

#include "platform/sys_result.h"

// Gives the file open for writing as `to` the owner and group, every
// extended attribute this process can read and, when `withMode`, last the
// permission bits of the old file `old`, reached by `oldPath`. SYS_DENIED
// or SYS_UNSUPPORTED when one of them cannot be given; SYS_FAILED on any
// other error.
SysResult giveFileAttributes(const char *oldPath, const struct stat *old, int to, bool withMode);

#endif
