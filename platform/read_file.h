// Reading a small file whole without waiting on what its name leads to.
#ifndef PLATFORM_READ_FILE_H
#define PLATFORM_READ_FILE_H

#include <cstddef>

#include "platform/sys_result.h"

// Reads up to `size` bytes of the regular file `name` into `buffer`,
// leaving in `*read` how many it got (fewer when the file is shorter or a
// read fails). It is opened without waiting for a writer or a device, so
// that a FIFO or a device behind the name never holds the run:
// SYS_UNSUPPORTED when it is not a regular file, and the open's result when
// it cannot be opened.
SysResult readRegularFile(const char *name, void *buffer, size_t size, size_t *read);

#endif
