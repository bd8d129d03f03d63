// Saving through what is already at the chosen name: links, file kinds,
// permissions and owners, interruptions and limits, as a user meets them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "tests/support.h"

namespace {

const uid_t NOBODY = 65534;

class Saving : public ScratchFolderTest {
protected:
    // "" when `name` holds a perfect maze of the given sizes, else what is wrong.
    std::string mazeIn(const std::string &name, int width, int height) {
        ReadMaze m;
        std::string why = parseTextMaze(readFile(path(name)), &m);
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
};

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

TEST_F(Saving, SymbolicLinksSaveThroughToWhatTheyPointTo) {
    mkdir(path("sub").c_str(), 0755);
    writeFile(path("sub/real.txt"), "old maze");
    ASSERT_EQ(symlink("sub/real.txt", path("m.txt").c_str()), 0);   // relative
    ASSERT_EQ(symlink("m.txt", path("chain.txt").c_str()), 0);      // a link to a link
    ASSERT_EQ(symlink("sub/new.txt", path("dangling.txt").c_str()), 0);

    EXPECT_EQ(runMazegen(dir, "3 4 m 1").status, 0);
    EXPECT_EQ(mazeIn("sub/real.txt", 4, 3), "");
    EXPECT_EQ(runMazegen(dir, "5 2 chain 1").status, 0);
    EXPECT_EQ(mazeIn("sub/real.txt", 2, 5), "");
    EXPECT_EQ(runMazegen(dir, "2 2 dangling 1").status, 0);
    EXPECT_EQ(mazeIn("sub/new.txt", 2, 2), "");
    for (const char *link : {"m.txt", "chain.txt", "dangling.txt"})
        EXPECT_TRUE(S_ISLNK(statOf(link).st_mode)) << link << " is no longer a link";
    EXPECT_TRUE(noTemporary() && noTemporary("sub"));
}

TEST_F(Saving, HardLinksFifosAndDevicesAreWrittenInPlace) {
    writeFile(path("m.txt"), "old maze");
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

    // A device that takes no data: the failure at the final flush is reported.
    ASSERT_EQ(symlink("/dev/full", path("full.txt").c_str()), 0);
    r = runMazegen(dir, "3 3 full 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(endsWith(r.out, shown(CANNOT_WRITE_MESSAGE)));
    EXPECT_TRUE(noTemporary());
}

/* Permissions and ownership */

TEST_F(Saving, ReplacedFilesKeepModeAndOwnerNewFilesFollowTheUmask) {
    writeFile(path("m.txt"), "old maze");
    ASSERT_EQ(chmod(path("m.txt").c_str(), 0600), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path("m.txt").c_str(), NOBODY, NOBODY), 0);
    }
    uid_t owner = statOf("m.txt").st_uid;
    EXPECT_EQ(runMazegen(dir, "3 3 m 1").status, 0);
    EXPECT_EQ(mazeIn("m.txt", 3, 3), "");
    EXPECT_EQ(statOf("m.txt").st_mode & 07777, 0600u);
    EXPECT_EQ(statOf("m.txt").st_uid, owner);
    EXPECT_EQ(statOf("m.txt").st_nlink, 1u);

    mode_t old = umask(027);
    RunResult r = runMazegen(dir, "3 3 n 1");
    umask(old);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(statOf("n.txt").st_mode & 07777, 0640u);
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
    EXPECT_TRUE(noTemporary("closed") && noTemporary("mine") && noTemporary());
}

/* Interruptions */

TEST_F(Saving, AnInterruptedSaveLeavesNoTemporaryFile) {
    writeFile(path("colorPalette.bin"), shippedPalette());
    for (int interrupt : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        // A 98 MB image: its temporary file lives for a good while.
        RunOptions options;
        options.signal = interrupt;
        options.signalWhen = [&] { return !noTemporary(); };
        RunResult r = runMazegen(dir, "2000 1000 big 2\n", options);
        ASSERT_TRUE(r.signalSent) << "no temporary file seen for signal " << interrupt;
        EXPECT_EQ(r.signal, interrupt);
        EXPECT_EQ(listDir(dir), std::vector<std::string>{"colorPalette.bin"}) << "signal " << interrupt;
    }
}

/* Limits */

// A run inside a private mount namespace whose control-group files are
// replaced by a tmpfs holding one memory limit and usage, in the layout of
// control groups version `version`; no real group of the machine changes.
RunResult runUnderFakeGroupLimit(const std::string &dir, const std::string &input, int version,
                                 const std::string &limit, const std::string &usage) {
    std::string script =
        "set -e; v2=$(sed -n 's/^0:://p' /proc/self/cgroup); "
        "v1=$(sed -n 's/^[0-9]*:[^:]*memory[^:]*://p' /proc/self/cgroup); "
        "mount -t tmpfs none /sys/fs/cgroup; " +
        std::string(version == 2
                        ? "d=/sys/fs/cgroup$v2; f=memory.max; u=memory.current; "
                        : "d=/sys/fs/cgroup/memory$v1; f=memory.limit_in_bytes; u=memory.usage_in_bytes; ") +
        "mkdir -p \"$d\"; echo " + limit + " > \"$d/$f\"; echo " + usage + " > \"$d/$u\"; exec \"$0\"";
    RunOptions limits;
    limits.wrapper = {"unshare", "-m", "sh", "-c", script};
    return runMazegen(dir, input, limits);
}

TEST_F(Saving, ControlGroupMemoryLimitRefusesWhatWouldNotFit) {
    if (geteuid() != 0 || system("unshare -m true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and unshare for a private mount namespace";
    // 300 MB allowed, 200 MB of it used: 3000 x 3000 (113 MB) does not fit.
    std::string groups = readFile("/proc/self/cgroup");
    for (int version : {1, 2}) {
        bool present = version == 2 ? groups.rfind("0::", 0) == 0 || groups.find("\n0::") != std::string::npos
                                    : groups.find("memory") != std::string::npos;
        if (!present) continue;  // this machine's groups have no such hierarchy
        RunResult r = runUnderFakeGroupLimit(dir, "3000 3000 m 1", version, "314572800", "209715200");
        EXPECT_EQ(r.status, 2) << "version " << version;
        EXPECT_TRUE(endsWith(r.out, shown(TOO_LARGE_MESSAGE)));
        r = runUnderFakeGroupLimit(dir, "300 300 m 1", version, "314572800", "209715200");
        EXPECT_EQ(r.status, 0) << "version " << version;
    }
    // No limit ("max") leaves the machine's memory as the bound.
    EXPECT_EQ(runUnderFakeGroupLimit(dir, "300 300 m 1", 2, "max", "209715200").status, 0);
}

}  // namespace
