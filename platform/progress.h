// The progress line of a long step (the carving, a save): drawn on
// standard error when it is a terminal and the step has run for a second,
// refreshed a few times a second and wiped when the step ends, so that the
// screen then shows just what it would have shown without it. Nothing is
// written when standard error is not a terminal. One step at a time.
#ifndef PLATFORM_PROGRESS_H
#define PLATFORM_PROGRESS_H

#include <cstdint>

// Starts a step of `total` units of work; 0 starts none.
void beginProgress(uint64_t total);

// Reports `done` units finished; draws the line when it is due. Costs a
// clock reading, so callers report every few thousand units at most.
void showProgress(uint64_t done);

// Ends the step under way: when its line was drawn, draws it once more for
// the last units reported, then wipes it. Does nothing when no step is
// under way.
void endProgress();

#endif
