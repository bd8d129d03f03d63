// Reading a small regular file through POSIX calls.
#include "platform/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

SysResult readRegularFile(const char *name, void *buffer, size_t size, size_t *read) {
    *read = 0;
    // Without O_NONBLOCK the open of a FIFO waits for a writer.
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return systemResult((unsigned long)errno);
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return SYS_UNSUPPORTED;
    }
    char *bytes = (char *)buffer;
    while (*read < size) {
        ssize_t got = ::read(fd, bytes + *read, size - *read);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        *read += (size_t)got;
    }
    close(fd);
    return SYS_DONE;
}
