// A library preloaded into the program under test (Linux) to make the
// system refuse what the tests ask for, through the environment:
//   MAZEGEN_REFUSE_UNNAMED=1  openat() refuses unnamed files (O_TMPFILE)
//                             as a file system without them does;
//   MAZEGEN_MALLOC_LIMIT=N    an allocation of more than N bytes fails, as
//                             when memory runs out (not in a sanitized
//                             build, whose allocator is its own).
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>

extern "C" {

// openat() with the mode that follows `flags` in `rest`, or EOPNOTSUPP for
// an unnamed file when those are refused.
static int refusedOpen(int folder, const char *path, int flags, va_list rest) {
    mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    static const char *refuse = getenv("MAZEGEN_REFUSE_UNNAMED");
    if (refuse && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return (int)syscall(SYS_openat, folder, path, flags, mode);
}

int openat(int folder, const char *path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    int fd = refusedOpen(folder, path, flags, rest);
    va_end(rest);
    return fd;
}

// The same call under its large-file name.
int openat64(int folder, const char *path, int flags, ...) __attribute__((alias("openat")));

#ifdef SHIM_ALLOCATIONS
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);

// True when an allocation of `size` bytes is to fail.
static bool refusedSize(size_t size) {
    static const char *limit = getenv("MAZEGEN_MALLOC_LIMIT");
    static const size_t most = limit ? strtoull(limit, nullptr, 10) : SIZE_MAX;
    if (size <= most) return false;
    errno = ENOMEM;
    return true;
}

void *malloc(size_t size) {
    return refusedSize(size) ? nullptr : __libc_malloc(size);
}

void *calloc(size_t count, size_t size) {
    return count && refusedSize(count * size) ? nullptr : __libc_calloc(count, size);
}

void *realloc(void *block, size_t size) {
    return refusedSize(size) ? nullptr : __libc_realloc(block, size);
}
#endif
}
