// GetLastError codes as a result.
#include "platform/sys_result.h"

#include <windows.h>

SysResult systemResult(unsigned long error) {
    switch (error) {
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: return SYS_EXISTS;
    // The old file cannot be moved aside by ReplaceFileA: access or a
    // process that holds it.
    case ERROR_ACCESS_DENIED: case ERROR_UNABLE_TO_REMOVE_REPLACED: return SYS_DENIED;
    case ERROR_NOT_SUPPORTED: case ERROR_INVALID_FUNCTION: return SYS_UNSUPPORTED;
    case ERROR_FILE_NOT_FOUND: return SYS_MISSING;
    case ERROR_WRITE_PROTECT: case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: case ERROR_FILENAME_EXCED_RANGE: case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: case ERROR_NOT_SAME_DEVICE:
        return SYS_UNREACHABLE;
    // Lack of space or a quota: a failure, which keeps the old file.
    default: return SYS_FAILED;
    }
}
