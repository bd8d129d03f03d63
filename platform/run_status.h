// How an operation of the run ended: one set of statuses that the
// operations of every floor return, so that each failure ends the run in
// one place (the entry, app/main.cpp) with its message and exit status.
#ifndef PLATFORM_RUN_STATUS_H
#define PLATFORM_RUN_STATUS_H

enum RunStatus {
    RUN_OK = 0,
    RUN_SIZE_REJECTED,    // a size below 2 or not a number: silent, status 2
    RUN_TOO_LARGE,        // counts or memory beyond the machine: status 2
    RUN_INPUT_ENDED,      // standard input ended before a save choice: status 2
    RUN_BAD_ARGUMENTS,    // a malformed command line, told on standard error: status 2
    RUN_NO_MEMORY,        // an allocation failed: status 3
    RUN_CANNOT_CREATE,    // an output file cannot be created: status 1
    RUN_CANNOT_WRITE,     // writing, flushing or closing it failed: status 1
    RUN_NO_PALETTE,       // colorPalette.bin cannot be opened: status 1
    RUN_BAD_PALETTE,      // colorPalette.bin holds under 1024 bytes: status 1
    RUN_IMAGE_TOO_LARGE,  // the picture exceeds its format's fields: status 1
    RUN_CANNOT_SHOW,      // standard output did not take the usage, the version or
                          // the report, told on standard error: status 1
    RUN_NO_STREAMS,       // a standard stream the process lacks could not be given
                          // the null device: status 1, before anything is shown
};

#endif
