#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/file_access.h"
#include "image/file_aliases.h"
#include "image/path_facts.h"
#include "image/transfer_loop.h"

namespace {

int Descriptor(FileHandle file) {
    return static_cast<int>(file);
}

// The status of each file as this layer opened it, so that telling the files apart and taking a
// firmware's length ask the system nothing more: a run holds at most four open at once. A
// descriptor that is not here is asked about. Every descriptor this layer hands out replaces what
// was known of its number, so nothing outlives a file that was never closed here.
struct Known {
    int fd;
    struct stat status;
};
Known Held[4] = {{-1, {}}, {-1, {}}, {-1, {}}, {-1, {}}};

void Forget(int fd) {
    for (Known& known : Held) {
        known.fd = known.fd == fd ? -1 : known.fd;
    }
}

int Remember(int fd, const struct stat& status) {
    Forget(fd);
    for (Known& known : Held) {
        if (known.fd < 0) {
            known = {fd, status};
            break;
        }
    }
    return fd;
}

bool StatusOf(int fd, struct stat& status) {
    for (const Known& known : Held) {
        if (known.fd == fd) {
            status = known.status;
            return true;
        }
    }
    return fstat(fd, &status) == 0;
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
Moved Transfer(FileHandle file, std::int32_t size, short events, Call call) {
    int error = 0;
    std::int32_t count = TransferAll(size, [&](std::int32_t done) {
        ssize_t moved = 0;
        do {
            moved = call(done);
        } while (moved < 0 && MayRetry(Descriptor(file), events));
        error = moved < 0 ? errno : 0;
        return static_cast<std::int32_t>(moved < 0 ? 0 : moved);
    });
    return {count, error};
}

Opened Failed(int fd = -1) {
    int error = errno;
    if (fd >= 0) {
        close(fd);
    }
    return {kNoFile, error};
}

// O_NONBLOCK keeps the open of a FIFO or a terminal from waiting; the transfers then block again.
// It means nothing to a file or a folder, which are left as they are.
Opened OpenWithoutWaiting(const char* path, int flags, struct stat& status) {
    int fd = open(path, flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0 || fstat(fd, &status) != 0) {
        return Failed(fd);
    }
    if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) {
        return {fd, 0};
    }
    int mode = fcntl(fd, F_GETFL);
    if (mode < 0 || fcntl(fd, F_SETFL, mode & ~O_NONBLOCK) < 0) {
        return Failed(fd);
    }
    return {fd, 0};
}

// Only a file or a block device can be measured before it is read to its end.
bool HasLength(const struct stat& status) {
    return S_ISREG(status.st_mode) || S_ISBLK(status.st_mode);
}

bool SameIdentity(const struct stat& one, const struct stat& other) {
    bool bothDevices = (S_ISBLK(one.st_mode) && S_ISBLK(other.st_mode)) ||
                       (S_ISCHR(one.st_mode) && S_ISCHR(other.st_mode));
    return (one.st_dev == other.st_dev && one.st_ino == other.st_ino) ||
           (bothDevices && one.st_rdev == other.st_rdev);
}

bool SameFile(const FileSide& one, const FileSide& other) {
    return SameIdentity(one.status, other.status) || SystemAliases(one, other);
}

// True when side may be the open file input; kNoFile is no input.
bool IsInput(const FileSide& side, FileHandle input) {
    struct stat status {};
    if (input == kNoFile) {
        return false;
    }
    return !StatusOf(Descriptor(input), status) ||
           SameFile(side, {Descriptor(input), nullptr, status});
}

// Where the path leads: the file itself, or what a symbolic link points at.
struct Examined {
    bool found;
    bool isLink;
    int error;  // why nothing was found: ENOENT for a name that is free
    struct stat status;
};

Examined Examine(const char* path) {
    Examined examined{};
    examined.found = lstat(path, &examined.status) == 0;
    examined.isLink = examined.found && S_ISLNK(examined.status.st_mode);
    if (examined.isLink) {
        examined.found = stat(path, &examined.status) == 0;
    }
    examined.error = examined.found ? 0 : errno;
    return examined;
}

// Why the system would not make a new file: its folder is missing, or this user may not write
// there.
Verdict NewFileVerdict(int error) {
    if (error == ENOENT || error == ENOTDIR) {
        return {Refusal::FolderNotFound, 0};
    }
    return {Refusal::CannotWrite, error};
}

// What the path's status alone refuses, before the system is asked for this user.
Verdict StatusVerdict(const Examined& examined) {
    if (!examined.found) {
        bool dangling = examined.isLink && examined.error == ENOENT;
        return dangling ? Verdict{Refusal::DanglingLink, 0} : NewFileVerdict(examined.error);
    }
    if (S_ISDIR(examined.status.st_mode)) {
        return {Refusal::IsFolder, 0};
    }
    if ((examined.status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return {Refusal::ReadOnly, 0};
    }
    return {Refusal::None, 0};
}

Verdict AccessVerdict(const char* path, int access) {
    if (faccessat(AT_FDCWD, path, access, AT_EACCESS) == 0) {
        return {Refusal::None, 0};
    }
    return access == W_OK ? Verdict{Refusal::CannotWrite, errno} : NewFileVerdict(errno);
}

char Folder[PATH_MAX];

const char* FolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        return ".";
    }
    std::size_t length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    if (length >= sizeof Folder) {
        return path;
    }
    std::memcpy(Folder, path, length);
    Folder[length] = '\0';
    return Folder;
}

