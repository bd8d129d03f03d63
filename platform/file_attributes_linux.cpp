// Owner, extended attributes and permission bits, copied from an old file
// to its replacement.
#include "platform/file_attributes_linux.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

// The largest list of attribute names, and the largest attribute value.
static const size_t ATTRIBUTE_LIST_SIZE = 65536;
static const size_t ATTRIBUTE_VALUE_SIZE = 65536;
// The permission bits of a mode, set-user-ID, set-group-ID and sticky included.
static const mode_t PERMISSION_BITS = 07777;
// The access control list, an extended attribute of its own.
static const char ACCESS_ACL[] = "system.posix_acl_access";
// The access list's value: a 4-byte version, then entries of a 2-byte tag,
// 2-byte permissions and a 4-byte id, each little-endian.
static const size_t ACL_HEADER_BYTES = 4, ACL_ENTRY_BYTES = 8, ACL_PERMISSIONS_AT = 2;
static const unsigned ACL_OWNER_TAG = 0x01;          // the owner's entry (ACL_USER_OBJ)
static const unsigned ACL_OWNER_READ_WRITE = 06;     // reading and writing (ACL_READ | ACL_WRITE)
static const unsigned BYTE_BITS = 8, BYTE_MASK = 0xFF;

// Attribute names and one value, copied from the old file to its replacement.
static char attributeNames[ATTRIBUTE_LIST_SIZE];
static char attributeValue[ATTRIBUTE_VALUE_SIZE];

// The result of a failed change of an attribute: a refusal means the
// attributes cannot be kept, anything else fails the save.
static SysResult attributeFailure() {
    SysResult result = systemResult((unsigned long)errno);
    return result == SYS_DENIED || result == SYS_UNSUPPORTED ? result : SYS_FAILED;
}

// Makes the access list `value` of `size` bytes grant the owner reading
// and writing and every other entry nothing: the same entries, so that the
// system answers for it as for the real one, on a file that stays private.
// False when the value is not laid out as a list.
static bool restrictAccessList(char *value, size_t size) {
    if (size < ACL_HEADER_BYTES || (size - ACL_HEADER_BYTES) % ACL_ENTRY_BYTES != 0) return false;
    for (size_t at = ACL_HEADER_BYTES; at < size; at += ACL_ENTRY_BYTES) {
        unsigned tag = (unsigned)(uint8_t)value[at] | (unsigned)(uint8_t)value[at + 1] << BYTE_BITS;
        unsigned permissions = tag == ACL_OWNER_TAG ? ACL_OWNER_READ_WRITE : 0;
        value[at + ACL_PERMISSIONS_AT] = (char)(permissions & BYTE_MASK);
        value[at + ACL_PERMISSIONS_AT + 1] = (char)(permissions >> BYTE_BITS);
    }
    return true;
}

// Copies every extended attribute of `oldPath` that this process can read
// to `to`, the access control list as `stage` says, and removes an access
// list that is not to stay: at the trial the one tried, at the end one the
// old file did not have (inherited from the folder's default list).
static SysResult copyExtendedAttributes(const char *oldPath, int to, AttributeStage stage) {
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
        bool acl = strcmp(attribute, ACCESS_ACL) == 0;
        if (acl && stage == ATTRIBUTES_TRIAL && !restrictAccessList(attributeValue, (size_t)size))
            return SYS_FAILED;
        if (fsetxattr(to, attribute, attributeValue, (size_t)size, 0) != 0)
            return attributeFailure();
        hadAcl = hadAcl || acl;
    }
    bool keepAcl = hadAcl && stage == ATTRIBUTES_FINAL;
    if (!keepAcl && fremovexattr(to, ACCESS_ACL) != 0 &&
        systemResult((unsigned long)errno) != SYS_MISSING) {
        SysResult result = attributeFailure();
        if (result != SYS_UNSUPPORTED) return result;
    }
    return SYS_DONE;
}

// Gives `to` the owner and group of `old` where they differ from its own;
// at the trial, gives the owner back at once, keeping the group (which,
// with the file's mode 0600, grants nothing).
static SysResult giveOwner(const struct stat *old, int to, AttributeStage stage) {
    struct stat made;
    if (fstat(to, &made) != 0) return SYS_FAILED;
    if (made.st_uid == old->st_uid && made.st_gid == old->st_gid) return SYS_DONE;
    if (fchown(to, old->st_uid, old->st_gid) != 0) return attributeFailure();
    bool giveBack = stage == ATTRIBUTES_TRIAL && made.st_uid != old->st_uid;
    return !giveBack || fchown(to, made.st_uid, (gid_t)-1) == 0 ? SYS_DONE : attributeFailure();
}

SysResult giveFileAttributes(const char *oldPath, const struct stat *old, int to,
                             AttributeStage stage) {
    // The owner and group, then the extended attributes, then the
    // permission bits: a change of owner clears set-user-ID bits and file
    // capabilities, and a copied access list sets the group's bits.
    SysResult given = giveOwner(old, to, stage);
    if (given == SYS_DONE) given = copyExtendedAttributes(oldPath, to, stage);
    if (given != SYS_DONE || stage == ATTRIBUTES_TRIAL) return given;
    return fchmod(to, old->st_mode & PERMISSION_BITS) == 0 ? SYS_DONE : attributeFailure();
}
