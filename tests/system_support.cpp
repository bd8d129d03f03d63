// Mounts, users, attributes and control groups for the tests of saves on a
// hostile system.
#include "tests/system_support.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

void SystemTest::TearDown() {
    for (auto at = mounts.rbegin(); at != mounts.rend(); ++at) umount2(at->c_str(), MNT_DETACH);
    ScratchFolderTest::TearDown();
}

bool SystemTest::mountHere(const std::string &source, const std::string &target, const char *type,
                           unsigned long flags, const char *data) {
    static bool own = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!own || mount(source.c_str(), target.c_str(), type, flags, data) != 0) return false;
    mounts.push_back(target);
    return true;
}

void SystemTest::unmountLast() {
    umount2(mounts.back().c_str(), MNT_DETACH);
    mounts.pop_back();
}

std::string SystemTest::mazeIn(const std::string &name, int width, int height) {
    return mazeProblem(readFile(path(name)), width, height);
}

std::string SystemTest::mazeProblem(const std::string &bytes, int width, int height) {
    ReadMaze m;
    std::string why = parseTextMaze(bytes, &m);
    if (why.empty()) why = perfectMazeProblem(m);
    if (why.empty() && (m.width != width || m.height != height)) why = "other sizes";
    return why;
}

struct stat SystemTest::statOf(const std::string &name, bool follow) {
    struct stat st = {};
    if (follow) stat(path(name).c_str(), &st);
    else lstat(path(name).c_str(), &st);
    return st;
}

bool SystemTest::noTemporary(const std::string &folder) {
    for (const std::string &name : listDir(folder.empty() ? dir : path(folder)))
        if (name.rfind(".mz-", 0) == 0) return false;
    return true;
}

std::map<std::string, std::string> SystemTest::attributesOf(const std::string &name) {
    std::map<std::string, std::string> found;
    char names[4096], value[4096];
    ssize_t listed = llistxattr(path(name).c_str(), names, sizeof names);
    for (ssize_t at = 0; at < listed; at += (ssize_t)strlen(names + at) + 1) {
        ssize_t size = lgetxattr(path(name).c_str(), names + at, value, sizeof value);
        found[names + at] = size < 0 ? "?" : std::string(value, (size_t)size);
    }
    return found;
}

int SystemTest::shell(const std::string &command) {
    return system(("cd " + dir + " && " + command).c_str());
}

bool SystemTest::fakeGroup(int version, int levelsUp, const std::string &limit,
                           const std::string &usage, const std::string &inactive) {
    std::string groups = readFile("/proc/self/cgroup"), group;
    size_t at = 0;
    for (size_t end; (end = groups.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = groups.substr(at, end - at);
        size_t memory = line.find(":memory:");
        if (version == 2 && line.rfind("0::", 0) == 0) group = line.substr(3);
        if (version == 1 && memory != std::string::npos) group = line.substr(memory + 8);
    }
    if (group.empty()) return false;
    if (levelsUp == ROOT_GROUP) group = "/";
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
    // Version 1 gives the group's own figures and, with total_, those of
    // the groups below it as well, which its usage counts.
    writeFile(root + group + "/memory.stat",
              version == 2 ? "active_file 0\ninactive_file " + inactive + "\n"
                           : "inactive_file 0\nactive_file 0\ntotal_inactive_file " + inactive + "\n");
    return true;
}

// A run of the program as the unprivileged user nobody.
RunOptions asNobody() {
    RunOptions limits;
    limits.wrapper = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    return limits;
}

std::vector<std::string> withoutProc() {
    return {"unshare", "--mount", "sh", "-c", "umount -l /proc && exec \"$@\"", "sh"};
}

// Preloads the tests' shim into the run in `options`, with `variable` set
// to `value`.
static void preloadShim(RunOptions *options, const char *variable, const std::string &value) {
    options->environment.push_back({"LD_PRELOAD", MAZEGEN_SHIM_PATH});
    options->environment.push_back({variable, value});
    // A sanitized program's runtime must otherwise be the first library.
    const char *sanitizer = getenv("ASAN_OPTIONS");
    options->environment.push_back(
        {"ASAN_OPTIONS", std::string(sanitizer ? sanitizer : "") + ":verify_asan_link_order=0"});
}

void refuseUnnamedFiles(RunOptions *options) {
    preloadShim(options, "MAZEGEN_REFUSE_UNNAMED", "1");
}

void failAllocationsOver(RunOptions *options, long bytes) {
    preloadShim(options, "MAZEGEN_MALLOC_LIMIT", std::to_string(bytes));
}

bool holdsUnnamedFile(pid_t pid, const std::string &folder) {
    std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    std::filesystem::directory_iterator entry(fds, error), end;
    for (; !error && entry != end; entry.increment(error)) {
        std::error_code gone;  // a descriptor closed since the listing
        std::string target = std::filesystem::read_symlink(entry->path(), gone).string();
        if (target.rfind(folder + "/", 0) == 0 && endsWith(target, " (deleted)")) return true;
    }
    return false;
}

bool nobodyCanRead(const std::string &path) {
    pid_t child = fork();
    if (child == 0) {
        bool nobody = setgroups(0, nullptr) == 0 && setgid(NOGROUP) == 0 && setuid(NOBODY) == 0;
        _exit(nobody && open(path.c_str(), O_RDONLY) >= 0 ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool canSwitchUser() {
    return geteuid() == 0 && system("setpriv --version >/dev/null 2>&1") == 0;
}

