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
    // The temporary file, unnamed or (where the system refuses unnamed
    // files) named: a replacement's is private to its owner until it gets
    // the old file's mode, and a named one is made only where no file has
    // its name, so that a link planted there is not followed. Each failure
    // to make one keeps the old file.
    const struct { bool named; const char *name, *mark, *mode; } temporaries[] = {
        {false, "m", "O_TMPFILE", "0600"},
        {true, "m", ".mz-", "0600"},
        {true, "n", ".mz-", "0666"},
    };
    for (auto &temporary : temporaries) {
        writeFile(path("m.txt"), old);
        RunOptions dryRun;
        dryRun.traceCalls = "openat";
        if (temporary.named) refuseUnnamedFiles(&dryRun);
        std::string input = std::string("30 30 ") + temporary.name + " 1";
        RunResult traced = runMazegen(dir, input, dryRun);
        int temporaryOpen = ordinalOf(traced.calls, "openat", temporary.mark);
        ASSERT_GT(temporaryOpen, 0) << "the temporary file's openat was not traced";
        std::string line;
        for (const std::string &call : traced.calls)
            if (line.empty() && call.find(temporary.mark) != std::string::npos) line = call;
        EXPECT_EQ(line.find("O_EXCL") != std::string::npos, temporary.named) << line;
        EXPECT_NE(line.find(std::string(", ") + temporary.mode + ")"), std::string::npos) << line;
        unlink(path("n.txt").c_str());
        if (std::string(temporary.name) != "m") continue;
        for (const char *error : {"EDQUOT", "ENOSPC", "EMFILE", "EIO"}) {
            writeFile(path("m.txt"), old);
            RunOptions options;
            options.traceCalls = "openat";
            if (temporary.named) refuseUnnamedFiles(&options);
            options.inject = "openat:error=" + std::string(error) + ":when=" + std::to_string(temporaryOpen);
            RunResult r = runMazegen(dir, input, options);
            EXPECT_EQ(r.status, 1) << error << " " << temporary.mark;
            EXPECT_TRUE(endsWith(r.out, shown(CANNOT_CREATE_MESSAGE))) << error;
            EXPECT_EQ(readFile(path("m.txt")), old) << error;
            EXPECT_TRUE(noTemporary()) << error;
        }
    }
}

