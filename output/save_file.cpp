// The policy of a save, on top of the platform's file primitives: where the
// bytes go (a temporary file or the name itself) and what each failure
// means to the user.
#include "output/save_file.h"

#include <cstring>

#include "platform/clock.h"
#include "platform/progress.h"
#include "platform/save.h"

// Temporary files are this prefix and random letters, hidden in listings.
static const char TEMPORARY_PREFIX[] = ".mz-";
static const int TEMPORARY_RANDOM_LETTERS = 6;
// Names tried before a crowded folder is given up on.
static const int TEMPORARY_TRIES = 100;
// Letters of the random part: one case, for systems that ignore case.
static const char TEMPORARY_LETTERS[] = "abcdefghijklmnopqrstuvwxyz0123456789";

// What a fresh hidden name is for.
enum HiddenName {
    CREATE_NAMED,   // a named temporary file created under it
    NAME_UNNAMED,   // the complete unnamed file linked to it
};

// Gives the temporary file a fresh random hidden name beside the target, as
// `use` says, trying other names while the one tried is taken.
static SysResult giveFreshName(HiddenName use) {
    uint64_t seed = uniqueSeed();
    char name[sizeof TEMPORARY_PREFIX + TEMPORARY_RANDOM_LETTERS];
    memcpy(name, TEMPORARY_PREFIX, sizeof TEMPORARY_PREFIX - 1);
    for (int attempt = 0; attempt < TEMPORARY_TRIES; attempt++) {
        char *out = name + sizeof TEMPORARY_PREFIX - 1;
        for (int i = 0; i < TEMPORARY_RANDOM_LETTERS; i++) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            *out++ = TEMPORARY_LETTERS[(seed >> 33) % (sizeof TEMPORARY_LETTERS - 1)];
        }
        *out = '\0';
        SysResult given = use == NAME_UNNAMED ? nameSaveTemporary(name) : createSaveTemporary(name);
        if (given != SYS_EXISTS) return given;
    }
    return SYS_FAILED;
}

// The end of a save that never started: nothing stays open.
static RunStatus refuse() {
    closeSaveTarget();
    return RUN_CANNOT_CREATE;
}

RunStatus openSaveFile(const char *filename, const char *extension, uint64_t progressTotal) {
    char finalName[FILENAME_BUFFER_SIZE + LONGEST_EXTENSION];
    size_t nameLength = strnlen(filename, FILENAME_BUFFER_SIZE - 1);
    size_t extensionLength = strnlen(extension, LONGEST_EXTENSION);
    memcpy(finalName, filename, nameLength);
    memcpy(finalName + nameLength, extension, extensionLength);
    finalName[nameLength + extensionLength] = '\0';

    SaveTargetFacts facts;
    if (openSaveTarget(finalName, &facts) != SYS_DONE) return refuse();
    if (facts.exists && (facts.isFolder || !facts.writable)) return refuse();

    // A temporary file beside the target, to be put in its place: unnamed
    // until it is complete where the system allows it, else under a hidden
    // name. Only where the folder takes no new file from this process, or
    // the replacement could not keep what the old file has, is the target
    // written in place; lack of space, a quota or a disk error fails the
    // save and keeps the old file.
    SysResult made = SYS_DENIED;
    if (!facts.exists || facts.replaceable) {
        made = createUnnamedTemporary();
        if (made != SYS_DONE && made != SYS_FAILED) made = giveFreshName(CREATE_NAMED);
        if (made == SYS_DONE && facts.exists) {
            made = keepTargetAttributes();
            if (made != SYS_DONE) removeSaveTemporary();
        }
        bool refused = made == SYS_DENIED || made == SYS_UNSUPPORTED;
        if (made != SYS_DONE && (!refused || !facts.exists)) return refuse();
    }
    if (made != SYS_DONE && openTargetInPlace() != SYS_DONE) return refuse();
    beginProgress(progressTotal);
    return RUN_OK;
}

bool writeSaveFile(const void *data, size_t size) {
    return writeSaveData(data, size) == SYS_DONE;
}

RunStatus finishSaveFile(bool written) {
    RunStatus status = RUN_OK;
    if (!written || finishSaveData() != SYS_DONE) {
        status = RUN_CANNOT_WRITE;
    } else if (saveTemporaryPending()) {
        // A file not written in place is put in place of its name: linked
        // straight to a new name, or renamed over it from a hidden name (an
        // unnamed file gets one first). A link or rename that fails leaves
        // the old file; a folder that fails to sync leaves the new one in
        // place, but not surely on the disk.
        SysResult replaced = replaceSaveTarget();
        if (replaced == SYS_EXISTS)
            replaced = giveFreshName(NAME_UNNAMED) == SYS_DONE ? replaceSaveTarget() : SYS_DENIED;
        if (replaced == SYS_DENIED) status = RUN_CANNOT_CREATE;
        else if (replaced != SYS_DONE) status = RUN_CANNOT_WRITE;
    }
    removeSaveTemporary();
    closeSaveTarget();
    endProgress();
    return status;
}
