// Running the built program with answers on standard input, on POSIX
// systems; under Wine when the program is a Windows build. One runner for
// every test: pipes or a pseudo-terminal, limits, a wrapper command, a
// conversation answered prompt by prompt, and a signal sent on cue.
#include <fcntl.h>
#include <iconv.h>
#include <zlib.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "tests/support.h"

RunOptions limitsOf(long fileSize, long addressSpace, int seconds) {
    RunOptions options;
    options.fileSize = fileSize;
    options.addressSpace = addressSpace;
    options.seconds = seconds;
    return options;
}

bool underWine() {
#ifdef MAZEGEN_WINE
    return true;
#else
    return false;
#endif
}

std::string ownShown(const std::string &text) {
    return underWine() ? shown(text) : utf8Of(text);
}

std::string shown(const std::string &text) {
    if (!underWine()) return text;
    // A Windows console program's standard output is a text stream.
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// `text` converted from the codeset `from` to `to`; "" when it does not convert.
static std::string convertText(const char *to, const char *from, const std::string &text) {
    iconv_t converter = iconv_open(to, from);
    if (converter == (iconv_t)-1) return "";
    std::string out(text.size() * 2, '\0');
    char *in = (char *)text.data(), *next = &out[0];
    size_t inLeft = text.size(), outLeft = out.size();
    bool converted = iconv(converter, &in, &inLeft, &next, &outLeft) != (size_t)-1;
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return converted ? out : "";
}

std::string decodedPixels(const std::string &path, PictureReader reader) {
    // The Debian builds of both readers, whatever else the PATH holds.
    std::string command =
        reader == PictureReader::PILLOW
            ? "/usr/bin/python3 -c 'import sys; from PIL import Image; "
              "sys.stdout.buffer.write(Image.open(sys.argv[1]).convert(\"RGB\").tobytes())' '" + path + "'"
            : "convert-im6.q16 '" + path + "' -depth 8 rgb:-";
    FILE *pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return "";
    std::string pixels;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) pixels.append(buffer, n);
    return pclose(pipe) == 0 ? pixels : "";
}

std::string commandOutput(const std::string &command, int *status) {
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    std::string out;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    int ended = pclose(pipe);
    if (status) *status = WIFEXITED(ended) ? WEXITSTATUS(ended) : -1;
    return out;
}

std::string renderedPixels(const std::string &path, uint32_t *width, int page, int dpi) {
    // The Debian builds of both renderers, into a PNG file beside the picture.
    std::string png = path + ".rendered";
    std::string command =
        endsWith(path, ".svg")
            ? "rsvg-convert -d " + std::to_string(dpi) + " -p " + std::to_string(dpi) + " -o '" + png +
                  ".png' '" + path + "'"
            : "pdftoppm -singlefile -png -r " + std::to_string(dpi) + " -f " + std::to_string(page) +
                  " -l " + std::to_string(page) + " '" + path + "' '" + png + "'";
    int status = -1;
    commandOutput("PATH=/usr/bin " + command + " 2>/dev/null", &status);
    std::string bytes = readFile(png + ".png");
    std::string pixels = status == 0 && bytes.size() >= 24 ? decodedPixels(png + ".png", PictureReader::PILLOW) : "";
    std::remove((png + ".png").c_str());
    *width = 0;
    for (size_t i = 16; i < 20 && !pixels.empty(); i++) *width = *width << 8 | (uint8_t)bytes[i];  // the PNG's IHDR
    return pixels;
}

std::string pngHeaderProblem(const std::string &png, uint32_t width, uint32_t height, int depth) {
    auto be32 = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; i++) v = v << 8 | (uint8_t)png[at + i];
        return v;
    };
    if (png.size() < 45 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return "no PNG signature";
    if (be32(8) != 13 || png.compare(12, 4, "IHDR") != 0) return "no header chunk first";
    if (be32(16) != width || be32(20) != height) return "sizes " + std::to_string(be32(16)) + " x " + std::to_string(be32(20));
    if (png[24] != depth || png[25] != 3) return "bit depth " + std::to_string(png[24]) + ", colour type " + std::to_string(png[25]);
    uint32_t entries = depth == 1 ? 2 : 3;
    if (png.compare(37, 4, "PLTE") != 0 || be32(33) != 3 * entries) return "colour table of other size";
    return "";
}

