// How a call to the system ended, in the terms the floors above decide by.
// Each system turns its own error codes into these in one function.
#ifndef PLATFORM_SYS_RESULT_H
#define PLATFORM_SYS_RESULT_H

enum SysResult {
    SYS_DONE,         // it was done
    SYS_EXISTS,       // a file of that name is already there
    SYS_MISSING,      // no file (or extended attribute) of that name
    SYS_DENIED,       // not permitted: the permissions, the owner or a policy
    SYS_UNSUPPORTED,  // the file system cannot do it
    SYS_UNREACHABLE,  // the name leads nowhere usable: a missing or read-only
                      // folder, a name too long, a loop of links, a busy file
    SYS_FAILED,       // anything else: no space, a quota, an input/output error
};

// The result of a failed call whose error code (errno, or GetLastError on
// Windows) is `error`.
SysResult systemResult(unsigned long error);

#endif
