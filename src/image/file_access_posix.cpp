#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/file_access.h"
#include "image/file_aliases.h"
#include "image/transfer_loop.h"

namespace {

int LastError = 0;
// The output when it is one of the standard streams: written where it stands, never cut, locked
// or extended, since others may have written before it or may write after it.
int StreamOutput = -1;

int Descriptor(FileHandle file) {
    return static_cast<int>(file);
}

template <typename Result>
Result Failed(Result result) {
    LastError = errno;
    return result;
}

// A descriptor that another process left non-blocking is waited on, not given up.
bool MayRetry(int fd, short events) {
    if (errno == EINTR) {
        return true;
    }
    pollfd waiting{fd, events, 0};
    return (errno == EAGAIN || errno == EWOULDBLOCK) && poll(&waiting, 1, -1) >= 0;
}

// Moves size bytes with call(done), retried where it was interrupted or would have blocked.
template <typename Call>
std::int32_t Transfer(FileHandle file, std::int32_t size, short events, Call call) {
    LastError = 0;
    return TransferAll(size, [&](std::int32_t done) {
        ssize_t count = 0;
        do {
            count = call(done);
        } while (count < 0 && MayRetry(Descriptor(file), events));
        return static_cast<std::int32_t>(count < 0 ? Failed(count) : count);
    });
}

// O_NONBLOCK keeps the open of a FIFO or a terminal from waiting; the transfers then block again.
int OpenWithoutWaiting(const char* path, int flags) {
    int fd = open(path, flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failed(-1);
    }
    int status = fcntl(fd, F_GETFL);
    if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
        LastError = errno;
        close(fd);
        return -1;
    }
    return fd;
}

bool SameIdentity(const struct stat& one, const struct stat& other) {
    bool bothDevices = (S_ISBLK(one.st_mode) && S_ISBLK(other.st_mode)) ||
                       (S_ISCHR(one.st_mode) && S_ISCHR(other.st_mode));
    return (one.st_dev == other.st_dev && one.st_ino == other.st_ino) ||
           (bothDevices && one.st_rdev == other.st_rdev);
}

// A standard stream open for writing on the named file, or -1.
int StandardStreamFor(const char* path) {
    struct stat named {};
    if (stat(path, &named) != 0) {
        return -1;
    }
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        struct stat stream {};
        int mode = fcntl(fd, F_GETFL);
        if (mode >= 0 && (mode & O_ACCMODE) != O_RDONLY && fstat(fd, &stream) == 0 &&
            SameIdentity(named, stream)) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

bool FileKindHasLength(const char* path) {
    struct stat status {};
    return stat(path, &status) != 0 ||
           !(S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || S_ISCHR(status.st_mode));
}

FileHandle FileOpenForReading(const char* path) {
    int fd = OpenWithoutWaiting(path, O_RDONLY);
    if (fd < 0) {
        return kNoFile;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        LastError = S_ISDIR(status.st_mode) ? EISDIR : errno;
        close(fd);
        return kNoFile;
    }
    return fd;
}

FileHandle FileOpenForWriting(const char* path) {
    int stream = StandardStreamFor(path);
    if (stream >= 0) {
        StreamOutput = fcntl(stream, F_DUPFD_CLOEXEC, 0);
        return StreamOutput < 0 ? Failed(kNoFile) : StreamOutput;
    }
    int fd = OpenWithoutWaiting(path, O_WRONLY | O_CREAT);
    return fd < 0 ? kNoFile : fd;
}

// Two runs on one output would otherwise tear it: each cut and wrote while the other wrote. An
// empty file is not cut: ext4 takes a cut to length 0 for a file being replaced and writes it all
// out when it is closed, which doubles the time of a large image.
bool FileClaim(FileHandle output) {
    int fd = Descriptor(output);
    struct stat status {};
    if (fd == StreamOutput) {
        return true;
    }
    if (fstat(fd, &status) != 0) {
        return Failed(false);
    }
    if (!S_ISREG(status.st_mode) && !S_ISBLK(status.st_mode)) {
        return true;
    }
    int locked = 0;
    do {
        locked = flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0 || fstat(fd, &status) != 0) {
        return Failed(false);
    }
    return !S_ISREG(status.st_mode) || status.st_size == 0 || FileSetLength(output, 0);
}

bool FileCanSetLength(FileHandle output) {
    struct stat status {};
    return Descriptor(output) != StreamOutput && fstat(Descriptor(output), &status) == 0 &&
           S_ISREG(status.st_mode);
}

std::int32_t FileRead(FileHandle file, void* buffer, std::int32_t size) {
    auto* bytes = static_cast<char*>(buffer);
    return Transfer(file, size, POLLIN, [&](std::int32_t done) {
        return read(Descriptor(file), bytes + done, static_cast<size_t>(size - done));
    });
}

std::int32_t FilePeek(FileHandle file, void* buffer, std::int32_t size) {
    auto* bytes = static_cast<char*>(buffer);
    return Transfer(file, size, POLLIN, [&](std::int32_t done) {
        return pread(Descriptor(file), bytes + done, static_cast<size_t>(size - done), done);
    });
}

std::int32_t FileWrite(FileHandle file, const void* buffer, std::int32_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    return Transfer(file, size, POLLOUT, [&](std::int32_t done) {
        return write(Descriptor(file), bytes + done, static_cast<size_t>(size - done));
    });
}

// A block device states no length of its own but can be measured. A pipe, socket, terminal or
// other device has none until it has been read to its end, so it has none here.
std::int64_t FileLength(FileHandle file) {
    struct stat status {};
    LastError = 0;
    if (fstat(Descriptor(file), &status) != 0) {
        return Failed(-1);
    }
    if (S_ISREG(status.st_mode)) {
        return status.st_size;
    }
    if (!S_ISBLK(status.st_mode)) {
        return -1;
    }
    off_t end = lseek(Descriptor(file), 0, SEEK_END);
    if (end < 0 || lseek(Descriptor(file), 0, SEEK_SET) != 0) {
        return Failed(-1);
    }
    return end;
}

bool FileSetLength(FileHandle file, std::int64_t size) {
    int result = 0;
    do {
        result = ftruncate(Descriptor(file), static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed(false);
}

bool FileClose(FileHandle file) {
    return close(Descriptor(file)) == 0 || Failed(false);
}

bool FileIsSame(FileHandle file, FileHandle other) {
    struct stat one {};
    struct stat two {};
    if (fstat(Descriptor(file), &one) != 0 || fstat(Descriptor(other), &two) != 0) {
        return true;
    }
    return SameIdentity(one, two) || SystemAliases(Descriptor(file), one, Descriptor(other), two) ||
           SystemAliases(Descriptor(other), two, Descriptor(file), one);
}

const char* FileErrorText() {
    return LastError == 0 ? nullptr : std::strerror(LastError);
}
