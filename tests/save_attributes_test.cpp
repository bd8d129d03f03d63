// What a replacement keeps of the old file (mode, owner, access lists,
// extended attributes), new files under the umask, and what another user
// may and may not save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

#include "tests/system_support.h"

namespace {

using SaveTest = SystemTest;

TEST_F(SaveTest, ReplacedFilesKeepModeOwnerAndAttributesNewFilesFollowTheUmask) {
    bool root = geteuid() == 0;
    bool tools = system("setfacl --version >/dev/null 2>&1") == 0 &&
                 system("setfattr --version >/dev/null 2>&1") == 0;
    EXPECT_TRUE(tools) << "setfacl and setfattr (Debian acl, attr) are missing";
    // Modes with the set-user-ID, set-group-ID and sticky bits, private
    // files of another owner, and a file with an access list, a user
    // attribute and a group that may not read it.
    const struct { const char *name; mode_t mode; bool otherOwner; const char *decorate; } rows[] = {
        {"a", 0600, true, nullptr},
        {"b", 04755, false, nullptr},
        {"c", 02750, true, nullptr},
        {"d", 01644, false, nullptr},
        {"e", 0600, false, "setfacl -m u:nobody:r,g::--- e.txt && setfattr -n user.note -v kept e.txt"},
    };
    for (auto &row : rows) {
        std::string file = std::string(row.name) + ".txt";
        writeFile(path(file), "old maze");
        if (root) {
            ASSERT_EQ(chown(path(file).c_str(), row.otherOwner ? NOBODY : 0, NOGROUP), 0);
        }
        ASSERT_EQ(chmod(path(file).c_str(), row.mode), 0);
        bool decorated = row.decorate && tools;
        if (decorated) {
            ASSERT_EQ(shell(row.decorate), 0);
        }
        struct stat before = statOf(file);
        auto attributes = attributesOf(file);
        EXPECT_EQ(runMazegen(dir, std::string("3 3 ") + row.name + " 1").status, 0) << file;
        EXPECT_EQ(mazeIn(file, 3, 3), "") << file;
        struct stat after = statOf(file);
        EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777) << file;
        EXPECT_EQ(after.st_uid, before.st_uid) << file;
        EXPECT_EQ(after.st_gid, before.st_gid) << file;
        EXPECT_EQ(after.st_nlink, 1u) << file;
        EXPECT_EQ(attributesOf(file), attributes) << file;
        if (decorated) {
            EXPECT_EQ(attributes.count("system.posix_acl_access"), 1u) << file;
        }
    }
    // A folder's default access list, which a new file would inherit, is
    // not given to the replacement of a file that has none.
    if (tools) {
        mkdir(path("inherit").c_str(), 0755);
        writeFile(path("inherit/f.txt"), "old maze");
        ASSERT_EQ(shell("setfacl -d -m u:nobody:rwx inherit"), 0);
        auto attributes = attributesOf("inherit/f.txt");
        EXPECT_EQ(runMazegen(dir, "3 3 inherit/f 1").status, 0);
        EXPECT_EQ(mazeIn("inherit/f.txt", 3, 3), "");
        EXPECT_EQ(attributesOf("inherit/f.txt"), attributes);
        EXPECT_EQ(statOf("inherit/f.txt").st_mode & 07777, 0644u);
    }
    // A new file gets what any new file gets under the umask.
    const struct { mode_t mask, mode; } masks[] = {{027, 0640}, {002, 0664}, {077, 0600}};
    for (auto &m : masks) {
        mode_t old = umask(m.mask);
        RunResult r = runMazegen(dir, "3 3 n 1");
        umask(old);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(statOf("n.txt").st_mode & 07777, m.mode) << "umask " << std::oct << m.mask;
        unlink(path("n.txt").c_str());
    }
    EXPECT_TRUE(noTemporary());
}

TEST_F(SaveTest, UnprivilegedUserWritesWhatItMayAndNothingElse) {
    if (!canSwitchUser()) GTEST_SKIP() << "needs root and setpriv to run as another user";
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    // A read-only file is refused and left as it was.
    writeFile(path("ro.txt"), "old maze");
    ASSERT_EQ(chown(path("ro.txt").c_str(), NOBODY, NOBODY), 0);
    ASSERT_EQ(chmod(path("ro.txt").c_str(), 0444), 0);
    RunResult r = runMazegen(dir, "3 3 ro 1", asNobody());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE)));
    EXPECT_EQ(readFile(path("ro.txt")), "old maze");
    EXPECT_EQ(statOf("ro.txt").st_mode & 07777, 0444u);

    // A folder that takes no new file, holding a file that may be written.
    mkdir(path("closed").c_str(), 0755);
    writeFile(path("closed/w.txt"), "old maze");
    ASSERT_EQ(chmod(path("closed/w.txt").c_str(), 0666), 0);
    EXPECT_EQ(runMazegen(dir, "3 3 closed/w 1", asNobody()).status, 0);
    EXPECT_EQ(mazeIn("closed/w.txt", 3, 3), "");
    EXPECT_EQ(runMazegen(dir, "3 3 closed/new 1", asNobody()).status, 1);

    // Root's file in the user's folder keeps its owner.
    mkdir(path("mine").c_str(), 0755);
    ASSERT_EQ(chown(path("mine").c_str(), NOBODY, NOBODY), 0);
    writeFile(path("mine/r.txt"), "old maze");
    ASSERT_EQ(chmod(path("mine/r.txt").c_str(), 0666), 0);
    EXPECT_EQ(runMazegen(dir, "3 3 mine/r 1", asNobody()).status, 0);
    EXPECT_EQ(mazeIn("mine/r.txt", 3, 3), "");
    EXPECT_EQ(statOf("mine/r.txt").st_uid, 0u);

    // The user's own file with an attribute only root may set is written
    // in place, keeping it, rather than replaced without it.
    writeFile(path("mine/s.txt"), "old maze");
    ASSERT_EQ(chown(path("mine/s.txt").c_str(), NOBODY, NOBODY), 0);
    ASSERT_EQ(setxattr(path("mine/s.txt").c_str(), "security.mazegen", "kept", 4, 0), 0);
    ino_t inode = statOf("mine/s.txt").st_ino;
    EXPECT_EQ(runMazegen(dir, "3 3 mine/s 1", asNobody()).status, 0);
    EXPECT_EQ(mazeIn("mine/s.txt", 3, 3), "");
    EXPECT_EQ(statOf("mine/s.txt").st_ino, inode);
    EXPECT_EQ(attributesOf("mine/s.txt").count("security.mazegen"), 1u);
    EXPECT_TRUE(noTemporary("closed") && noTemporary("mine") && noTemporary());
}

}  // namespace
