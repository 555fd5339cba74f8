#include "app/path_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "core/message_catalogue.h"
#include "image/file_access.h"

namespace {

const char* Reason = nullptr;

const char* Refused(const char* note, int error = 0) {
    Reason = error == 0 ? nullptr : SystemReason(error);
    return note;
}

const char* InputRefusal(PathRole role, const char* path) {
    struct stat status {};
    if (stat(path, &status) != 0) {
        return errno == ENOENT ? Refused(MessageCatalogue::kNoteFileNotFound)
                               : Refused(MessageCatalogue::kNoteCannotRead, errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return Refused(MessageCatalogue::kNoteIsFolder);
    }
    if (role == PathRole::Firmware &&
        (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || S_ISCHR(status.st_mode))) {
        return Refused(MessageCatalogue::kNoteNotAFile);
    }
    if (faccessat(AT_FDCWD, path, R_OK, AT_EACCESS) != 0) {
        return Refused(MessageCatalogue::kNoteCannotRead, errno);
    }
    return nullptr;
}

// True when both paths reach one file by the rules the output is told from the inputs by. Only
// files with a length are opened: opening a FIFO here would release its writer into a pipe that
// nobody reads.
bool NamesSameFile(const char* path, const char* other) {
    if (other == nullptr || other[0] == '\0' || !FileKindHasLength(path) ||
        !FileKindHasLength(other)) {
        return false;
    }
    FileHandle one = FileOpenForReading(path);
    FileHandle two = one == kNoFile ? kNoFile : FileOpenForReading(other);
    bool same = two != kNoFile && FileIsSame(one, two);
    for (FileHandle file : {one, two}) {
        if (file != kNoFile) {
            FileClose(file);
        }
    }
    return same;
}

const char* OutputRefusal(const char* path, const char* firstInput, const char* secondInput) {
    const char* note = FileOutputRefusal(path);
    if (note != nullptr) {
        const char* reason = FileErrorText();
        Reason = reason == note ? nullptr : reason;
        return note;
    }
    if (NamesSameFile(path, firstInput) || NamesSameFile(path, secondInput)) {
        return Refused(MessageCatalogue::kOutputIsInput);
    }
    return nullptr;
}

}  // namespace

const char* PathRefusal(PathRole role, const char* path, const char* firstInput,
                        const char* secondInput) {
    Reason = nullptr;
    if (role == PathRole::Output) {
        return OutputRefusal(path, firstInput, secondInput);
    }
    const char* refusal = InputRefusal(role, path);
    if (refusal == nullptr && role == PathRole::Calibration && NamesSameFile(path, firstInput)) {
        return Refused(MessageCatalogue::kCalibrationIsFirmware);
    }
    return refusal;
}

const char* RefusalReason() {
    return Reason;
}

bool NamesExistingFile(const char* path) {
    struct stat status {};
    return lstat(path, &status) == 0;
}
