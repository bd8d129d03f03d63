// Support of the tests that make a hostile system for the built program
// (Linux): mounts in the test's own mount namespace, files of other users,
// access lists and extended attributes, faked control groups.
#ifndef TESTS_SYSTEM_SUPPORT_H
#define TESTS_SYSTEM_SUPPORT_H

#include <sys/stat.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support.h"

const uid_t NOBODY = 65534;
const gid_t NOGROUP = 65534;
const gid_t USERS = 100;  // a group neither root nor nobody is in

// A test in a scratch folder of its own that may mount file systems there,
// in a mount namespace of the test process's own; every mount it makes is
// undone at its end.
class SystemTest : public ScratchFolderTest {
protected:
    std::vector<std::string> mounts;  // made by this test, undone at its end

    void TearDown() override;
    // Mounts `source` on `target` in the test's own mount namespace, made
    // private at the first call; false when the system does not allow it.
    bool mountHere(const std::string &source, const std::string &target, const char *type,
                   unsigned long flags, const char *data = nullptr);
    // Undoes the last mount made.
    void unmountLast();
    // "" when `name` holds a perfect maze of the given sizes, else what is wrong.
    std::string mazeIn(const std::string &name, int width, int height);
    static std::string mazeProblem(const std::string &bytes, int width, int height);
    struct stat statOf(const std::string &name, bool follow = false);
    // True when no temporary file is left in `folder` (under dir).
    bool noTemporary(const std::string &folder = "");
    // Every extended attribute of `name` (access lists included), by name.
    std::map<std::string, std::string> attributesOf(const std::string &name);
    // Runs `command` with the shell in the scratch folder; its status.
    int shell(const std::string &command);
    // Replaces the machine's control-group files by a tmpfs in the layout of
    // control groups version `version`, where the process's group, or the
    // group `levelsUp` above it (ROOT_GROUP: the hierarchy's root), has
    // `limit` bytes of which `usage` are used, `inactive` of them inactive
    // file cache (in memory.stat; version 1 also gets a different figure for
    // the group alone). False when this machine has no such hierarchy or the
    // group has no parent that far up.
    static const int ROOT_GROUP = -1;
    bool fakeGroup(int version, int levelsUp, const std::string &limit, const std::string &usage,
                   const std::string &inactive = "0");
};

// A run of the program as the unprivileged user nobody.
RunOptions asNobody();

// A wrapper that runs the program in a mount namespace of its own where
// /proc is not mounted, as in a container or a chroot without it.
std::vector<std::string> withoutProc();

// Makes the file system refuse unnamed files (O_TMPFILE) to the run in
// `options`, so that its saves take named temporary files.
void refuseUnnamedFiles(RunOptions *options);

// Makes every allocation of more than `bytes` fail in the run in `options`
// (not in a sanitized build).
void failAllocationsOver(RunOptions *options, long bytes);

// True when the process `pid` holds open a file without a name in the
// folder `folder`: a save under way in an unnamed temporary file.
bool holdsUnnamedFile(pid_t pid, const std::string &folder);

// True when the user nobody may open the file at `path` for reading
// (the tests run as root).
bool nobodyCanRead(const std::string &path);

// True when the tests may run the program as another user.
bool canSwitchUser();

#endif