// A standard stream open for writing on the named file, or -1.
int StandardStreamFor(const struct stat& named) {
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

OutputFile Refused(Verdict verdict) {
    return {kNoFile, OutputKind::Stream, verdict};
}

// An output's status is asked afresh: another run may change it while this one waits for it.
OutputFile OpenedAs(int fd, OutputKind kind) {
    if (fd < 0) {
        return Refused({Refusal::CannotWrite, errno});
    }
    Forget(fd);
    return {fd, kind, {}};
}

// O_EXCL on a block device fails while it is mounted or held by another program. Nothing is
// written before the device is told from the inputs, and opening a device copies nothing up.
OutputFile OpenDevice(const char* path, FileHandle input, FileHandle other) {
    OutputFile device = OpenedAs(open(path, O_WRONLY | O_EXCL | O_CLOEXEC), OutputKind::Device);
    struct stat status {};
    if (device.handle == kNoFile) {
        return device;
    }
    FileSide side{Descriptor(device.handle), path, status};
    if (fstat(side.fd, &status) != 0 || IsInput(side, input) || IsInput(side, other)) {
        close(side.fd);
        return Refused({Refusal::IsInput, 0});
    }
    return device;
}

int LockAgain(int fd, int operation) {
    int locked = 0;
    do {
        locked = flock(fd, operation);
    } while (locked != 0 && errno == EINTR);
    return locked;
}

}  // namespace

Opened FileOpenForReading(const char* path, Partner partner) {
    struct stat status {};
    Opened opened{};
    if (partner == Partner::Wait) {
        int fd = open(path, O_RDONLY | O_CLOEXEC);
        opened = fd < 0 || fstat(fd, &status) != 0 ? Failed(fd) : Opened{fd, 0};
    } else {
        opened = OpenWithoutWaiting(path, O_RDONLY, status);
    }
    if (opened.handle != kNoFile && S_ISDIR(status.st_mode)) {
        close(Descriptor(opened.handle));
        return {kNoFile, EISDIR};
    }
    if (opened.handle != kNoFile) {
        Remember(Descriptor(opened.handle), status);
    }
    return opened;
}

Verdict FileInputVerdict(const char* path, Needs needs) {
    struct stat status {};
    if (stat(path, &status) != 0) {
        return errno == ENOENT ? Verdict{Refusal::NotFound, 0}
                               : Verdict{Refusal::CannotRead, errno};
    }
    if (S_ISDIR(status.st_mode)) {
        return {Refusal::IsFolder, 0};
    }
    if (needs == Needs::Length && !HasLength(status)) {
        return {Refusal::NotAFile, 0};
    }
    if (faccessat(AT_FDCWD, path, R_OK, AT_EACCESS) != 0) {
        return {Refusal::CannotRead, errno};
    }
    return {Refusal::None, 0};
}

bool FileExists(const char* path) {
    struct stat status {};
    return lstat(path, &status) == 0;
}

bool FileIsSameAsPath(const char* path, FileHandle file) {
    struct stat status {};
    return stat(path, &status) == 0 && IsInput({-1, path, status}, file);
}

// A link that leads nowhere would have the image created wherever it points, which cp refuses.
// The system answers for this user, its file system and its flags.
Verdict FileOutputVerdict(const char* path) {
    Examined examined = Examine(path);
    if (!examined.found && !examined.isLink && examined.error == ENOENT) {
        return AccessVerdict(FolderOf(path), W_OK | X_OK);
    }
    Verdict verdict = StatusVerdict(examined);
    if (verdict.refusal != Refusal::None) {
        return verdict;
    }
    verdict = AccessVerdict(path, W_OK);
    if (verdict.refusal == Refusal::None && S_ISBLK(examined.status.st_mode)) {
        int fd = open(path, O_WRONLY | O_EXCL | O_CLOEXEC);
        verdict = fd < 0 ? Verdict{Refusal::CannotWrite, errno} : verdict;
        if (fd >= 0) {
            close(fd);
        }
    }
    return verdict;
}

