// Saves that the system makes fail: no room for the temporary file,
// failed syncs and renames in the order a trace shows, and interruptions
// by every signal that ends a program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/system_support.h"

namespace {

using SaveTest = SystemTest;

TEST_F(SaveTest, ATemporaryFileThatCannotBeMadeKeepsTheOldFile) {
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

TEST_F(SaveTest, WritesSyncsAndTheRenameReachTheDiskInOrder) {
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

TEST_F(SaveTest, AnInterruptedSaveLeavesNoTemporaryFile) {
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
        options.signalWhen = [&](pid_t) { return !noTemporary(folder); };
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

}  // namespace
