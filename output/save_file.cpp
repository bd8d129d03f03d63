// The saves of a run's files on top of the platform's save: the final
// names, their lengths checked up front, and the progress line.
#include "output/save_file.h"

#include <cstring>

#include "platform/progress.h"
#include "platform/save.h"

// The save under way, from openSaveFile to finishSaveFile.
static SaveFile *saving = nullptr;

// Puts `filename` (its first FILENAME_BUFFER_SIZE - 1 bytes at most) and
// `extension` (LONGEST_EXTENSION at most) together in `finalName`.
static void joinName(const char *filename, const char *extension,
                     char (&finalName)[FILENAME_BUFFER_SIZE + LONGEST_EXTENSION]) {
    size_t nameLength = strnlen(filename, FILENAME_BUFFER_SIZE - 1);
    size_t extensionLength = strnlen(extension, LONGEST_EXTENSION);
    memcpy(finalName, filename, nameLength);
    memcpy(finalName + nameLength, extension, extensionLength);
    finalName[nameLength + extensionLength] = '\0';
}

RunStatus checkSaveNames(const char *filename, const char *const *endings, size_t count) {
    for (size_t i = 0; i < count; i++) {
        char finalName[FILENAME_BUFFER_SIZE + LONGEST_EXTENSION];
        joinName(filename, endings[i], finalName);
        if (!saveNameFits(finalName)) return RUN_CANNOT_CREATE;
    }
    return RUN_OK;
}

RunStatus openSaveFile(const char *filename, const char *extension, uint64_t progressTotal) {
    char finalName[FILENAME_BUFFER_SIZE + LONGEST_EXTENSION];
    joinName(filename, extension, finalName);
    RunStatus status = beginSave(finalName, &saving);
    if (status == RUN_OK) beginProgress(progressTotal);
    return status;
}

bool writeSaveFile(const void *data, size_t size) {
    return writeSave(saving, data, size) == RUN_OK;
}

RunStatus finishSaveFile(bool written) {
    RunStatus status = RUN_CANNOT_WRITE;
    if (written) status = commitSave(saving);
    else abortSave(saving);
    endProgress();
    return status;
}