// A free name is made at once, which asks the system what the rule would ask; a file this run made
// can be none of the inputs. Made meanwhile by another run, it is an existing file. Only a name
// that leads through a link can be a standard stream, such as /dev/stdout.
OutputFile FileOpenForWriting(const char* path, FileHandle input, FileHandle other) {
    Examined examined = Examine(path);
    if (!examined.found && !examined.isLink && examined.error == ENOENT) {
        int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd >= 0 ? OpenedAs(fd, OutputKind::File) : Refused(NewFileVerdict(errno));
        }
        examined = Examine(path);
    }
    Verdict verdict = StatusVerdict(examined);
    if (verdict.refusal != Refusal::None) {
        return Refused(verdict);
    }
    if (S_ISBLK(examined.status.st_mode)) {
        return OpenDevice(path, input, other);
    }
    FileSide side{-1, path, examined.status};
    if (IsInput(side, input) || IsInput(side, other)) {
        return Refused({Refusal::IsInput, 0});
    }
    int stream = examined.isLink ? StandardStreamFor(examined.status) : -1;
    if (stream >= 0) {
        return OpenedAs(fcntl(stream, F_DUPFD_CLOEXEC, 0), OutputKind::Stream);
    }
    // A file's open never waits; a FIFO's or a terminal's would.
    if (S_ISREG(examined.status.st_mode)) {
        return OpenedAs(open(path, O_WRONLY | O_CLOEXEC), OutputKind::File);
    }
    struct stat status {};
    Opened opened = OpenWithoutWaiting(path, O_WRONLY, status);
    if (opened.handle == kNoFile) {
        return Refused({Refusal::CannotWrite, opened.error});
    }
    return OpenedAs(Descriptor(opened.handle),
                    S_ISREG(status.st_mode) ? OutputKind::File : OutputKind::Stream);
}

// Two runs on one output would otherwise tear it: each cut and wrote while the other wrote.
int FileLock(const OutputFile& output, Lock lock) {
    if (output.kind == OutputKind::Stream) {
        return 0;
    }
    int operation = lock == Lock::Try ? LOCK_EX | LOCK_NB : LOCK_EX;
    if (LockAgain(Descriptor(output.handle), operation) == 0) {
        return 0;
    }
    return errno == EWOULDBLOCK && lock == Lock::Try ? kBusy : errno;
}

Moved FileRead(FileHandle file, void* buffer, std::int32_t size) {
    auto* bytes = static_cast<char*>(buffer);
    return Transfer(file, size, POLLIN, [&](std::int32_t done) {
        return read(Descriptor(file), bytes + done, static_cast<size_t>(size - done));
    });
}

Moved FilePeek(FileHandle file, void* buffer, std::int32_t size) {
    auto* bytes = static_cast<char*>(buffer);
    return Transfer(file, size, POLLIN, [&](std::int32_t done) {
        return pread(Descriptor(file), bytes + done, static_cast<size_t>(size - done), done);
    });
}

Moved FileWrite(FileHandle file, const void* buffer, std::int32_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    return Transfer(file, size, POLLOUT, [&](std::int32_t done) {
        return write(Descriptor(file), bytes + done, static_cast<size_t>(size - done));
    });
}

// A block device states no length of its own but can be measured. A pipe, socket, terminal or
// other device has none until it has been read to its end, so it has none here.
std::int64_t FileLength(FileHandle file) {
    struct stat status {};
    if (!StatusOf(Descriptor(file), status)) {
        return -1;
    }
    if (!HasLength(status)) {
        return -1;
    }
    if (S_ISREG(status.st_mode)) {
        return status.st_size;
    }
    off_t end = lseek(Descriptor(file), 0, SEEK_END);
    return end < 0 || lseek(Descriptor(file), 0, SEEK_SET) != 0 ? -1 : end;
}

int FileSetLength(FileHandle file, std::int64_t size) {
    int result = 0;
    do {
        result = ftruncate(Descriptor(file), static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

int FileClose(FileHandle file) {
    Forget(Descriptor(file));
    return close(Descriptor(file)) == 0 ? 0 : errno;
}

bool FileIsSame(FileHandle file, FileHandle other) {
    struct stat status {};
    return !StatusOf(Descriptor(file), status) ||
           IsInput({Descriptor(file), nullptr, status}, other);
}
