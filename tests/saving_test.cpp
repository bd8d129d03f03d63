// Saving through what is already at the chosen name, as a user meets it and
// as a hostile system makes it: links, file kinds and mounts, permissions,
// owners and attributes, failures of creation and of syncs, interruptions
// and memory limits. Mounts are made in the test's own mount namespace, so
// that no mount of the machine changes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "tests/support.h"

namespace {

const uid_t NOBODY = 65534;
const gid_t NOGROUP = 65534;

class Saving : public ScratchFolderTest {
protected:
    std::vector<std::string> mounts;  // made by this test, undone at its end

    void TearDown() override {
        for (auto at = mounts.rbegin(); at != mounts.rend(); ++at) umount2(at->c_str(), MNT_DETACH);
        ScratchFolderTest::TearDown();
    }
    // Mounts `source` on `target` in the test's own mount namespace, made
    // private at the first call; false when the system does not allow it.
    bool mountHere(const std::string &source, const std::string &target, const char *type,
                   unsigned long flags, const char *data = nullptr) {
        static bool own = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!own || mount(source.c_str(), target.c_str(), type, flags, data) != 0) return false;
        mounts.push_back(target);
        return true;
    }
    // "" when `name` holds a perfect maze of the given sizes, else what is wrong.
    std::string mazeIn(const std::string &name, int width, int height) {
        return mazeProblem(readFile(path(name)), width, height);
    }
    static std::string mazeProblem(const std::string &bytes, int width, int height) {
        ReadMaze m;
        std::string why = parseTextMaze(bytes, &m);
        if (why.empty()) why = perfectMazeProblem(m);
        if (why.empty() && (m.width != width || m.height != height)) why = "other sizes";
        return why;
    }
    struct stat statOf(const std::string &name, bool follow = false) {
        struct stat st = {};
        if (follow) stat(path(name).c_str(), &st);
        else lstat(path(name).c_str(), &st);
        return st;
    }
    // True when no temporary file is left in `folder` (under dir).
    bool noTemporary(const std::string &folder = "") {
        for (const std::string &name : listDir(folder.empty() ? dir : path(folder)))
            if (name.rfind(".mz-", 0) == 0) return false;
        return true;
    }
    // Every extended attribute of `name` (access lists included), by name.
    std::map<std::string, std::string> attributesOf(const std::string &name) {
        std::map<std::string, std::string> found;
        char names[4096], value[4096];
        ssize_t listed = llistxattr(path(name).c_str(), names, sizeof names);
        for (ssize_t at = 0; at < listed; at += (ssize_t)strlen(names + at) + 1) {
            ssize_t size = lgetxattr(path(name).c_str(), names + at, value, sizeof value);
            found[names + at] = size < 0 ? "?" : std::string(value, (size_t)size);
        }
        return found;
    }
    int shell(const std::string &command) { return system(("cd " + dir + " && " + command).c_str()); }
    // Replaces the machine's control-group files by a tmpfs in the layout of
    // control groups version `version`, where the process's group, or the
    // group `levelsUp` above it, has `limit` bytes of which `usage` are
    // used. False when this machine has no such hierarchy or the group has
    // no parent that far up.
    bool fakeGroup(int version, int levelsUp, const std::string &limit, const std::string &usage);
};

