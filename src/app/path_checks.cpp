#include "app/path_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/path_buffer.h"
#include "core/message_catalogue.h"
#include "image/file_access.h"

namespace {

char Folder[kPathBufferSize];

bool IsFolder(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

const char* FolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        return ".";
    }
    std::size_t length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    std::memcpy(Folder, path, length);
    Folder[length] = '\0';
    return Folder;
}

// The system answers for this user, its file system and its flags; a file without any write
// permission is refused even to root, as a save dialog refuses a read-only file.
bool MayWrite(const char* path, const struct stat& status) {
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
}

}  // namespace

const char* OpenRefusal(const char* path) {
    struct stat status {};
    if (stat(path, &status) != 0 || S_ISDIR(status.st_mode)) {
        return MessageCatalogue::kNoteFileNotFound;
    }
    return nullptr;
}

// A link that leads nowhere would have the image created wherever it points, which cp refuses.
const char* SaveRefusal(const char* path) {
    struct stat status {};
    if (lstat(path, &status) != 0) {
        const char* folder = FolderOf(path);
        if (!IsFolder(folder)) {
            return MessageCatalogue::kNoteFolderNotFound;
        }
        return faccessat(AT_FDCWD, folder, W_OK | X_OK, AT_EACCESS) == 0
                   ? nullptr
                   : MessageCatalogue::kNoteReadOnly;
    }
    if (stat(path, &status) != 0) {
        return errno == ENOENT ? MessageCatalogue::kNoteDanglingLink
                               : MessageCatalogue::kNoteReadOnly;
    }
    if (S_ISDIR(status.st_mode)) {
        return MessageCatalogue::kNoteIsFolder;
    }
    return MayWrite(path, status) ? nullptr : MessageCatalogue::kNoteReadOnly;
}

bool NamesExistingFile(const char* path) {
    struct stat status {};
    return lstat(path, &status) == 0;
}

// Only files with a length are opened: the firmware must be one, and opening a FIFO here would
// release its writer into a pipe that nobody reads.
bool IsFirmwareItself(const char* firmwarePath, const char* calibrationPath) {
    if (!FileKindHasLength(firmwarePath) || !FileKindHasLength(calibrationPath)) {
        return false;
    }
    FileHandle firmware = FileOpenForReading(firmwarePath);
    if (firmware == kNoFile) {
        return false;
    }
    FileHandle calibration = FileOpenForReading(calibrationPath);
    bool same = calibration != kNoFile && FileIsSame(firmware, calibration);
    if (calibration != kNoFile) {
        FileClose(calibration);
    }
    FileClose(firmware);
    return same;
}
