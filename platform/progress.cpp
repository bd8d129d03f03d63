// The progress line on standard error, the same on every system.
#include "platform/progress.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/console.h"

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
    uint64_t done = 0;        // units reported finished so far
    bool onTerminal = false;  // standard error is a terminal
    bool shown = false;       // the line is on the screen and must be wiped
} progress;

void beginProgress(uint64_t total) {
    progress.total = total;
    progress.done = 0;
    progress.onTerminal = total > 0 && standardErrorIsTerminal();
    progress.start = monotonicMilliseconds();
    progress.shown = false;
    progress.shownAt = 0;
}

// Draws the line for the units reported so far.
static void drawProgress(uint64_t now) {
    fprintf(stderr, "\r%3u%%", (unsigned)(progress.done * 100 / progress.total));
    fflush(stderr);
    progress.shown = true;
    progress.shownAt = now;
}

void showProgress(uint64_t done) {
    if (!progress.onTerminal || progress.total == 0) return;
    progress.done = done < progress.total ? done : progress.total;
    uint64_t now = monotonicMilliseconds();
    if (now - progress.start < PROGRESS_DELAY_MS) return;
    if (progress.shown && now - progress.shownAt < PROGRESS_REFRESH_MS) return;
    drawProgress(now);
}

void endProgress() {
    // The last figure reported is drawn before the line goes.
    if (progress.shown) {
        drawProgress(monotonicMilliseconds());
        fputs(PROGRESS_WIPE, stderr);
        fflush(stderr);
    }
    progress.total = 0;
    progress.shown = false;
}