bool Saving::fakeGroup(int version, int levelsUp, const std::string &limit,
                       const std::string &usage) {
    std::string groups = readFile("/proc/self/cgroup"), group;
    size_t at = 0;
    for (size_t end; (end = groups.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = groups.substr(at, end - at);
        size_t memory = line.find(":memory:");
        if (version == 2 && line.rfind("0::", 0) == 0) group = line.substr(3);
        if (version == 1 && memory != std::string::npos) group = line.substr(memory + 8);
    }
    if (group.empty()) return false;
    for (int i = 0; i < levelsUp; i++) {
        if (group == "/") return false;
        group = group.substr(0, group.rfind('/'));
        if (group.empty()) group = "/";
    }
    std::string root = version == 2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/memory";
    if (!mountHere("none", "/sys/fs/cgroup", "tmpfs", 0)) return false;
    std::filesystem::create_directories(root + group);
    writeFile(root + group + (version == 2 ? "/memory.max" : "/memory.limit_in_bytes"), limit + "\n");
    writeFile(root + group + (version == 2 ? "/memory.current" : "/memory.usage_in_bytes"), usage + "\n");
    return true;
}

// A run of the program as the unprivileged user nobody.
RunOptions asNobody() {
    RunOptions limits;
    limits.wrapper = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    return limits;
}

bool canSwitchUser() {
    return geteuid() == 0 && system("setpriv --version >/dev/null 2>&1") == 0;
}

/* Links and file kinds */

// Sets fs.protected_symlinks to `value` for as long as it lives.
struct ProtectedSymlinks {
    std::string before = readFile("/proc/sys/fs/protected_symlinks");
    bool set;
    explicit ProtectedSymlinks(const char *value) {
        writeFile("/proc/sys/fs/protected_symlinks", value);
        set = readFile("/proc/sys/fs/protected_symlinks")[0] == value[0];
    }
    ~ProtectedSymlinks() { writeFile("/proc/sys/fs/protected_symlinks", before); }
};

TEST_F(Saving, SymbolicLinksAreFollowedAsTheSystemFollowsThem) {
    mkdir(path("sub").c_str(), 0755);
    writeFile(path("sub/real.txt"), "old maze");
    ASSERT_EQ(symlink("sub/real.txt", path("m.txt").c_str()), 0);   // relative
    ASSERT_EQ(symlink("m.txt", path("chain.txt").c_str()), 0);      // a link to a link
    ASSERT_EQ(symlink("sub/new.txt", path("dangling.txt").c_str()), 0);
    ASSERT_EQ(symlink("real.txt", path("sub/in.txt").c_str()), 0);  // relative to its subfolder
    // Chains of 40 links, as many as the system follows, and of 41.
    writeFile(path("end.txt"), "old maze");
    std::string previous = "end.txt";
    for (int i = 1; i <= 41; i++) {
        std::string link = "l" + std::to_string(i) + ".txt";
        ASSERT_EQ(symlink(previous.c_str(), path(link).c_str()), 0);
        previous = link;
    }
    // The same chains to a file yet to be made, which the program walks.
    previous = "new-end.txt";
    for (int i = 1; i <= 41; i++) {
        std::string link = "d" + std::to_string(i) + ".txt";
        ASSERT_EQ(symlink(previous.c_str(), path(link).c_str()), 0);
        previous = link;
    }
    const struct { const char *input; int status; const char *saved; int w, h; } rows[] = {
        {"3 4 m 1", 0, "sub/real.txt", 4, 3},
        {"5 2 chain 1", 0, "sub/real.txt", 2, 5},
        {"2 2 dangling 1", 0, "sub/new.txt", 2, 2},
        {"2 3 sub/in 1", 0, "sub/real.txt", 3, 2},
        {"3 3 l41 1", 1, nullptr, 0, 0},
        {"3 3 l40 1", 0, "end.txt", 3, 3},
        {"3 3 d41 1", 1, nullptr, 0, 0},
        {"3 3 d40 1", 0, "new-end.txt", 3, 3},
    };
    for (auto &row : rows) {
        RunResult r = runMazegen(dir, row.input);
        EXPECT_EQ(r.status, row.status) << row.input;
        if (row.saved) EXPECT_EQ(mazeIn(row.saved, row.w, row.h), "") << row.input;
        else EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE))) << row.input;
    }
    for (const char *link : {"m.txt", "chain.txt", "dangling.txt", "sub/in.txt", "l40.txt"})
        EXPECT_TRUE(S_ISLNK(statOf(link).st_mode)) << link << " is no longer a link";
    EXPECT_FALSE(fileExists(path("real.txt")) || fileExists(path("subreal.txt")));
    EXPECT_TRUE(noTemporary() && noTemporary("sub"));
}

