// What every system's save shares: where its bytes go, the step a failure
// ends, and the one rule by which that step and the system's answer become
// the status a save returns. Each system's save file (save_linux.cpp,
// save_windows.cpp) keeps its whole sequence of calls.
#ifndef PLATFORM_SAVE_STEP_H
#define PLATFORM_SAVE_STEP_H

#include "platform/run_status.h"
#include "platform/sys_result.h"

// Where the bytes of a save go.
enum SaveWay {
    SAVE_NONE,      // no save under way
    SAVE_NEW,       // a temporary file that takes a name no file has
    SAVE_REPLACE,   // a temporary file that replaces the existing target
    SAVE_IN_PLACE,  // the existing target itself, locked
};

// The part of a save a failure ends, which with the system's answer
// decides what the user is told.
enum SaveStep {
    STEP_MAKE,   // finding the target, making the temporary file or opening the target
    STEP_WRITE,  // writing, giving attributes (Linux), flushing, closing
    STEP_NAME,   // giving the complete file the target's name
};

// How a save failed, kept in its record.
struct SaveFailure {
    SaveStep step;     // the part of the save that failed, if one did
    SysResult result;  // how the call that failed it ended; SYS_DONE while none has
};

// Keeps in `failure` that the save failed at `step` with `result` and
// returns the status that tells it: RUN_CANNOT_CREATE for a file that
// cannot be made, or a name refused (permission, a name busy, gone or
// taken); RUN_CANNOT_WRITE for a failure to write, or a disk error or a
// lack of room (SYS_FAILED) while naming it.
RunStatus saveFailed(SaveFailure *failure, SaveStep step, SysResult result);

#endif
