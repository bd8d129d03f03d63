// Running the built program with answers on standard input, on POSIX
// systems; under Wine when the program is a Windows build.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "tests/support.h"

RunLimits limitsOf(long fileSize, long addressSpace, int seconds) {
    RunLimits limits;
    limits.fileSize = fileSize;
    limits.addressSpace = addressSpace;
    limits.seconds = seconds;
    return limits;
}

// Runs `program` (under `wine` when not null) in `dir` on `input`.
static RunResult runProgram(const char *wine, const char *program, const std::string &dir,
                            const std::string &input, RunLimits limits) {
    RunResult result;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        if (limits.errorFd >= 0) dup2(limits.errorFd, 2);
        close(in[0]); close(in[1]); close(out[0]); close(out[1]);
        if (chdir(dir.c_str()) != 0) _exit(126);
        // Under Wine a write past the file-size limit must fail as on a full
        // Windows disk, not end Wine by a signal the program cannot see.
        if (wine) signal(SIGXFSZ, SIG_IGN);
        // Wine takes the system code page from the locale: the Japanese one.
        if (wine) setenv("LANG", "ja_JP.UTF-8", 1);
        if (limits.fileSize >= 0) {
            struct rlimit r = {(rlim_t)limits.fileSize, (rlim_t)limits.fileSize};
            setrlimit(RLIMIT_FSIZE, &r);
        }
        if (limits.addressSpace >= 0) {
            struct rlimit r = {(rlim_t)limits.addressSpace, (rlim_t)limits.addressSpace};
            setrlimit(RLIMIT_AS, &r);
        }
        std::vector<char *> argv;
        for (auto &word : limits.wrapper) argv.push_back((char *)word.c_str());
        if (wine) argv.push_back((char *)wine);
        argv.push_back((char *)program);
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);
    size_t sent = 0;
    if (input.empty()) { close(in[1]); in[1] = -1; }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
    for (;;) {
        struct pollfd fds[2] = {{out[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) { result.timedOut = true; kill(pid, SIGKILL); break; }
        poll(fds, in[1] >= 0 ? 2 : 1, left);
        if (in[1] >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(in[1], input.data() + sent, input.size() - sent);
            if (n > 0) sent += (size_t)n;
            if (n < 0 || sent == input.size()) { close(in[1]); in[1] = -1; }
        }
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buf[4096];
            ssize_t n = read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            result.out.append(buf, (size_t)n);
        }
    }
    if (in[1] >= 0) close(in[1]);
    close(out[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
    return result;
}


RunResult runMazegen(const std::string &dir, const std::string &input, RunLimits limits) {
#ifdef MAZEGEN_WINE
    return runProgram(MAZEGEN_WINE, MAZEGEN_PATH, dir, input, limits);
#else
    return runProgram(nullptr, MAZEGEN_PATH, dir, input, limits);
#endif
}

#ifdef MAZEGEN_LINUX_PATH
RunResult runLinuxMazegen(const std::string &dir, const std::string &input) {
    return runProgram(nullptr, MAZEGEN_LINUX_PATH, dir, input, RunLimits{});
}
#endif

std::string consoleText(const std::string &text) {
#ifdef MAZEGEN_WINE
    // A Windows console program's standard output is a text stream.
    std::string shown;
    for (char c : text) shown += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return shown;
#else
    return text;
#endif
}

bool underWine() {
#ifdef MAZEGEN_WINE
    return true;
#else
    return false;
#endif
}

const std::string CANNOT_CREATE_MESSAGE =
    consoleText(hexBytes("837483408343838b82aa8dec90ac82c582ab82dc82b982f1210a"));
const std::string CANNOT_WRITE_MESSAGE =
    consoleText(hexBytes("837483408343838b82c98f9182ab8d9e82df82dc82b982f1210a"));
const std::string TOO_LARGE_MESSAGE = consoleText(hexBytes("96c0984882aa91e582ab82b782ac82dc82b7210a"));
