// The status of a failed save, the same on every system.
#include "platform/save_step.h"

RunStatus saveFailed(SaveFailure *failure, SaveStep step, SysResult result) {
    failure->step = step;
    failure->result = result;
    bool naming = step == STEP_NAME && result != SYS_FAILED;
    return step == STEP_MAKE || naming ? RUN_CANNOT_CREATE : RUN_CANNOT_WRITE;
}