TEST_F(SaveTest, WritesSyncsAndTheRenameReachTheDiskInOrder) {
    // What the system sees of a replacement: every write to the unnamed
    // temporary file, then the old file's mode given again (a write clears
    // set-ID bits), then its sync, then its link to a hidden name, the
    // rename, then the sync of the folder. A file written in place (one of
    // two hard links, opened itself) is synced after its last write, with
    // no mode given and no name.
    writeFile(path("h.txt"), "old maze");
    ASSERT_EQ(link(path("h.txt").c_str(), path("h-link.txt").c_str()), 0);
    const struct { const char *name, *opened; bool inPlace; } saves[] = {
        {"m", "O_TMPFILE", false}, {"h", "O_WRONLY|O_NOCTTY|O_CLOEXEC)", true}};
    for (auto &save : saves) {
        writeFile(path(std::string(save.name) + ".txt"), "old maze");
        RunOptions options;
        options.traceCalls = "openat,write,fchmod,fsync,close,linkat,renameat";
        RunResult r = runMazegen(dir, std::string("30 30 ") + save.name + " 1", options);
        ASSERT_EQ(r.status, 0) << save.name;
        int fd = -1, lastWrite = -1, mode = -1, fileSync = -1, link = -1, rename = -1, folderSync = -1;
        int index = 0;
        std::string folder;
        for (const std::string &line : r.calls) {
            auto result = [&] { return line.substr(line.rfind('=') + 2); };
            if (line.find(save.opened) != std::string::npos && line.find("openat(") != std::string::npos)
                fd = std::stoi(result());
            else if (fd >= 0 && line.find("write(" + std::to_string(fd) + ",") != std::string::npos)
                lastWrite = index;
            else if (fd >= 0 && line.find("fchmod(" + std::to_string(fd) + ",") != std::string::npos)
                mode = index;
            else if (fd >= 0 && fileSync < 0 && line.find("fsync(" + std::to_string(fd) + ")") != std::string::npos)
                fileSync = index;
            else if (line.find(" linkat(") != std::string::npos && line.find(".mz-") != std::string::npos)
                link = index;
            else if (line.find(" renameat") != std::string::npos && line.find(".mz-") != std::string::npos)
                rename = index;
            else if (rename >= 0 && line.find("openat(") != std::string::npos && line.find("O_DIRECTORY") != std::string::npos)
                folder = result();  // the folder, opened to be synced
            else if (rename >= 0 && line.find("fsync(" + folder + ")") != std::string::npos) {
                folderSync = index;
            }
            index++;
        }
        ASSERT_GE(fd, 0) << save.name << ": the file's opening was not traced";
        EXPECT_GE(lastWrite, 0) << save.name;
        EXPECT_GT(fileSync, lastWrite) << save.name << ": a write after the file's sync, or no sync";
        if (save.inPlace) {
            EXPECT_EQ(mazeIn("h-link.txt", 30, 30), "") << "the hard link was cut";
            EXPECT_TRUE(mode < 0 && link < 0 && rename < 0) << "a file written in place was given a mode or a name";
            continue;
        }
        EXPECT_GT(mode, lastWrite) << "the mode given before the last write, or not at all";
        EXPECT_GT(fileSync, mode) << "the mode given after the file's sync";
        EXPECT_GT(link, fileSync) << "the file named before its sync";
        EXPECT_GT(rename, link) << "the rename before the file had a name";
        EXPECT_GT(rename, fileSync) << "the rename before the file's sync";
        EXPECT_GT(folderSync, rename) << "no sync of the folder after the rename";
    }

    // A failed sync is a failed save: of the file (the old one stays), of
    // the folder after the rename (the new one is there, but not surely on
    // the disk), and so is a failed rename or link (the old one stays): a
    // disk error while naming the file is a failure to write it, a refusal
    // of the name a failure to create it. So is a failure to give the old
    // file's mode after the last write, and the failed sync of a file
    // written in place (which keeps what was written).
    const struct { const char *name, *inject, *message; bool newInPlace; } failures[] = {
        {"m", "fsync:error=EIO:when=1", CANNOT_WRITE_MESSAGE, false},
        {"m", "fsync:error=EIO:when=2", CANNOT_WRITE_MESSAGE, true},
        {"m", "renameat:error=EIO:when=1", CANNOT_WRITE_MESSAGE, false},
        {"m", "linkat:error=EIO:when=1", CANNOT_WRITE_MESSAGE, false},
        {"m", "renameat:error=EACCES:when=1", CANNOT_CREATE_MESSAGE, false},
        {"m", "linkat:error=EPERM:when=1", CANNOT_CREATE_MESSAGE, false},
        {"m", "fchmod:error=EIO:when=1", CANNOT_WRITE_MESSAGE, false},
        {"h", "fsync:error=EIO:when=1", CANNOT_WRITE_MESSAGE, true},
    };
    for (auto &failure : failures) {
        std::string name = std::string(failure.name) + ".txt", label = name + " " + failure.inject;
        writeFile(path(name), "old maze");
        RunOptions injected;
        injected.traceCalls = "fsync,renameat,linkat,fchmod";
        injected.inject = failure.inject;
        RunResult f = runMazegen(dir, std::string("30 30 ") + failure.name + " 1", injected);
        EXPECT_EQ(f.status, 1) << label;
        EXPECT_TRUE(endsWith(f.out, shown(failure.message))) << label;
        if (failure.newInPlace) EXPECT_EQ(mazeIn(name, 30, 30), "") << label;
        else EXPECT_EQ(readFile(path(name)), "old maze") << label;
        EXPECT_TRUE(noTemporary()) << label;
    }
    EXPECT_EQ(statOf("h.txt").st_ino, statOf("h-link.txt").st_ino) << "the hard link was cut";

    // A new name is linked straight to the complete file, with no rename;
    // a name some other process took meanwhile is replaced by a rename.
    const struct { const char *inject; bool renamed; } newNames[] = {
        {"", false}, {"linkat:error=EEXIST:when=1", true}};
    for (auto &newName : newNames) {
        RunOptions traced;
        traced.traceCalls = "linkat,renameat";
        traced.inject = newName.inject;
        RunResult n = runMazegen(dir, "30 30 n 1", traced);
        EXPECT_EQ(n.status, 0) << newName.inject;
        EXPECT_EQ(mazeIn("n.txt", 30, 30), "") << newName.inject;
        auto named = [&](const char *call) {  // a call that gave the file its name
            return ordinalOf(n.calls, call, "\"n.txt\", AT_SYMLINK_FOLLOW) = 0") +
                   ordinalOf(n.calls, call, "\"n.txt\") = 0") > 0;
        };
        EXPECT_EQ(named("linkat"), !newName.renamed) << newName.inject;
        EXPECT_EQ(named("renameat"), newName.renamed) << newName.inject;
        EXPECT_TRUE(noTemporary()) << newName.inject;
        unlink(path("n.txt").c_str());
    }
}

TEST_F(SaveTest, AnInterruptedSaveLeavesNoTemporaryFile) {
    // Every signal that ends the process removes a named temporary file
    // first and then ends it by that signal, into a subfolder as well; a
    // signal the caller ignored stays ignored and the save completes. An
    // unnamed temporary file leaves nothing whatever ends the process: a
    // kill that cannot be caught (SIGKILL, and the C library's own
    // signals 32 and 33, which it keeps from programs) as well.
    writeFile(path("colorPalette.bin"), shippedPalette());
    mkdir(path("sub").c_str(), 0755);
    const struct { int signal; const char *name; bool ignored, named; } rows[] = {
        {SIGINT, "big", false, true},  {SIGTERM, "sub/big", false, true}, {SIGHUP, "big", false, true},
        {SIGQUIT, "sub/big", false, true}, {SIGPIPE, "big", false, true}, {SIGUSR1, "sub/big", false, true},
        {SIGUSR2, "big", false, true}, {SIGALRM, "sub/big", false, true}, {SIGVTALRM, "big", false, true},
        {SIGPROF, "sub/big", false, true}, {SIGXCPU, "big", false, true}, {SIGRTMIN + 2, "sub/big", false, true},
        {SIGRTMAX, "big", false, true},
        {SIGKILL, "big", false, false}, {32, "sub/big", false, false}, {33, "big", false, false},
        {SIGTERM, "sub/big", false, false}, {SIGHUP, "sub/big", true, true},
    };
    for (auto &row : rows) {
        // A 98 MB image: its temporary file lives for a good while.
        std::string folder = std::string(row.name) == "big" ? "" : "sub";
        RunOptions options;
        options.signal = row.signal;
        if (row.named) {
            refuseUnnamedFiles(&options);
            options.signalWhen = [&](pid_t) { return !noTemporary(folder); };
        } else {
            std::string where = folder.empty() ? dir : path(folder);
            options.signalWhen = [where](pid_t pid) { return holdsUnnamedFile(pid, where); };
        }
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