std::string pngRowFilters(const std::string &png, size_t rowBytes) {
    std::string data, raw, filters;
    for (size_t at = 8; at + 12 <= png.size();) {  // the chunks after the signature
        size_t length = 0;
        for (size_t i = 0; i < 4; i++) length = length << 8 | (uint8_t)png[at + i];
        if (png.compare(at + 4, 4, "IDAT") == 0) data += png.substr(at + 8, length);
        at += 12 + length;
    }
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK) return "";
    stream.next_in = (Bytef *)data.data();
    stream.avail_in = (uInt)data.size();
    char buffer[65536];
    int result;
    do {
        stream.next_out = (Bytef *)buffer;
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        raw.append(buffer, sizeof buffer - stream.avail_out);
    } while (result == Z_OK);
    inflateEnd(&stream);
    if (result != Z_STREAM_END) return "";
    for (size_t row = 0; row < raw.size(); row += rowBytes)
        if (filters.find(raw[row]) == std::string::npos) filters += raw[row];
    return filters;
}

uint32_t le32(const std::string &bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = v << 8 | (uint8_t)bytes[at + (size_t)i];
    return v;
}

std::string shiftJisOf(const std::string &utf8) {
    return convertText("CP932", "UTF-8", utf8);
}

std::string utf8Of(const std::string &shiftJis) {
    return convertText("UTF-8", "CP932", shiftJis);
}

