#include "app/posix_start.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "app/front_end.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "core/translation.h"
#include "image/file_access.h"

namespace {

bool ClosedAtStart[STDERR_FILENO + 1];

bool IsClosed(int fd) {
    return fcntl(fd, F_GETFD) == -1 && errno == EBADF;
}

// One poll tells all three at once: a closed descriptor answers POLLNVAL.
void FindClosedStreams() {
    pollfd streams[] = {{STDIN_FILENO, 0, 0}, {STDOUT_FILENO, 0, 0}, {STDERR_FILENO, 0, 0}};
    bool polled = poll(streams, 3, 0) >= 0;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        ClosedAtStart[fd] = polled ? (streams[fd].revents & POLLNVAL) != 0 : IsClosed(fd);
    }
}

}  // namespace

void PrepareProcess() {
    FindClosedStreams();
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        // open gives the lowest free descriptor, which is this one.
        if (ClosedAtStart[fd] && open("/dev/null", O_RDWR) != fd) {
            FatalStop(MessageCatalogue::kNoNullDevice, SystemReason(errno));
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool WasClosedAtStart(int fd) {
    return fd >= STDIN_FILENO && fd <= STDERR_FILENO && ClosedAtStart[fd];
}

int PrintText(const char* text) {
    if (WasClosedAtStart(STDOUT_FILENO)) {
        FatalStop(MessageCatalogue::kWriteError, SystemReason(EBADF));
    }
    if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0) {
        FatalStop(MessageCatalogue::kWriteError, SystemReason(errno));
    }
    return 0;
}

// The desktop and the terminal name the calibration alone: the user gave the image a moment ago.
void ShowCalibrationWritten(const char* /*image*/, const char* calibration) {
    static char text[64 + kPathBufferSize];
    std::snprintf(text, sizeof text, "%s: %s", Tr(MessageCatalogue::kCalibrationWritten),
                  calibration);
    ShowInfo(text, MessageCatalogue::kCompletionCaption);
}

void NameImage(const char* /*image*/) {}
