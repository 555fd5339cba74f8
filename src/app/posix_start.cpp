#include "app/posix_start.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>

#include "app/path_buffer.h"
#include "app/path_checks.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

namespace {

// Arguments after the output path are never used, so they are not looked at.
constexpr int kLastPathArgument = 3;

bool ClosedAtStart[STDERR_FILENO + 1];

bool IsClosed(int fd) {
    return fcntl(fd, F_GETFD) == -1 && errno == EBADF;
}

}  // namespace

void PrepareProcess() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        ClosedAtStart[fd] = IsClosed(fd);
        // open gives the lowest free descriptor, which is this one.
        if (ClosedAtStart[fd] && open("/dev/null", O_RDWR) != fd) {
            FatalStop(MessageCatalogue::kNoNullDevice, std::strerror(errno));
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // The translated reasons are in the user's character set.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
}

bool WasClosedAtStart(int fd) {
    return fd >= STDIN_FILENO && fd <= STDERR_FILENO && ClosedAtStart[fd];
}

void RefuseBadPaths(int count, char** paths) {
    for (int i = 0; i < count; ++i) {
        if (paths[i][0] == '\0') {
            FatalStop(MessageCatalogue::kEmptyPathArgument);
        }
        if (strnlen(paths[i], kPathBufferSize) > kPathMaxLength) {
            FatalStop(MessageCatalogue::kPathTooLong);
        }
    }
}

void CheckPathArguments(int argumentCount, char** arguments) {
    int count = argumentCount - 1 < kLastPathArgument ? argumentCount - 1 : kLastPathArgument;
    RefuseBadPaths(count, arguments + 1);
    if (count >= 2 && std::strcmp(arguments[2], "-") != 0 &&
        IsFirmwareItself(arguments[1], arguments[2])) {
        FatalStop(MessageCatalogue::kCalibrationIsFirmware);
    }
}