TEST_F(Saving, MagicLinksAreWrittenThroughLikeARedirection) {
    // Links to standard output (a pipe here) and to a deleted file that a
    // process still holds: the maze goes to them, and no file is made of
    // the link's text ("pipe:[...]", "... (deleted)").
    ASSERT_EQ(symlink("/proc/self/fd/1", path("out.txt").c_str()), 0);
    ASSERT_EQ(symlink("/dev/stdout", path("std.txt").c_str()), 0);
    for (const char *name : {"out", "std"}) {
        RunResult r = runMazegen(dir, std::string("2 3 ") + name + " 1\n");
        EXPECT_EQ(r.status, 0) << name;
        size_t menuEnd = r.out.rfind(shown(FORMAT_MENU));
        ASSERT_NE(menuEnd, std::string::npos) << name;
        EXPECT_EQ(mazeProblem(r.out.substr(menuEnd + shown(FORMAT_MENU).size()), 3, 2), "") << name;
    }
    int held = open(path("victim").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(held, 0);
    ASSERT_EQ(write(held, "old maze", 8), 8);
    ASSERT_EQ(unlink(path("victim").c_str()), 0);
    std::string heldLink = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(held);
    ASSERT_EQ(symlink(heldLink.c_str(), path("del.txt").c_str()), 0);
    EXPECT_EQ(runMazegen(dir, "3 2 del 1\n").status, 0);
    EXPECT_EQ(mazeProblem(readFile(heldLink), 2, 3), "");
    close(held);
    EXPECT_EQ(listDir(dir), (std::vector<std::string>{"del.txt", "out.txt", "std.txt"}));
}

TEST_F(Saving, LinksOthersPlantedInASharedFolderAreNotFollowed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's links";
    ProtectedSymlinks protection("1");
    if (!protection.set) GTEST_SKIP() << "this kernel has no fs.protected_symlinks to set";
    // A sticky folder anyone may write to, where nobody's links lead to
    // root's private file and to a file yet to be made.
    mkdir(path("shared").c_str(), 01777);
    ASSERT_EQ(chmod(path("shared").c_str(), 01777), 0);
    writeFile(path("secret.txt"), "root's secret");
    ASSERT_EQ(chmod(path("secret.txt").c_str(), 0600), 0);
    ASSERT_EQ(symlink("../secret.txt", path("shared/m.txt").c_str()), 0);
    ASSERT_EQ(symlink("../planted.txt", path("shared/new.txt").c_str()), 0);
    for (const char *link : {"shared/m.txt", "shared/new.txt"})
        ASSERT_EQ(lchown(path(link).c_str(), NOBODY, NOGROUP), 0);
    for (const char *input : {"3 3 shared/m 1", "3 3 shared/new 1"}) {
        RunResult r = runMazegen(dir, input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE))) << input;
    }
    EXPECT_EQ(readFile(path("secret.txt")), "root's secret");
    EXPECT_FALSE(fileExists(path("planted.txt")));
    // A link of root's own there is followed.
    ASSERT_EQ(symlink("../mine.txt", path("shared/mine.txt").c_str()), 0);
    EXPECT_EQ(runMazegen(dir, "3 3 shared/mine 1").status, 0);
    EXPECT_EQ(mazeIn("mine.txt", 3, 3), "");
    EXPECT_TRUE(noTemporary() && noTemporary("shared"));
}

