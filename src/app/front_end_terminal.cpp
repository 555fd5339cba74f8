// The terminal stands in for the dialogs and message boxes, with the same rules the system dialogs
// would apply to the chosen path. All it says goes to standard error: standard output may be the
// image itself.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/front_end.h"
#include "app/path_judge.h"
#include "app/posix_start.h"
#include "core/message_catalogue.h"
#include "core/translation.h"
#include "image/file_access.h"
#include "image/path_facts.h"

namespace {

// Room for one byte past the longest path, so that a longer answer can be told apart.
char Answer[kPathBufferSize + 1];
// Standard input is read through this, a line at a time at a terminal.
char Input[4096];
std::size_t InputStart = 0;
std::size_t InputEnd = 0;
bool InputEnded = false;

void Note(const char* text, const char* reason = nullptr) {
    if (reason == nullptr) {
        std::fprintf(stderr, "%s\n", Tr(text));
    } else {
        std::fprintf(stderr, "%s: %s\n", Tr(text), Tr(reason));
    }
}

// At a terminal the end of input ends one answer, and the next question reads afresh; from a
// pipe or a file it is final. A read that fails is no answer at all: it stops the program. One
// that would block, on a descriptor left non-blocking, waits for the input to come.
int NextByte() {
    while (InputStart == InputEnd) {
        if (InputEnded) {
            return EOF;
        }
        ssize_t count = read(STDIN_FILENO, Input, sizeof Input);
        if (count > 0) {
            InputStart = 0;
            InputEnd = static_cast<std::size_t>(count);
        } else if (count == 0) {
            InputEnded = isatty(STDIN_FILENO) == 0;
            return EOF;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd waiting{STDIN_FILENO, POLLIN, 0};
            poll(&waiting, 1, -1);
        } else if (errno != EINTR) {
            FatalStop(MessageCatalogue::kAnswerReadError, SystemReason(errno));
        }
    }
    return static_cast<unsigned char>(Input[InputStart++]);
}

enum class Line { End, Taken, TooLong, HoldsNul };

// Reads one line into Answer without its line end. An over-long line is consumed whole and left
// longer than kPathMaxLength.
Line ReadLine() {
    int c = NextByte();
    if (c == EOF) {
        return Line::End;
    }
    std::size_t length = 0;
    std::size_t lineLength = 0;
    bool holdsNul = false;
    for (; c != EOF && c != '\n'; c = NextByte(), ++lineLength) {
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
    return FitsPathBuffer(Answer) ? Line::Taken : Line::TooLong;
}

// False at end of input with nothing read. A line that a PathBuffer could only hold cut, or that
// a NUL byte would cut, is refused and asked again.
bool ReadAnswer(const char* prompt) {
    for (;;) {
        std::fprintf(stderr, "%s: ", Tr(prompt));
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

// Lower case for ASCII and for the Russian capitals in UTF-8: А-П are D0 90-9F, Р-Я D0 A0-AF.
void FoldCase(char* text) {
    auto* byte = reinterpret_cast<unsigned char*>(text);
    for (; *byte != '\0'; ++byte) {
        if (*byte >= 'A' && *byte <= 'Z') {
            *byte = static_cast<unsigned char>(*byte - 'A' + 'a');
        } else if (byte[0] == 0xD0 && byte[1] >= 0x90 && byte[1] <= 0x9F) {
            byte[1] = static_cast<unsigned char>(byte[1] + 0x20);
            ++byte;
        } else if (byte[0] == 0xD0 && byte[1] >= 0xA0 && byte[1] <= 0xAF) {
            byte[0] = 0xD1;
            byte[1] = static_cast<unsigned char>(byte[1] - 0x20);
            ++byte;
        }
    }
}

// The answer without blanks around it and in lower case.
const char* Normalised(char* text) {
    std::size_t end = std::strlen(text);
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t')) {
        text[--end] = '\0';
    }
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    FoldCase(text);
    return text;
}

bool IsOneOf(const char* answer, const char* const (&words)[4]) {
    for (const char* word : words) {
        if (std::strcmp(answer, word) == 0) {
            return true;
        }
    }
    return false;
}

// A no, or the end of input, sends the user back to the path question, as the dialog does;
// anything else is asked again.
bool ConfirmReplace() {
    static const char* const kYes[] = {"да", "д", "yes", "y"};
    static const char* const kNo[] = {"нет", "н", "no", "n"};
    while (ReadAnswer(MessageCatalogue::kReplaceQuestion)) {
        const char* answer = Normalised(Answer);
        if (IsOneOf(answer, kYes)) {
            return true;
        }
        if (IsOneOf(answer, kNo)) {
            return false;
        }
        Note(MessageCatalogue::kNoteYesOrNo);
    }
    return false;
}

// Like the dialogs: a path is refused with its note and asked for again, and an existing file is
// replaced only when the user says so.
bool Accept(PathRole role, const char* path, const char* firstInput, const char* secondInput) {
    Judgement judgement = JudgePath(role, path, firstInput, secondInput);
    if (judgement.note != nullptr) {
        Note(judgement.note, judgement.reason);
        return false;
    }
    return role != PathRole::Output || !FileExists(path) || ConfirmReplace();
}

}  // namespace

void PickFile(PathRole role, PathBuffer path, const char* title, const char* firstInput,
              const char* secondInput) {
    std::memset(path, 0, kPathBufferSize);
    while (ReadAnswer(title)) {
        if (Answer[0] == '\0') {
            return;
        }
        // Kept apart from Answer, which the replace question reuses.
        CopyPath(path, Answer);
        if (Accept(role, path, firstInput, secondInput)) {
            return;
        }
        std::memset(path, 0, kPathBufferSize);
    }
}

// The length of the UTF-8 character at text, or 0 where text holds none: a file name in another
// character set, such as a KOI8-R locale's.
std::size_t CharacterLength(const unsigned char* text) {
    unsigned char lead = text[0];
    std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    // The lowest and highest second byte each lead allows: no overlong forms, no surrogates.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (lead > 0xF4 || (length > 1 && (text[1] < low || text[1] > high))) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (text[i] < 0x80 || text[i] > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Formatted here rather than by fprintf, whose work area on an unbuffered stream costs a run
// pages of its own, and written in one call. Every byte that is no part of a UTF-8 character
// shows as U+FFFD, as on the desktop, so that no line mixes two encodings.
void ShowInfo(const char* text, const char* caption) {
    static char line[1024];
    int start = std::snprintf(line, sizeof line, "%s: ", Tr(caption));
    auto used = static_cast<std::size_t>(start < 0 ? 0 : start);
    const auto* byte = reinterpret_cast<const unsigned char*>(Tr(text));
    while (*byte != '\0' && used + 4 < sizeof line) {
        std::size_t length = CharacterLength(byte);
        const char* shown = length == 0 ? "\xEF\xBF\xBD" : reinterpret_cast<const char*>(byte);
        std::size_t shownLength = length == 0 ? 3 : length;
        std::memcpy(line + used, shown, shownLength);
        used += shownLength;
        byte += length == 0 ? 1 : length;
    }
    line[used++] = '\n';
    std::fwrite(line, 1, used, stderr);
}

// Bytes are never dropped unannounced.
void ShowCompletion(std::int32_t cutFirmwareSize) {
    ShowInfo(MessageCatalogue::kCompletionText, MessageCatalogue::kCompletionCaption);
    if (cutFirmwareSize > 0) {
        std::fprintf(stderr, "%s: %ld\n", Tr(MessageCatalogue::kNoteFirmwareCut),
                     static_cast<long>(cutFirmwareSize));
    }
}

void ShowReport(const char* /*image*/, const char* text) {
    ShowText(text);
}

void ShowText(const char* text) {
    PrintText(Tr(text));
    PrintText("\n");
}

bool WaitsForBusyOutput() {
    Note(MessageCatalogue::kNoteWaitingForOutput);
    return true;
}

void EndProcess() {
    std::fflush(stdout);
    _exit(0);
}

void FatalStop(const char* text, const char* detail) {
    if (detail == nullptr) {
        std::fprintf(stderr, "%s: %s\n", Tr(MessageCatalogue::kErrorCaption), Tr(text));
    } else {
        std::fprintf(stderr, "%s: %s: %s\n", Tr(MessageCatalogue::kErrorCaption), Tr(text),
                     Tr(detail));
    }
    _exit(1);
}
