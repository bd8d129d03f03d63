// Reading a small regular file through Windows calls.
#include "platform/read_file.h"

#include <windows.h>

SysResult readRegularFile(const char *name, void *buffer, size_t size, size_t *read) {
    *read = 0;
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return systemResult(GetLastError());
    // A pipe or a device (a console, NUL) is no file on a disk.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return SYS_UNSUPPORTED;
    }
    char *bytes = (char *)buffer;
    while (*read < size) {
        DWORD got = 0;
        if (!ReadFile(file, bytes + *read, (DWORD)(size - *read), &got, nullptr) || got == 0) break;
        *read += got;
    }
    CloseHandle(file);
    return SYS_DONE;
}
