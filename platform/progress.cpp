// The progress line on standard error, the same on every system.
#include "platform/progress.h"

#include <cstdio>

#include "platform/platform.h"

// A step shorter than this shows no line at all.
static const uint64_t PROGRESS_DELAY_MS = 1000;
// Time between two drawings of the line.
static const uint64_t PROGRESS_REFRESH_MS = 250;
// "100%" and a blank: what a drawing covers, and what the wipe blanks.
static const char PROGRESS_WIPE[] = "\r     \r";

// The step under way.
static struct {
    uint64_t total = 0;       // units of work of the step; 0 when none runs
    uint64_t start = 0;       // monotonic milliseconds when the step began
    uint64_t shownAt = 0;     // monotonic milliseconds of the last drawing
    bool onTerminal = false;  // standard error is a terminal
    bool shown = false;       // the line is on the screen and must be wiped
} progress;

void beginProgress(uint64_t total) {
    progress.total = total;
    progress.onTerminal = total > 0 && standardErrorIsTerminal();
    progress.start = monotonicMilliseconds();
    progress.shown = false;
    progress.shownAt = 0;
}

void showProgress(uint64_t done) {
    if (!progress.onTerminal || progress.total == 0) return;
    uint64_t now = monotonicMilliseconds();
    if (now - progress.start < PROGRESS_DELAY_MS) return;
    if (progress.shown && now - progress.shownAt < PROGRESS_REFRESH_MS) return;
    if (done > progress.total) done = progress.total;
    fprintf(stderr, "\r%3u%%", (unsigned)(done * 100 / progress.total));
    fflush(stderr);
    progress.shown = true;
    progress.shownAt = now;
}

void endProgress() {
    if (progress.shown) {
        fputs(PROGRESS_WIPE, stderr);
        fflush(stderr);
    }
    progress.total = 0;
    progress.shown = false;
}
