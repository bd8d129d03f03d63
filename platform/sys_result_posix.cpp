// errno as a result.
#include "platform/sys_result.h"

#include <cerrno>

SysResult systemResult(unsigned long error) {
    switch ((int)error) {
    case EEXIST: return SYS_EXISTS;
    case EACCES: case EPERM: return SYS_DENIED;
#if EOPNOTSUPP != ENOTSUP
    case EOPNOTSUPP:
#endif
    case ENOTSUP: return SYS_UNSUPPORTED;
    case ENOENT: case ENODATA: return SYS_MISSING;
    case ENOTDIR: case EISDIR: case ELOOP: case ENAMETOOLONG: case EROFS:
    case ETXTBSY: case EBUSY: case EXDEV: case ENXIO:
        return SYS_UNREACHABLE;
    default: return SYS_FAILED;
    }
}
