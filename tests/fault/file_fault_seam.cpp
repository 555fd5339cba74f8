#include "fault/file_fault_seam.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <map>
#include <optional>
#include <utility>

// The originals, reached under these names because of --wrap.
extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_stat(const char* path, struct stat* status);
int __real_fstat(int fd, struct stat* status);
ssize_t __real_read(int fd, void* buffer, size_t count);
ssize_t __real_pread(int fd, void* buffer, size_t count, off_t offset);
ssize_t __real_write(int fd, const void* buffer, size_t count);
int __real_ftruncate(int fd, off_t length);
int __real_flock(int fd, int operation);
int __real_close(int fd);
}

namespace {

struct {
    bool armed = false;
    std::vector<std::string> files;
    long faultAt = -1;
    Fault fault = Fault::Fail;
    std::vector<Record> log;
    std::map<int, int> open;  // descriptor to file index
} seam;

int FileOfPath(const char* path) {
    auto found = std::find(seam.files.begin(), seam.files.end(), path);
    return found == seam.files.end() ? -1 : static_cast<int>(found - seam.files.begin());
}

int FileOfDescriptor(int fd) {
    auto found = seam.open.find(fd);
    return found == seam.open.end() ? -1 : found->second;
}

// Logs the call; the fault it is to meet, if it is the chosen one.
std::optional<Fault> Log(Call call, int file, long asked) {
    seam.log.push_back({call, file, asked, 0});
    if (static_cast<long>(seam.log.size()) - 1 != seam.faultAt) {
        return std::nullopt;
    }
    return seam.fault;
}

long Logged(long result, int error = 0) {
    seam.log.back().result = result;
    if (error != 0) {
        errno = error;
    }
    return result;
}

// Passes the call on unless it is the chosen one: then it fails, is interrupted, moves nothing or
// moves a third, as far as that fits the call.
template <typename Real>
long Pass(Call call, int file, long asked, int failure, Real real) {
    std::optional<Fault> fault = Log(call, file, asked);
    bool transfer = call == Call::Read || call == Call::Peek || call == Call::Write;
    if (fault == Fault::Fail) {
        return Logged(-1L, failure);
    }
    if (fault == Fault::Interrupt && (transfer || call == Call::Truncate || call == Call::Lock)) {
        return Logged(-1L, EINTR);
    }
    if (fault == Fault::Nothing && transfer) {
        return Logged(0L);
    }
    if (fault == Fault::Rewrite && file >= 0) {
        int fd = __real_open(seam.files[static_cast<std::size_t>(file)].c_str(), O_WRONLY);
        const char sizeByte = 0x08;
        if (fd < 0 || pwrite(fd, &sizeByte, 1, 0x201) != 1 || __real_close(fd) != 0) {
            return Logged(-1L, EIO);
        }
    }
    return Logged(real(fault == Fault::Short && transfer ? std::max(1L, asked / 3) : asked));
}

}  // namespace

void ArmSeam(std::vector<std::string> files, long faultAt, Fault fault) {
    seam.files = std::move(files);
    seam.faultAt = faultAt;
    seam.fault = fault;
    seam.log.clear();
    seam.open.clear();
    seam.armed = true;
}

std::vector<Record> DisarmSeam() {
    seam.armed = false;
    for (const auto& [fd, file] : seam.open) {
        __real_close(fd);
    }
    seam.open.clear();
    return std::move(seam.log);
}

extern "C" {

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list rest;
        va_start(rest, flags);
        mode = va_arg(rest, mode_t);
        va_end(rest);
    }
    if (!seam.armed) {
        return __real_open(path, flags, mode);
    }
    int file = FileOfPath(path);
    return static_cast<int>(Pass(Call::Open, file, 0, EIO, [&](long) {
        int fd = __real_open(path, flags, mode);
        if (fd >= 0) {
            seam.open[fd] = file;
        }
        return fd;
    }));
}

int __wrap_stat(const char* path, struct stat* status) {
    auto real = [&](long) { return __real_stat(path, status); };
    return seam.armed ? static_cast<int>(Pass(Call::Stat, FileOfPath(path), 0, EIO, real))
                      : real(0);
}

int __wrap_fstat(int fd, struct stat* status) {
    auto real = [&](long) { return __real_fstat(fd, status); };
    return seam.armed ? static_cast<int>(Pass(Call::Fstat, FileOfDescriptor(fd), 0, EIO, real))
                      : real(0);
}

ssize_t __wrap_read(int fd, void* buffer, size_t count) {
    auto real = [&](long size) { return __real_read(fd, buffer, static_cast<size_t>(size)); };
    return seam.armed ? Pass(Call::Read, FileOfDescriptor(fd), static_cast<long>(count), EIO, real)
                      : real(static_cast<long>(count));
}

ssize_t __wrap_pread(int fd, void* buffer, size_t count, off_t offset) {
    auto real = [&](long size) {
        return __real_pread(fd, buffer, static_cast<size_t>(size), offset);
    };
    return seam.armed ? Pass(Call::Peek, FileOfDescriptor(fd), static_cast<long>(count), EIO, real)
                      : real(static_cast<long>(count));
}

ssize_t __wrap_write(int fd, const void* buffer, size_t count) {
    auto real = [&](long size) { return __real_write(fd, buffer, static_cast<size_t>(size)); };
    return seam.armed
               ? Pass(Call::Write, FileOfDescriptor(fd), static_cast<long>(count), ENOSPC, real)
               : real(static_cast<long>(count));
}

int __wrap_ftruncate(int fd, off_t length) {
    auto real = [&](long size) { return __real_ftruncate(fd, size); };
    return seam.armed
               ? static_cast<int>(Pass(Call::Truncate, FileOfDescriptor(fd), length, ENOSPC, real))
               : real(length);
}

int __wrap_flock(int fd, int operation) {
    auto real = [&](long) { return __real_flock(fd, operation); };
    return seam.armed ? static_cast<int>(Pass(Call::Lock, FileOfDescriptor(fd), 0, ENOLCK, real))
                      : real(0);
}

// Linux releases the descriptor even when close reports an error, so a failing close closes too.
int __wrap_close(int fd) {
    if (!seam.armed) {
        return __real_close(fd);
    }
    int file = FileOfDescriptor(fd);
    seam.open.erase(fd);
    int result = __real_close(fd);
    return static_cast<int>(Pass(Call::Close, file, 0, EIO, [&](long) { return result; }));
}

}  // extern "C"
