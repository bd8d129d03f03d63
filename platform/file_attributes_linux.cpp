// Owner, extended attributes and permission bits, copied from an old file
// to its replacement.
#include "platform/file_attributes_linux.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// The largest list of attribute names, and the largest attribute value.
static const size_t ATTRIBUTE_LIST_SIZE = 65536;
static const size_t ATTRIBUTE_VALUE_SIZE = 65536;
// The permission bits of a mode, set-user-ID, set-group-ID and sticky included.
static const mode_t PERMISSION_BITS = 07777;
// The access control list, an extended attribute of its own.
static const char ACCESS_ACL[] = "system.posix_acl_access";

// Attribute names and one value, copied from the old file to its replacement.
static char attributeNames[ATTRIBUTE_LIST_SIZE];
static char attributeValue[ATTRIBUTE_VALUE_SIZE];

// The result of a failed change of an attribute: a refusal means the
// attributes cannot be kept, anything else fails the save.
static SysResult attributeFailure() {
    SysResult result = systemResult((unsigned long)errno);
    return result == SYS_DENIED || result == SYS_UNSUPPORTED ? result : SYS_FAILED;
}

// Copies every extended attribute of `oldPath` that this process can read
// (the access control list among them) to `to`, and drops an access
// control list the old file did not have.
static SysResult copyExtendedAttributes(const char *oldPath, int to) {
    ssize_t listed = listxattr(oldPath, attributeNames, sizeof attributeNames);
    if (listed < 0) {
        // A file system without extended attributes has none to keep.
        SysResult result = attributeFailure();
        return result == SYS_UNSUPPORTED ? SYS_DONE : result;
    }
    bool hadAcl = false;
    for (ssize_t at = 0; at < listed; at += (ssize_t)strlen(attributeNames + at) + 1) {
        const char *attribute = attributeNames + at;
        ssize_t size = getxattr(oldPath, attribute, attributeValue, sizeof attributeValue);
        // One removed since the list was read is not there to keep.
        if (size < 0 && systemResult((unsigned long)errno) == SYS_MISSING) continue;
        if (size < 0) return attributeFailure();
        if (fsetxattr(to, attribute, attributeValue, (size_t)size, 0) != 0)
            return attributeFailure();
        if (strcmp(attribute, ACCESS_ACL) == 0) hadAcl = true;
    }
    // A list inherited from the folder's default would widen or narrow access.
    if (!hadAcl && fremovexattr(to, ACCESS_ACL) != 0 &&
        systemResult((unsigned long)errno) != SYS_MISSING) {
        SysResult result = attributeFailure();
        if (result != SYS_UNSUPPORTED) return result;
    }
    return SYS_DONE;
}

SysResult giveFileAttributes(const char *oldPath, const struct stat *old, int to, bool withMode) {
    // The owner and group when they are not the process's own, then the
    // extended attributes, then the permission bits (a change of owner
    // clears set-user-ID bits and file capabilities, and a copied access
    // list sets the group's).
    if ((old->st_uid != geteuid() || old->st_gid != getegid()) &&
        fchown(to, old->st_uid, old->st_gid) != 0)
        return attributeFailure();
    SysResult copied = copyExtendedAttributes(oldPath, to);
    if (copied != SYS_DONE || !withMode) return copied;
    return fchmod(to, old->st_mode & PERMISSION_BITS) == 0 ? SYS_DONE : attributeFailure();
}
