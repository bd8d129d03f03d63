// Saving through what is already at the chosen name: symbolic links
// followed as the system follows them, magic links, links others planted,
// hard links, FIFOs, devices and mount points.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/system_support.h"

namespace {

using SaveTest = SystemTest;

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

TEST_F(SaveTest, SymbolicLinksAreFollowedAsTheSystemFollowsThem) {
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
    // The same again where /proc is not mounted (a container, a chroot):
    // the links are walked from folder to folder, and the file they end at
    // is still replaced whole, a new file in its place.
    const struct { const char *input; int status; const char *saved; int w, h; bool noProc; } rows[] = {
        {"3 4 m 1", 0, "sub/real.txt", 4, 3, false},
        {"5 2 chain 1", 0, "sub/real.txt", 2, 5, false},
        {"2 2 dangling 1", 0, "sub/new.txt", 2, 2, false},
        {"2 3 sub/in 1", 0, "sub/real.txt", 3, 2, false},
        {"3 3 l41 1", 1, nullptr, 0, 0, false},
        {"3 3 l40 1", 0, "end.txt", 3, 3, false},
        {"3 3 d41 1", 1, nullptr, 0, 0, false},
        {"3 3 d40 1", 0, "new-end.txt", 3, 3, false},
        {"4 3 m 1", 0, "sub/real.txt", 3, 4, true},
        {"2 5 chain 1", 0, "sub/real.txt", 5, 2, true},
        {"3 2 sub/in 1", 0, "sub/real.txt", 2, 3, true},
        {"4 4 l40 1", 0, "end.txt", 4, 4, true},
        {"4 4 l41 1", 1, nullptr, 0, 0, true},
    };
    for (auto &row : rows) {
#ifdef MAZEGEN_SANITIZED
        // A sanitizer's runtime reads its options and the process's threads
        // from /proc: a sanitized program cannot run without it.
        if (row.noProc) continue;
#endif
        struct stat before = {};
        if (row.saved) stat(path(row.saved).c_str(), &before);
        RunOptions options;
        if (row.noProc) options.wrapper = withoutProc();
        RunResult r = runMazegen(dir, row.input, options);
        EXPECT_EQ(r.status, row.status) << row.input;
        if (row.saved) {
            EXPECT_EQ(mazeIn(row.saved, row.w, row.h), "") << row.input;
            EXPECT_NE(statOf(row.saved).st_ino, before.st_ino) << row.input << ": written in place";
        } else {
            EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE))) << row.input;
        }
    }
    for (const char *link : {"m.txt", "chain.txt", "dangling.txt", "sub/in.txt", "l40.txt"})
        EXPECT_TRUE(S_ISLNK(statOf(link).st_mode)) << link << " is no longer a link";
    EXPECT_FALSE(fileExists(path("real.txt")) || fileExists(path("subreal.txt")));
    EXPECT_TRUE(noTemporary() && noTemporary("sub"));
}

TEST_F(SaveTest, MagicLinksAreWrittenThroughLikeARedirection) {
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

TEST_F(SaveTest, LinksOthersPlantedInASharedFolderAreNotFollowed) {
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
    // A link of root's own there is followed, and so are nobody's links in
    // a folder that is only one of sticky and world-writable: the rule
    // needs both.
    ASSERT_EQ(symlink("../mine.txt", path("shared/mine.txt").c_str()), 0);
    EXPECT_EQ(runMazegen(dir, "3 3 shared/mine 1").status, 0);
    EXPECT_EQ(mazeIn("mine.txt", 3, 3), "");
    // So is nobody's own dangling link there, saved by nobody.
    if (canSwitchUser()) {
        ASSERT_EQ(symlink("ours-target.txt", path("shared/ours.txt").c_str()), 0);
        ASSERT_EQ(lchown(path("shared/ours.txt").c_str(), NOBODY, NOGROUP), 0);
        EXPECT_EQ(runMazegen(dir, "3 3 shared/ours 1", asNobody()).status, 0);
        EXPECT_EQ(mazeIn("shared/ours-target.txt", 3, 3), "");
    }
    // And so is a link of the folder's owner in a sticky folder anyone may
    // write to.
    const struct { const char *folder; mode_t mode; uid_t owner; } followed[] = {
        {"open", 0777, 0}, {"sticky", 01755, 0}, {"owners", 01777, NOBODY}};
    for (auto &row : followed) {
        std::string folder = row.folder;
        mkdir(path(folder).c_str(), row.mode);
        ASSERT_EQ(chmod(path(folder).c_str(), row.mode), 0);
        ASSERT_EQ(chown(path(folder).c_str(), row.owner, NOGROUP), 0);
        ASSERT_EQ(symlink(("../" + folder + ".txt").c_str(), path(folder + "/new.txt").c_str()), 0);
        ASSERT_EQ(lchown(path(folder + "/new.txt").c_str(), NOBODY, NOGROUP), 0);
        EXPECT_EQ(runMazegen(dir, "3 3 " + folder + "/new 1").status, 0) << folder;
        EXPECT_EQ(mazeIn(folder + ".txt", 3, 3), "") << folder;
    }
    EXPECT_TRUE(noTemporary() && noTemporary("shared"));
}

TEST_F(SaveTest, HardLinksFifosAndDevicesAreWrittenInPlace) {
    const std::string old(100000, 'x');  // longer than the new maze
    writeFile(path("m.txt"), old);
    ASSERT_EQ(link(path("m.txt").c_str(), path("other.txt").c_str()), 0);
    ino_t inode = statOf("m.txt").st_ino;
    // The file is locked before it is emptied: a lock that cannot be had
    // fails the save and leaves the file as it was.
    RunOptions noLock;
    noLock.traceCalls = "flock";
    noLock.inject = "flock:error=ENOLCK";
    RunResult r = runMazegen(dir, "3 3 m 1", noLock);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE)));
    EXPECT_TRUE(readFile(path("m.txt")) == old) << "the file was emptied or written";
    EXPECT_EQ(runMazegen(dir, "3 3 m 1").status, 0);
    EXPECT_EQ(mazeIn("other.txt", 3, 3), "");  // both names see the new maze
    EXPECT_EQ(statOf("m.txt").st_ino, inode);
    EXPECT_EQ(statOf("other.txt").st_ino, inode);

    // Two saves in place at once: the second waits for the first to end,
    // so the file holds one whole maze, the second's. The first is slowed
    // at each write, and the second starts once the first has begun to
    // write (the file has grown past what it held).
    writeFile(path("m.txt"), "old");
    RunOptions slow;
    slow.traceCalls = "write";
    slow.inject = "write:delay_enter=50000:when=2+";
    RunResult first;
    std::atomic<bool> firstEnded(false);
    std::thread firstSave([&] {
        first = runMazegen(dir, "300 300 m 1", slow);
        firstEnded = true;
    });
    while (statOf("m.txt").st_size <= 3 && !firstEnded) std::this_thread::yield();
    RunResult second = runMazegen(dir, "200 250 m 1");
    firstSave.join();
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(mazeIn("other.txt", 250, 200), "");
    EXPECT_EQ(statOf("m.txt").st_ino, inode);

    ASSERT_EQ(mkfifo(path("f.txt").c_str(), 0644), 0);
    std::string received;
    std::thread reader([&] { received = readFile(path("f.txt")); });
    r = runMazegen(dir, "3 3 f 1");
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

TEST_F(SaveTest, MountPointsAreWrittenInPlace) {
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

}  // namespace