TEST_F(Saving, HardLinksFifosAndDevicesAreWrittenInPlace) {
    writeFile(path("m.txt"), std::string(100000, 'x'));  // longer than the new maze
    ASSERT_EQ(link(path("m.txt").c_str(), path("other.txt").c_str()), 0);
    EXPECT_EQ(runMazegen(dir, "3 3 m 1").status, 0);
    EXPECT_EQ(mazeIn("other.txt", 3, 3), "");  // both names see the new maze
    EXPECT_EQ(statOf("m.txt").st_ino, statOf("other.txt").st_ino);

    ASSERT_EQ(mkfifo(path("f.txt").c_str(), 0644), 0);
    std::string received;
    std::thread reader([&] { received = readFile(path("f.txt")); });
    RunResult r = runMazegen(dir, "3 3 f 1");
    reader.join();
    EXPECT_EQ(r.status, 0);
    ReadMaze m;
    EXPECT_EQ(parseTextMaze(received, &m), "");
    EXPECT_TRUE(S_ISFIFO(statOf("f.txt").st_mode));

    // A device that takes no data: the failure of the write is reported.
    ASSERT_EQ(symlink("/dev/full", path("full.txt").c_str()), 0);
    r = runMazegen(dir, "3 3 full 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.out, shown(CANNOT_WRITE_MESSAGE)));
    EXPECT_TRUE(noTemporary());
}

TEST_F(Saving, MountPointsAreWrittenInPlace) {
    // A file bound over another is written through, like a redirection;
    // one bound read-only is refused and left as it was.
    writeFile(path("src.txt"), "old maze");
    writeFile(path("m.txt"), "under the mount");
    writeFile(path("ro.txt"), "read-only maze");
    if (!mountHere(path("src.txt"), path("m.txt"), nullptr, MS_BIND))
        GTEST_SKIP() << "needs root to bind files in a mount namespace of its own";
    ASSERT_TRUE(mountHere(path("ro.txt"), path("ro.txt"), nullptr, MS_BIND));
    ASSERT_TRUE(mountHere("", path("ro.txt"), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY));
    EXPECT_EQ(runMazegen(dir, "3 4 m 1").status, 0);
    EXPECT_EQ(mazeIn("src.txt", 4, 3), "");
    RunResult r = runMazegen(dir, "3 4 ro 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE)));
    EXPECT_EQ(readFile(path("ro.txt")), "read-only maze");
    EXPECT_TRUE(noTemporary());
    umount2(path("m.txt").c_str(), MNT_DETACH);
    EXPECT_EQ(readFile(path("m.txt")), "under the mount");
}

/* Permissions, ownership and attributes */

TEST_F(Saving, ReplacedFilesKeepModeOwnerAndAttributesNewFilesFollowTheUmask) {
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

TEST_F(Saving, UnprivilegedUserWritesWhatItMayAndNothingElse) {
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

/* Failures of the system */

TEST_F(Saving, ATemporaryFileThatCannotBeMadeKeepsTheOldFile) {
    // Lack of inodes, a quota, too many open files or a disk error while the
    // temporary file is made: the save fails and the old file stays whole;
    // nothing is written in place.
    const std::string old(100000, 'x');
    mkdir(path("small").c_str(), 0755);
    if (mountHere("none", path("small"), "tmpfs", 0, "size=1m,nr_inodes=4")) {
        writeFile(path("small/m.txt"), old);
        for (int i = 0; i < 8; i++) writeFile(path("small/fill" + std::to_string(i)), "");
        RunResult r = runMazegen(dir, "30 30 small/m 1");
        EXPECT_EQ(r.status, 1) << "no inode left";
        EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE)));
        EXPECT_EQ(readFile(path("small/m.txt")), old) << "no inode left";
        EXPECT_TRUE(noTemporary("small"));
    } else {
        ADD_FAILURE() << "a small tmpfs could not be mounted (needs root)";
    }
    writeFile(path("m.txt"), old);
    RunOptions dryRun;
    dryRun.traceCalls = "openat";
    int temporaryOpen = ordinalOf(runMazegen(dir, "30 30 m 1", dryRun).calls, "openat", ".mz-");
    ASSERT_GT(temporaryOpen, 0) << "the temporary file's openat was not traced";
    for (const char *error : {"EDQUOT", "ENOSPC", "EMFILE", "EIO"}) {
        writeFile(path("m.txt"), old);
        RunOptions options;
        options.traceCalls = "openat";
        options.inject = "openat:error=" + std::string(error) + ":when=" + std::to_string(temporaryOpen);
        RunResult r = runMazegen(dir, "30 30 m 1", options);
        EXPECT_EQ(r.status, 1) << error;
        EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE))) << error;
        EXPECT_EQ(readFile(path("m.txt")), old) << error;
        EXPECT_TRUE(noTemporary()) << error;
    }
}

