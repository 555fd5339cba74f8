#include "app/posix_start.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "app/path_buffer.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

namespace {

// Arguments after the output path are never used, so their length does not matter.
constexpr int kLastPathArgument = 3;

bool IsClosed(int fd) {
    return fcntl(fd, F_GETFD) == -1 && errno == EBADF;
}

}  // namespace

void PrepareProcess() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        // open gives the lowest free descriptor, which is this one.
        if (IsClosed(fd) && open("/dev/null", O_RDWR) != fd) {
            FatalStop(MessageCatalogue::kNoNullDevice);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

void RefuseLongArguments(int argumentCount, char** arguments) {
    for (int i = 1; i < argumentCount && i <= kLastPathArgument; ++i) {
        if (strnlen(arguments[i], kPathBufferSize) > kPathMaxLength) {
            FatalStop(MessageCatalogue::kPathTooLong);
        }
    }
}
