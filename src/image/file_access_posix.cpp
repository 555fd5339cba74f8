#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "image/file_access.h"
#include "image/transfer_loop.h"

namespace {

int Descriptor(FileHandle file) {
    return static_cast<int>(file);
}

}  // namespace

FileHandle FileOpenForReading(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return kNoFile;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(fd);
        return kNoFile;
    }
    return fd;
}

FileHandle FileCreateForWriting(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? kNoFile : fd;
}

std::int32_t FileRead(FileHandle file, void* buffer, std::int32_t size) {
    auto* bytes = static_cast<char*>(buffer);
    return TransferAll(size, [&](std::int32_t done) {
        ssize_t count = 0;
        do {
            count = read(Descriptor(file), bytes + done, static_cast<size_t>(size - done));
        } while (count < 0 && errno == EINTR);
        return static_cast<std::int32_t>(count);
    });
}

std::int32_t FileWrite(FileHandle file, const void* buffer, std::int32_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    return TransferAll(size, [&](std::int32_t done) {
        ssize_t count = 0;
        do {
            count = write(Descriptor(file), bytes + done, static_cast<size_t>(size - done));
        } while (count < 0 && errno == EINTR);
        return static_cast<std::int32_t>(count);
    });
}

// A block device states no length of its own but can be measured. A pipe, socket, terminal or
// other device has none until it has been read to its end, so it has none here.
std::int64_t FileLength(FileHandle file) {
    struct stat status {};
    if (fstat(Descriptor(file), &status) != 0) {
        return -1;
    }
    if (S_ISREG(status.st_mode)) {
        return status.st_size;
    }
    if (!S_ISBLK(status.st_mode)) {
        return -1;
    }
    off_t end = lseek(Descriptor(file), 0, SEEK_END);
    if (end < 0 || lseek(Descriptor(file), 0, SEEK_SET) != 0) {
        return -1;
    }
    return end;
}

bool FileSetLength(FileHandle file, std::int64_t size) {
    int result = 0;
    do {
        result = ftruncate(Descriptor(file), static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool FileClose(FileHandle file) {
    return close(Descriptor(file)) == 0;
}

// An input that cannot be identified might be the named file, and opening that for writing
// would cut it, so it counts as the same.
bool FileIsSameAs(FileHandle file, const char* path) {
    struct stat open {};
    struct stat named {};
    if (fstat(Descriptor(file), &open) != 0) {
        return true;
    }
    if (stat(path, &named) != 0) {
        return false;
    }
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}
