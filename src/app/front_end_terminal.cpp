// The terminal stands in for the dialogs and message boxes, with the same rules the system dialogs
// would apply to the chosen path. All it says goes to standard error: standard output may be the
// image itself.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/front_end.h"
#include "core/message_catalogue.h"

namespace {

// Room for one byte past the longest path, so that a longer answer can be told apart.
char Answer[kPathBufferSize + 1];
char Folder[kPathBufferSize];

void Note(const char* text) {
    std::fprintf(stderr, "%s\n", text);
}

enum class Line { End, Taken, TooLong, HoldsNul };

// Reads one line into Answer without its line end. An over-long line is consumed whole and left
// longer than kPathMaxLength.
Line ReadLine() {
    int c = std::getchar();
    if (c == EOF) {
        return Line::End;
    }
    std::size_t length = 0;
    std::size_t lineLength = 0;
    bool holdsNul = false;
    for (; c != EOF && c != '\n'; c = std::getchar(), ++lineLength) {
        holdsNul = holdsNul || c == '\0';
        if (length < sizeof Answer - 1) {
            Answer[length++] = static_cast<char>(c);
        }
    }
    if (lineLength == length && length > 0 && Answer[length - 1] == '\r') {
        --length;
    }
    Answer[length] = '\0';
    if (holdsNul) {
        return Line::HoldsNul;
    }
    return length > kPathMaxLength ? Line::TooLong : Line::Taken;
}

// False at end of input with nothing read. A line that a PathBuffer could only hold cut, or that
// a NUL byte would cut, is refused and asked again.
bool ReadAnswer(const char* prompt) {
    for (;;) {
        std::fprintf(stderr, "%s: ", prompt);
        switch (ReadLine()) {
            case Line::End:
                std::fputc('\n', stderr);
                return false;
            case Line::Taken:
                return true;
            case Line::TooLong:
                Note(MessageCatalogue::kPathTooLong);
                break;
            case Line::HoldsNul:
                Note(MessageCatalogue::kNoteNulInPath);
                break;
        }
    }
}

bool IsFolder(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool FolderOfExists(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        return IsFolder(".");
    }
    std::size_t length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    std::memcpy(Folder, path, length);
    Folder[length] = '\0';
    return IsFolder(Folder);
}

bool AcceptForOpening(const char* path) {
    struct stat status {};
    if (stat(path, &status) != 0 || S_ISDIR(status.st_mode)) {
        Note(MessageCatalogue::kNoteFileNotFound);
        return false;
    }
    return true;
}

// Anything but a yes sends the user back to the path question, as the dialog does.
bool ConfirmReplace() {
    if (!ReadAnswer(MessageCatalogue::kReplaceQuestion)) {
        return false;
    }
    return std::strcmp(Answer, "да") == 0 || std::strcmp(Answer, "д") == 0 ||
           std::strcmp(Answer, "yes") == 0 || std::strcmp(Answer, "y") == 0;
}

// Like a save dialog: the folder must exist, a read-only file is refused, and an existing file
// is only replaced when the user says so.
bool AcceptForSaving(const char* path) {
    struct stat status {};
    if (stat(path, &status) != 0) {
        if (!FolderOfExists(path)) {
            Note(MessageCatalogue::kNoteFolderNotFound);
            return false;
        }
        return true;
    }
    if (S_ISDIR(status.st_mode)) {
        Note(MessageCatalogue::kNoteIsFolder);
        return false;
    }
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        Note(MessageCatalogue::kNoteReadOnly);
        return false;
    }
    return ConfirmReplace();
}

}  // namespace

void PickFile(FileDialogKind kind, PathBuffer path, const char* title) {
    std::memset(path, 0, kPathBufferSize);
    while (ReadAnswer(title)) {
        std::size_t length = std::strlen(Answer);
        if (length == 0) {
            return;
        }
        // Kept apart from Answer, which the replace question reuses.
        std::memcpy(path, Answer, length + 1);
        if (kind == FileDialogKind::Open ? AcceptForOpening(path) : AcceptForSaving(path)) {
            return;
        }
        std::memset(path, 0, kPathBufferSize);
    }
}

void ShowInfo(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

void EndProcess() {
    std::fflush(stdout);
    _exit(0);
}

void FatalStop(const char* text) {
    std::fprintf(stderr, "%s: %s\n", MessageCatalogue::kErrorCaption, text);
    _exit(1);
}