TEST_F(Saving, WritesSyncsAndTheRenameReachTheDiskInOrder) {
    // What the system sees of a replacement: every write to the temporary
    // file, then its sync, then the rename, then the sync of the folder.
    writeFile(path("m.txt"), "old maze");
    RunOptions options;
    options.traceCalls = "openat,write,fsync,close,renameat";
    RunResult r = runMazegen(dir, "30 30 m 1", options);
    ASSERT_EQ(r.status, 0);
    int fd = -1, lastWrite = -1, fileSync = -1, rename = -1, folderSync = -1, index = 0;
    std::string folder;
    for (const std::string &line : r.calls) {
        if (line.find(".mz-") != std::string::npos && line.find("openat(") != std::string::npos)
            fd = std::stoi(line.substr(line.rfind('=') + 1));
        else if (fd >= 0 && line.find("write(" + std::to_string(fd) + ",") != std::string::npos)
            lastWrite = index;
        else if (fd >= 0 && fileSync < 0 && line.find("fsync(" + std::to_string(fd) + ")") != std::string::npos)
            fileSync = index;
        else if (line.find(" renameat") != std::string::npos && line.find(".mz-") != std::string::npos) {
            rename = index;
            size_t open = line.find('(') + 1;
            folder = line.substr(open, line.find(',') - open);
        } else if (rename >= 0 && line.find("fsync(" + folder + ")") != std::string::npos) {
            folderSync = index;
        }
        index++;
    }
    ASSERT_GE(fd, 0) << "no temporary file traced";
    EXPECT_GE(lastWrite, 0);
    EXPECT_GT(fileSync, lastWrite) << "a write after the file's sync, or no sync";
    EXPECT_GT(rename, fileSync) << "the rename before the file's sync";
    EXPECT_GT(folderSync, rename) << "no sync of the folder after the rename";

    // A failed sync is a failed save: of the file (the old one stays), of
    // the folder after the rename (the new one is there, but not surely on
    // the disk), and a failed rename (the old one stays).
    const struct { const char *inject, *message; bool newInPlace; } failures[] = {
        {"fsync:error=EIO:when=1", CANNOT_WRITE_MESSAGE, false},
        {"fsync:error=EIO:when=2", CANNOT_WRITE_MESSAGE, true},
        {"renameat:error=EIO:when=1", CANNOT_CREATE_MESSAGE, false},
    };
    for (auto &failure : failures) {
        writeFile(path("m.txt"), "old maze");
        RunOptions injected;
        injected.traceCalls = "fsync,renameat";
        injected.inject = failure.inject;
        RunResult f = runMazegen(dir, "30 30 m 1", injected);
        EXPECT_EQ(f.status, 1) << failure.inject;
        EXPECT_TRUE(endsWith(f.out, shown(failure.message))) << failure.inject;
        if (failure.newInPlace) EXPECT_EQ(mazeIn("m.txt", 30, 30), "") << failure.inject;
        else EXPECT_EQ(readFile(path("m.txt")), "old maze") << failure.inject;
        EXPECT_TRUE(noTemporary()) << failure.inject;
    }
}

/* Interruptions */