bool endsWith(const std::string &text, const std::string &tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

namespace {

// The child's side: limits, streams, folder, then the program.
[[noreturn]] void startChild(const char *wine, const char *program, const std::string &dir,
                             const RunOptions &options, int in, int out, int err, int terminal) {
    if (terminal >= 0) {
        setsid();
        ioctl(terminal, TIOCSCTTY, 0);
    }
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (int fd = 3; fd < 64; fd++) close(fd);
    if (chdir(dir.c_str()) != 0) _exit(126);
    // Signals as whoever starts the program leaves them.
    for (int number = 1; number < NSIG; number++) signal(number, SIG_DFL);
    for (int number : options.ignoredSignals) signal(number, SIG_IGN);
    // Under Wine a write past the file-size limit must fail as on a full
    // Windows disk, not end Wine by a signal the program cannot see.
    if (wine) signal(SIGXFSZ, SIG_IGN);
    // Wine takes the system code page from the locale: the Japanese one. The
    // Linux build's own texts follow the locale: UTF-8 unless a test says.
    if (wine) setenv("LANG", "ja_JP.UTF-8", 1);
    if (!wine) {
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        setenv("LANG", "C.UTF-8", 1);
    }
    for (auto &variable : options.environment) setenv(variable.first.c_str(), variable.second.c_str(), 1);
    struct rlimit noCore = {0, 0};  // SIGQUIT and crashes leave no core file
    setrlimit(RLIMIT_CORE, &noCore);
    if (options.fileSize >= 0) {
        struct rlimit r = {(rlim_t)options.fileSize, (rlim_t)options.fileSize};
        setrlimit(RLIMIT_FSIZE, &r);
    }
    const struct { int resource; long bytes; } limits[] = {
        {RLIMIT_AS, options.addressSpace}, {RLIMIT_DATA, options.dataSize}};
    for (auto &limit : limits) {
        struct rlimit r = {(rlim_t)limit.bytes, (rlim_t)limit.bytes};
        if (limit.bytes >= 0) setrlimit(limit.resource, &r);
    }
    std::vector<char *> argv;
    for (auto &word : options.wrapper) argv.push_back((char *)word.c_str());
    if (wine) argv.push_back((char *)wine);
    argv.push_back((char *)program);
    for (auto &word : options.arguments) argv.push_back((char *)word.c_str());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Reads what `fd` has into `into`; false at its end (EOF, or EIO from a
// pseudo-terminal whose other side has closed).
bool readSome(int fd, std::string &into) {
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) return n < 0 && errno == EINTR;
    into.append(buf, (size_t)n);
    return true;
}

RunResult runProgram(const char *wine, const char *program, const std::string &dir,
                     const std::string &input, RunOptions options) {
    RunResult result;
    std::string traceFile;
    if (!options.traceCalls.empty()) {
        traceFile = makeScratchDir() + "/trace";
        std::vector<std::string> tracer = {"strace", "-f", "-qq", "-o", traceFile,
                                           "-e", "trace=" + options.traceCalls};
        if (!options.inject.empty()) tracer.insert(tracer.end(), {"-e", "inject=" + options.inject});
        options.wrapper.insert(options.wrapper.begin(), tracer.begin(), tracer.end());
        // The leak checker of a sanitized build cannot work under a tracer.
        const char *sanitizer = getenv("ASAN_OPTIONS");
        std::string settings = sanitizer ? sanitizer : "";
        for (auto &variable : options.environment)
            if (variable.first == "ASAN_OPTIONS") settings = variable.second;
        options.environment.push_back({"ASAN_OPTIONS", settings + ":detect_leaks=0"});
    }
    struct termios raw;
    cfmakeraw(&raw);
    struct termios *mode = options.rawTerminal ? &raw : nullptr;
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1}, master = -1, slave = -1;
    bool all = options.terminal == Terminal::ALL;
    bool outOnTerminal = all || options.terminal == Terminal::OUTPUT;
    bool errOnTerminal = all || options.terminal == Terminal::ERROR;
    if (options.terminal != Terminal::NONE && openpty(&master, &slave, nullptr, mode, nullptr) != 0)
        return result;
    if (!all && pipe(in) != 0) return result;
    if (!outOnTerminal && pipe(out) != 0) return result;
    if (!errOnTerminal && pipe(err) != 0) return result;
    pid_t pid = fork();
    if (pid == 0)
        startChild(wine, program, dir, options, all ? slave : in[0], outOnTerminal ? slave : out[1],
                   errOnTerminal ? slave : err[1], all ? slave : -1);
    for (int fd : {in[0], out[1], err[1], slave})
        if (fd >= 0) close(fd);
    // Where the program's input goes and its output and errors come from.
    int toProgram = all ? dup(master) : in[1];
    int fromOut = outOnTerminal ? master : out[0];
    int fromErr = all ? -1 : errOnTerminal ? master : err[0];
    fcntl(toProgram, F_SETFL, O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);

    std::string toSend = options.answers.empty() ? input : "";
    size_t sent = 0, answered = 0, heard = 0;
    if (options.answers.empty() && toSend.empty() && !all) {
        close(toProgram);
        toProgram = -1;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    while (fromOut >= 0 || fromErr >= 0) {
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (options.signal && !result.signalSent && options.signalWhen && options.signalWhen(pid)) {
            kill(pid, options.signal);
            result.signalSent = true;
        }
        if (options.pauseMs && !result.paused && !options.pauseAfter.empty() &&
            result.out.find(options.pauseAfter) != std::string::npos) {
            kill(pid, SIGSTOP);
            std::this_thread::sleep_for(std::chrono::milliseconds(options.pauseMs));
            kill(pid, SIGCONT);
            result.paused = true;
        }
        // The next answer, once its prompt has been shown.
        if (answered < options.answers.size()) {
            size_t at = result.out.find(options.answers[answered].first, heard);
            if (at != std::string::npos) {
                heard = at + options.answers[answered].first.size();
                if (options.answerDelayMs) std::this_thread::sleep_for(std::chrono::milliseconds(options.answerDelayMs));
                toSend += options.answers[answered++].second;
            }
        }
        bool sending = toProgram >= 0 && sent < toSend.size();
        struct pollfd fds[3] = {{fromOut, POLLIN, 0}, {fromErr, POLLIN, 0},
                                {sending ? toProgram : -1, POLLOUT, 0}};
        bool polling = (options.signalWhen && !result.signalSent) ||
                       (options.pauseMs && !result.paused);
        poll(fds, 3, polling ? 1 : std::min(left, 100));
        if (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) {
            ssize_t n = write(toProgram, toSend.data() + sent, toSend.size() - sent);
            if (n > 0) sent += (size_t)n;
            bool done = n < 0 || (sent == toSend.size() && answered == options.answers.size());
            if (done && !all) {  // a pipe's end is the end of the input
                close(toProgram);
                toProgram = -1;
            }
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !readSome(fromOut, result.out)) {
            if (fromErr == fromOut) fromErr = -1;
            close(fromOut);
            fromOut = -1;
        }
        if (fromErr >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) &&
            !readSome(fromErr, result.err)) {
            close(fromErr);
            fromErr = -1;
        }
    }
    for (int fd : {toProgram, fromOut, fromErr})
        if (fd >= 0) close(fd);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
    if (!traceFile.empty()) {
        std::string trace = readFile(traceFile), line;
        for (char c : trace) {
            if (c != '\n') line += c;
            else result.calls.push_back(line), line.clear();
        }
        removeTree(traceFile.substr(0, traceFile.rfind('/')));
    }
    return result;
}

}  // namespace

int ordinalOf(const std::vector<std::string> &calls, const std::string &call, const std::string &mark) {
    int count = 0;
    for (const std::string &line : calls) {
        if (line.find(" " + call + "(") == std::string::npos) continue;
        count++;
        if (line.find(mark) != std::string::npos) return count;
    }
    return 0;
}

RunResult runMazegen(const std::string &dir, const std::string &input, RunOptions options) {
    if (!options.traceCalls.empty()) {
        EXPECT_EQ(system("strace -V >/dev/null 2>&1"), 0) << "strace is missing (tools/test_all installs it)";
    }
#ifdef MAZEGEN_LINUX_PATH
    if (options.linuxBuild) return runProgram(nullptr, MAZEGEN_LINUX_PATH, dir, input, options);
#endif
#ifdef MAZEGEN_WINE
    return runProgram(MAZEGEN_WINE, MAZEGEN_PATH, dir, input, options);
#else
    return runProgram(nullptr, MAZEGEN_PATH, dir, input, options);
#endif
}
