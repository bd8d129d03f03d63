// What a replacement keeps of the old file (mode, owner, access lists,
// extended attributes), new files under the umask, and what another user
// may and may not save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/system_support.h"

namespace {

using SaveTest = SystemTest;

TEST_F(SaveTest, ReplacedFilesKeepModeOwnerAndAttributesNewFilesFollowTheUmask) {
    bool root = geteuid() == 0;
    bool tools = system("setfacl --version >/dev/null 2>&1") == 0 &&
                 system("setfattr --version >/dev/null 2>&1") == 0 &&
                 system("command -v setcap >/dev/null 2>&1") == 0;
    EXPECT_TRUE(tools) << "setfacl, setfattr or setcap (Debian acl, attr, libcap2-bin) are missing";
    // Modes with the set-user-ID, set-group-ID and sticky bits, private
    // files of another owner, a file with an access list, a user attribute
    // and a group that may not read it, and a program with a capability,
    // which the system drops from a file at any write to it. In a folder
    // with the set-group-ID bit a new file gets the folder's group, not the
    // process's: the replacement of root's file there keeps root's group.
    const struct { const char *name; mode_t mode; bool otherOwner; const char *decorate; gid_t group; } rows[] = {
        {"a", 0600, true, nullptr, NOGROUP},
        {"b", 04755, false, nullptr, NOGROUP},
        {"c", 02750, true, nullptr, NOGROUP},
        {"d", 01644, false, nullptr, NOGROUP},
        {"e", 0600, false, "setfacl -m u:nobody:r,g::--- e.txt && setfattr -n user.note -v kept e.txt", NOGROUP},
        {"f", 0755, false, "setcap cap_net_raw+ep f.txt", NOGROUP},
        {"setgid/g", 0640, false, nullptr, 0},
    };
    mkdir(path("setgid").c_str(), 02775);
    if (root) {
        ASSERT_EQ(chown(path("setgid").c_str(), 0, USERS), 0);
        ASSERT_EQ(chmod(path("setgid").c_str(), 02775), 0);
    }
    for (auto &row : rows) {
        std::string file = std::string(row.name) + ".txt";
        writeFile(path(file), "old maze");
        if (root) {
            ASSERT_EQ(chown(path(file).c_str(), row.otherOwner ? NOBODY : 0, row.group), 0);
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
        if (decorated && strstr(row.decorate, "setfacl")) {
            EXPECT_EQ(attributes.count("system.posix_acl_access"), 1u) << file;
        }
        if (decorated && strstr(row.decorate, "setcap")) {
            EXPECT_EQ(attributes.count("security.capability"), 1u) << file;
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
    // While a replacement is written it stays private to this process,
    // seen from nobody, whom the old file's access list lets read it: 0600,
    // no access list, nobody's open refused. The list and the mode come
    // after the last byte. The save is slowed at each write, under a
    // hidden name that nobody could open.
    if (tools && canSwitchUser()) {
        writeFile(path("acl.txt"), "old maze");
        ASSERT_EQ(chmod(path("acl.txt").c_str(), 0640), 0);
        ASSERT_EQ(shell("setfacl -m u:nobody:r acl.txt"), 0);
        auto attributes = attributesOf("acl.txt");
        RunOptions options;
        refuseUnnamedFiles(&options);
        options.traceCalls = "write";
        options.inject = "write:delay_enter=50000:when=2+";
        options.signal = SIGCONT;  // harmless: the hook below does the looking
        std::string seen;
        options.signalWhen = [&](pid_t) {
            for (const std::string &name : listDir(dir)) {
                struct stat temporary = statOf(name);
                if (name.rfind(".mz-", 0) != 0 || temporary.st_size == 0) continue;
                char mode[8];
                snprintf(mode, sizeof mode, "%o", (unsigned)(temporary.st_mode & 07777));
                seen = std::string(mode) + (attributesOf(name).count("system.posix_acl_access") ? " list" : "") +
                       (nobodyCanRead(path(name)) ? " readable" : " private");
                return true;
            }
            return false;
        };
        EXPECT_EQ(runMazegen(dir, "300 300 acl 1", options).status, 0);
        EXPECT_EQ(seen, "600 private");
        EXPECT_EQ(mazeIn("acl.txt", 300, 300), "");
        EXPECT_EQ(statOf("acl.txt").st_mode & 07777, 0640u);
        EXPECT_EQ(attributesOf("acl.txt"), attributes);
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

TEST_F(SaveTest, AttributesThatCannotBeReadOrGivenFailTheSaveOrAreKeptInPlace) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another owner";
    // Only "not permitted" and "not supported" mean the attributes cannot
    // be kept, so that the file is written in place; any other error, while
    // they are tried before the first byte (the owner given, then taken
    // back so that the file stays the process's own while it is written)
    // or given after the last, fails the save and keeps the old file. An
    // attribute that is gone when its value is read is not there to keep,
    // and a file system without extended attributes has none.
    const struct { const char *inject; int status; const char *message; bool inPlace, kept = true; } rows[] = {
        {"listxattr:error=EIO:when=1", 1, CANNOT_CREATE_MESSAGE, false},
        {"listxattr:error=EIO:when=2", 1, CANNOT_WRITE_MESSAGE, false},
        {"getxattr:error=EIO:when=1", 1, CANNOT_CREATE_MESSAGE, false},
        {"fsetxattr:error=ENOMEM:when=1", 1, CANNOT_CREATE_MESSAGE, false},
        {"fsetxattr:error=EIO:when=2", 1, CANNOT_WRITE_MESSAGE, false},
        {"fchown:error=EINVAL:when=1", 1, CANNOT_CREATE_MESSAGE, false},
        {"fchown:error=EIO:when=2", 1, CANNOT_CREATE_MESSAGE, false},  // the owner taken back
        {"fchown:error=EIO:when=3", 1, CANNOT_WRITE_MESSAGE, false},
        {"fsetxattr:error=EPERM:when=1", 0, nullptr, true},
        {"fchown:error=EPERM:when=1", 0, nullptr, true},
        {"fsetxattr:error=EOPNOTSUPP:when=1", 0, nullptr, true},
        {"getxattr:error=ENODATA:when=1", 0, nullptr, false},
        {"listxattr:error=EOPNOTSUPP", 0, nullptr, false, false},
    };
    for (auto &row : rows) {
        writeFile(path("m.txt"), "old maze");
        ASSERT_EQ(chown(path("m.txt").c_str(), NOBODY, NOGROUP), 0);
        ASSERT_EQ(setxattr(path("m.txt").c_str(), "user.note", "kept", 4, 0), 0);
        ino_t inode = statOf("m.txt").st_ino;
        RunOptions options;
        options.traceCalls = "listxattr,getxattr,fsetxattr,fchown";
        options.inject = row.inject;
        RunResult r = runMazegen(dir, "3 3 m 1", options);
        EXPECT_EQ(r.status, row.status) << row.inject;
        if (row.message) {
            EXPECT_TRUE(endsWith(r.out, shown(row.message))) << row.inject;
            EXPECT_EQ(readFile(path("m.txt")), "old maze") << row.inject;
        } else {
            EXPECT_EQ(mazeIn("m.txt", 3, 3), "") << row.inject;
            EXPECT_EQ(statOf("m.txt").st_ino == inode, row.inPlace) << row.inject;
        }
        EXPECT_EQ(statOf("m.txt").st_uid, NOBODY) << row.inject;
        EXPECT_EQ(attributesOf("m.txt").count("user.note"), row.kept ? 1u : 0u) << row.inject;
        EXPECT_TRUE(noTemporary()) << row.inject;
    }
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

    // A folder that takes no new file, holding a file that may be written:
    // the file is written in place, a new file is refused. Without /proc
    // the text file is written in place through the name typed, and the
    // picture after it, a new file, is refused: nothing is written through
    // the name of the file saved before it, which keeps its maze.
    mkdir(path("closed").c_str(), 0755);
    writeFile(path("closed/w.txt"), "old maze");
    ASSERT_EQ(chmod(path("closed/w.txt").c_str(), 0666), 0);
    writeFile(path("colorPalette.bin"), shippedPalette());
    const struct { const char *input; bool noProc; int status, w, h; } closed[] = {
        {"3 3 closed/w 1", false, 0, 3, 3},
        {"3 3 closed/new 1", false, 1, 3, 3},
        {"4 5 closed/w 3", true, 1, 5, 4},
    };
    for (auto &row : closed) {
#ifdef MAZEGEN_SANITIZED
        if (row.noProc) continue;  // a sanitizer's runtime needs /proc
#endif
        RunOptions options = asNobody();
        if (row.noProc) {
            std::vector<std::string> wrapper = withoutProc();
            options.wrapper.insert(options.wrapper.begin(), wrapper.begin(), wrapper.end());
        }
        RunResult c = runMazegen(dir, row.input, options);
        EXPECT_EQ(c.status, row.status) << row.input;
        if (row.status) {
            EXPECT_TRUE(endsWith(c.out, shown(CANNOT_CREATE_MESSAGE))) << row.input;
        }
        EXPECT_EQ(mazeIn("closed/w.txt", row.w, row.h), "") << row.input;
        EXPECT_EQ(listDir(path("closed")), std::vector<std::string>{"w.txt"}) << row.input;
    }

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

    // The user's own files with set-ID bits keep them, though the system
    // clears them from a file the user writes to.
    const struct { const char *name; mode_t mode; } setIds[] = {
        {"mine/u", 04755}, {"mine/g", 02755}, {"mine/ug", 06755}, {"mine/gw", 02775}};
    for (auto &file : setIds) {
        std::string name = std::string(file.name) + ".txt";
        writeFile(path(name), "old maze");
        ASSERT_EQ(chown(path(name).c_str(), NOBODY, NOGROUP), 0);
        ASSERT_EQ(chmod(path(name).c_str(), file.mode), 0);
        EXPECT_EQ(runMazegen(dir, std::string("3 3 ") + file.name + " 1", asNobody()).status, 0) << name;
        EXPECT_EQ(mazeIn(name, 3, 3), "") << name;
        EXPECT_EQ(statOf(name).st_mode & 07777, file.mode) << name;
    }

    // A folder whose full path nobody can open (root's private folder
    // above it, entered before the switch to nobody), and a folder with the
    // set-group-ID bit of a group nobody is not in: the file is replaced
    // whole, a new file with nobody's group, so that a limit on file sizes
    // that stops the new maze leaves the old one as it was.
    mkdir(path("above").c_str(), 0700);
    mkdir(path("above/open").c_str(), 0777);
    ASSERT_EQ(chmod(path("above/open").c_str(), 0777), 0);
    mkdir(path("sgid").c_str(), 02777);
    ASSERT_EQ(chown(path("sgid").c_str(), 0, USERS), 0);
    ASSERT_EQ(chmod(path("sgid").c_str(), 02777), 0);
    const struct { const char *folder; long limit; int status; } reached[] = {
        {"above/open", -1, 0}, {"above/open", 4096, 1}, {"sgid", -1, 0}};
    for (auto &row : reached) {
        std::string name = std::string(row.folder) + "/m.txt";
        writeFile(path(name), "old maze");
        ASSERT_EQ(chown(path(name).c_str(), NOBODY, NOGROUP), 0);
        ino_t inode = statOf(name).st_ino;
        RunOptions options = asNobody();
        options.fileSize = row.limit;
        RunResult w = runMazegen(path(row.folder), "200 200 m 1", options);
        EXPECT_EQ(w.status, row.status) << name;
        if (row.status) {
            EXPECT_TRUE(endsWith(w.out, shown(CANNOT_WRITE_MESSAGE))) << name;
            EXPECT_TRUE(readFile(path(name)) == "old maze") << name << ": the old file was cut";
        } else {
            EXPECT_EQ(mazeIn(name, 200, 200), "") << name;
            EXPECT_NE(statOf(name).st_ino, inode) << name << " was written in place";
        }
        EXPECT_EQ(statOf(name).st_gid, NOGROUP) << name;
    }

    // A folder the user may write to but not list (0733) takes a new file
    // and a replacement, as it takes the shell's; its sync, which needs it
    // open for reading, is made of its whole file system instead, after
    // the new name, and that sync failing is a failed save.
    mkdir(path("wo").c_str(), 0733);
    ASSERT_EQ(chmod(path("wo").c_str(), 0733), 0);
    const struct { const char *name, *inject; int status; } blind[] = {
        {"e", "", 0}, {"n", "", 0}, {"e", "syncfs:error=EIO", 1}};
    for (auto &row : blind) {
        std::string name = std::string("wo/") + row.name + ".txt";
        if (std::string(row.name) == "e") {
            writeFile(path(name), "old maze");
            ASSERT_EQ(chown(path(name).c_str(), NOBODY, NOGROUP), 0);
        }
        ino_t inode = statOf(name).st_ino;
        RunOptions options = asNobody();
        options.traceCalls = "syncfs,linkat,renameat";
        options.inject = row.inject;
        RunResult w = runMazegen(dir, std::string("3 3 wo/") + row.name + " 1", options);
        EXPECT_EQ(w.status, row.status) << name << " " << row.inject;
        if (row.status) {
            EXPECT_TRUE(endsWith(w.out, shown(CANNOT_WRITE_MESSAGE)));
        }
        EXPECT_EQ(mazeIn(name, 3, 3), "") << name;
        EXPECT_NE(statOf(name).st_ino, inode) << name << " was written in place";
        EXPECT_GT(ordinalOf(w.calls, "renameat", "") + ordinalOf(w.calls, "linkat", ""), 0) << name;
        ASSERT_FALSE(w.calls.empty());
        EXPECT_NE(w.calls.back().find(" syncfs("), std::string::npos) << name << ": no sync after the new name";
    }
    EXPECT_TRUE(noTemporary("closed") && noTemporary("mine") && noTemporary() && noTemporary("wo") &&
                noTemporary("above/open") && noTemporary("sgid"));
}

}  // namespace