TEST_F(Saving, AnInterruptedSaveLeavesNoTemporaryFile) {
    // Every signal that ends the process removes the temporary file first
    // and then ends it by that signal, into a subfolder as well; a signal
    // the caller ignored stays ignored and the save completes.
    writeFile(path("colorPalette.bin"), shippedPalette());
    mkdir(path("sub").c_str(), 0755);
    const struct { int signal; const char *name; bool ignored; } rows[] = {
        {SIGINT, "big", false},  {SIGTERM, "sub/big", false}, {SIGHUP, "big", false},
        {SIGQUIT, "sub/big", false}, {SIGPIPE, "big", false}, {SIGUSR1, "sub/big", false},
        {SIGUSR2, "big", false}, {SIGALRM, "sub/big", false}, {SIGVTALRM, "big", false},
        {SIGPROF, "sub/big", false}, {SIGXCPU, "big", false}, {SIGRTMIN + 2, "sub/big", false},
        {SIGHUP, "sub/big", true},
    };
    for (auto &row : rows) {
        // A 98 MB image: its temporary file lives for a good while.
        std::string folder = std::string(row.name) == "big" ? "" : "sub";
        RunOptions options;
        options.signal = row.signal;
        options.signalWhen = [&] { return !noTemporary(folder); };
        if (row.ignored) options.ignoredSignals = {row.signal};
        RunResult r = runMazegen(dir, std::string("2000 1000 ") + row.name + " 2\n", options);
        ASSERT_TRUE(r.signalSent) << "no temporary file seen for signal " << row.signal;
        EXPECT_TRUE(noTemporary() && noTemporary("sub")) << "signal " << row.signal;
        if (row.ignored) {
            EXPECT_EQ(r.status, 0) << "ignored signal " << row.signal;
            std::string bmp = readFile(path("sub/big.bmp"));
            ReadMaze m;
            EXPECT_EQ(mazeFromBitmap(bmp, &m), "");
            EXPECT_EQ(bitmapProblem(bmp, m, shippedPalette()), "");
        } else {
            EXPECT_EQ(r.signal, row.signal);
            EXPECT_EQ(listDir(dir), (std::vector<std::string>{"colorPalette.bin", "sub"}))
                << "signal " << row.signal;
            EXPECT_TRUE(listDir(path("sub")).empty()) << "signal " << row.signal;
        }
    }
}

/* Memory limits */

TEST_F(Saving, MemoryTheMachineOrAGroupHasNotIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace of its own";
    // 300 MB allowed, 200 MB of it used: 3000 x 3000 (113 MB) does not fit,
    // whether the limit is the process's group's or one above it.
    int tried = 0;
    for (int version : {1, 2})
        for (int levelsUp : {0, 1}) {
            if (!fakeGroup(version, levelsUp, "314572800", "209715200")) continue;
            tried += levelsUp;
            RunResult r = runMazegen(dir, "3000 3000 m 1");
            EXPECT_EQ(r.status, 2) << "version " << version << ", " << levelsUp << " up";
            EXPECT_TRUE(endsWith(r.out, shown(TOO_LARGE_MESSAGE)));
            EXPECT_EQ(runMazegen(dir, "300 300 m 1").status, 0) << "version " << version;
            umount2("/sys/fs/cgroup", MNT_DETACH);
            mounts.pop_back();
        }
    EXPECT_GT(tried, 0) << "no control group with a parent to put a limit on";
    // No limit ("max") leaves the machine's memory as the bound.
    if (fakeGroup(2, 0, "max", "209715200") || fakeGroup(1, 0, "max", "0")) {
        EXPECT_EQ(runMazegen(dir, "300 300 m 1").status, 0);
        umount2("/sys/fs/cgroup", MNT_DETACH);
        mounts.pop_back();
    }
    // The machine's available memory is given in KiB: 1000 x 1000 needs
    // 12,515,116 bytes, which 12400 kB hold (12,697,600 bytes) but would not
    // if they were read as thousands of bytes.
    writeFile(path("meminfo"), "MemTotal: 1000000 kB\nMemFree: 20000 kB\nMemAvailable: 12400 kB\n");
    ASSERT_TRUE(mountHere(path("meminfo"), "/proc/meminfo", nullptr, MS_BIND));
    EXPECT_EQ(runMazegen(dir, "1000 1000 m 1").status, 0) << "12.5 MB fits in 12400 kB";
    EXPECT_EQ(runMazegen(dir, "1100 1100 m 1").status, 2) << "15.1 MB does not fit in 12400 kB";
}

}  // namespace
