// The progress line on standard error.
#include "app/progress.h"

#include <cstdio>

#include "maze/maze_state.h"
#include "platform/platform.h"

// A step shorter than this shows no line at all.
static const uint64_t PROGRESS_DELAY_MS = 1000;
// Time between two drawings of the line.
static const uint64_t PROGRESS_REFRESH_MS = 250;
// "100%" and a blank: what a drawing covers, and what the wipe blanks.
static const char PROGRESS_WIPE[] = "\r     \r";

void beginProgress(uint64_t total) {
    maze.progressTotal = total;
    maze.progressOnTerminal = standardErrorIsTerminal();
    maze.progressStart = monotonicMilliseconds();
    maze.progressShown = false;
    maze.progressShownAt = 0;
}

void showProgress(uint64_t done) {
    if (!maze.progressOnTerminal || maze.progressTotal == 0) return;
    uint64_t now = monotonicMilliseconds();
    if (now - maze.progressStart < PROGRESS_DELAY_MS) return;
    if (maze.progressShown && now - maze.progressShownAt < PROGRESS_REFRESH_MS) return;
    if (done > maze.progressTotal) done = maze.progressTotal;
    fprintf(stderr, "\r%3u%%", (unsigned)(done * 100 / maze.progressTotal));
    fflush(stderr);
    maze.progressShown = true;
    maze.progressShownAt = now;
}

void endProgress() {
    if (maze.progressShown) {
        fputs(PROGRESS_WIPE, stderr);
        fflush(stderr);
    }
    maze.progressTotal = 0;
    maze.progressShown = false;
}
