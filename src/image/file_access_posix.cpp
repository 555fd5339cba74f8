#include <fcntl.h>
#include <libintl.h>
#include <limits.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>

#include "core/message_catalogue.h"
#include "core/output_wait.h"
#include "image/file_access.h"
#include "image/file_aliases.h"
#include "image/transfer_loop.h"

namespace {

int LastError = 0;
// The output rule's note where the system gave no reason of its own.
const char* LastNote = nullptr;
char Folder[PATH_MAX];

// The status each file had when this layer opened it, so that telling files apart and taking a
// firmware's length ask the system nothing more. A run holds at most four files open at once; a
// descriptor that is not found here is asked about.
struct OpenFile {
    int fd;
    struct stat status;
};
OpenFile Opened[4] = {{-1, {}}, {-1, {}}, {-1, {}}, {-1, {}}};
std::size_t NextSlot = 0;

int Descriptor(FileHandle file) {
    return static_cast<int>(file);
}

int Remember(int fd, const struct stat& status) {
    OpenFile* slot = nullptr;
    for (OpenFile& known : Opened) {
        slot = known.fd == fd ? &known : slot;
    }
    for (OpenFile& known : Opened) {
        slot = slot == nullptr && known.fd < 0 ? &known : slot;
    }
    if (slot == nullptr) {
        slot = &Opened[NextSlot];
        NextSlot = (NextSlot + 1) % (sizeof Opened / sizeof Opened[0]);
    }
    *slot = {fd, status};
    return fd;
}

void Forget(int fd) {
    for (OpenFile& known : Opened) {
        known.fd = known.fd == fd ? -1 : known.fd;
    }
}

// The status of fd as it was opened, or as the system gives it now.
bool StatusOf(int fd, struct stat& status) {
    for (const OpenFile& known : Opened) {
        if (known.fd == fd) {
            status = known.status;
            return true;
        }
    }
    return fstat(fd, &status) == 0;
}

void Reset() {
    LastError = 0;
    LastNote = nullptr;
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
    Reset();
    return TransferAll(size, [&](std::int32_t done) {
        ssize_t count = 0;
        do {
            count = call(done);
        } while (count < 0 && MayRetry(Descriptor(file), events));
        return static_cast<std::int32_t>(count < 0 ? Failed(count) : count);
    });
}

// O_NONBLOCK keeps the open of a FIFO or a terminal from waiting; the transfers then block again.
// It means nothing to a file or a folder, which are left as they are.
int OpenWithoutWaiting(const char* path, int flags, struct stat& status) {
    int fd = open(path, flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failed(-1);
    }
    if (fstat(fd, &status) != 0) {
        LastError = errno;
        close(fd);
        return -1;
    }
    if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) {
        return Remember(fd, status);
    }
    int mode = fcntl(fd, F_GETFL);
    if (mode < 0 || fcntl(fd, F_SETFL, mode & ~O_NONBLOCK) < 0) {
        LastError = errno;
        close(fd);
        return -1;
    }
    return Remember(fd, status);
}

bool SameIdentity(const struct stat& one, const struct stat& other) {
    bool bothDevices = (S_ISBLK(one.st_mode) && S_ISBLK(other.st_mode)) ||
                       (S_ISCHR(one.st_mode) && S_ISCHR(other.st_mode));
    return (one.st_dev == other.st_dev && one.st_ino == other.st_ino) ||
           (bothDevices && one.st_rdev == other.st_rdev);
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

// Where the path leads: the file itself, or what a symbolic link points at. False when nothing
// is there, and errno then tells a name that is free (ENOENT) from one that cannot be reached.
bool Examine(const char* path, struct stat& status, bool& isLink) {
    isLink = false;
    if (lstat(path, &status) != 0) {
        return false;
    }
    isLink = S_ISLNK(status.st_mode);
    return !isLink || stat(path, &status) == 0;
}

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

const char* Refused(const char* note, int error = 0) {
    LastError = error;
    LastNote = note;
    return note;
}

// Why the system would not make a new file: its folder is missing, or this user may not write
// there.
const char* NewFileNote(int error) {
    return error == ENOENT || error == ENOTDIR ? Refused(MessageCatalogue::kNoteFolderNotFound)
                                               : Refused(MessageCatalogue::kNoteCannotWrite, error);
}

// A new file needs a folder this user may write in. Its name was free, so every folder above it
// is a folder, and the last one is there unless the system says it is not.
const char* NewFileRefusal(const char* path) {
    return faccessat(AT_FDCWD, FolderOf(path), W_OK | X_OK, AT_EACCESS) == 0 ? nullptr
                                                                             : NewFileNote(errno);
}

// The system answers for this user, its file system and its flags; a file without any write
// permission is refused even to root, as a save dialog refuses a read-only file.
const char* ExistingFileRefusal(const char* path, const struct stat& status) {
    if (S_ISDIR(status.st_mode)) {
        return Refused(MessageCatalogue::kNoteIsFolder);
    }
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return Refused(MessageCatalogue::kNoteReadOnly);
    }
    if (faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0) {
        return Refused(MessageCatalogue::kNoteCannotWrite, errno);
    }
    return nullptr;
}

// The rule, once the path has been examined: nothing there, a link that leads nowhere, or a file.
const char* OutputRefusal(const char* path, bool found, bool isLink, const struct stat& status) {
    if (found) {
        return ExistingFileRefusal(path, status);
    }
    if (errno != ENOENT) {
        return NewFileNote(errno);
    }
    return isLink ? Refused(MessageCatalogue::kNoteDanglingLink) : NewFileRefusal(path);
}

int LockAgain(int fd, int operation) {
    int locked = 0;
    do {
        locked = flock(fd, operation);
    } while (locked != 0 && errno == EINTR);
    return locked;
}

// Takes the lock, saying first when another run holds it.
bool Lock(int fd) {
    int locked = LockAgain(fd, LOCK_EX | LOCK_NB);
    if (locked != 0 && errno == EWOULDBLOCK) {
        AnnounceOutputWait();
        locked = LockAgain(fd, LOCK_EX);
    }
    return locked == 0 || Failed(false);
}

}  // namespace

bool FileKindHasLength(const char* path) {
    struct stat status {};
    return stat(path, &status) != 0 ||
           !(S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || S_ISCHR(status.st_mode));
}

FileHandle FileOpenForReading(const char* path, bool waitsForWriter) {
    Reset();
    struct stat status {};
    int fd = waitsForWriter ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (waitsForWriter && (fd < 0 || fstat(fd, &status) != 0)) {
        LastError = errno;
        if (fd >= 0) {
            close(fd);
        }
        return kNoFile;
    }
    if (waitsForWriter) {
        Remember(fd, status);
    } else {
        fd = OpenWithoutWaiting(path, O_RDONLY, status);
    }
    if (fd >= 0 && S_ISDIR(status.st_mode)) {
        LastError = EISDIR;
        close(fd);
        return kNoFile;
    }
    return fd < 0 ? kNoFile : fd;
}

// A link that leads nowhere would have the image created wherever it points, which cp refuses.
const char* FileOutputRefusal(const char* path) {
    Reset();
    struct stat status {};
    bool isLink = false;
    bool found = Examine(path, status, isLink);
    return OutputRefusal(path, found, isLink, status);
}

OutputFile FileOpenForWriting(const char* path) {
    Reset();
    struct stat status {};
    bool isLink = false;
    bool found = Examine(path, status, isLink);
    // A free name is made at once, which asks the system what the rule would ask; a file this run
    // made can be none of the inputs. Made meanwhile by another run, it is an existing file.
    if (!found && !isLink && errno == ENOENT) {
        int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return {fd, OutputKind::File, true};
        }
        if (errno != EEXIST) {
            NewFileNote(errno);
            return {kNoFile, OutputKind::Stream};
        }
        found = Examine(path, status, isLink);
    }
    // Only a file that is there can be one of the streams.
    int stream = found ? StandardStreamFor(status) : -1;
    if (stream >= 0) {
        int fd = fcntl(stream, F_DUPFD_CLOEXEC, 0);
        return {fd < 0 ? Failed(kNoFile) : Remember(fd, status), OutputKind::Stream};
    }
    if (OutputRefusal(path, found, isLink, status) != nullptr) {
        return {kNoFile, OutputKind::Stream};
    }
    // O_EXCL on a block device fails while it is mounted or held by another program.
    if (found && S_ISBLK(status.st_mode)) {
        int fd = open(path, O_WRONLY | O_EXCL | O_CLOEXEC);
        return {fd < 0 ? Failed(kNoFile) : Remember(fd, status), OutputKind::Device};
    }
    int fd = OpenWithoutWaiting(path, O_WRONLY | O_CREAT, status);
    return {fd < 0 ? kNoFile : fd, S_ISREG(status.st_mode) ? OutputKind::File : OutputKind::Stream};
}

// Two runs on one output would otherwise tear it: each cut and wrote while the other wrote. An
// empty file is not cut: ext4 takes a cut to length 0 for a file being replaced and writes it all
// out when it is closed, which doubles the time of a large image.
bool FileClaim(const OutputFile& output) {
    Reset();
    int fd = Descriptor(output.handle);
    if (output.kind == OutputKind::Stream) {
        return true;
    }
    struct stat status {};
    if (!Lock(fd) || fstat(fd, &status) != 0) {
        return Failed(false);
    }
    Remember(fd, status);
    return output.kind == OutputKind::Device || status.st_size == 0 ||
           FileSetLength(output.handle, 0);
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
    Reset();
    if (!StatusOf(Descriptor(file), status)) {
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
    Reset();
    Forget(Descriptor(file));
    return close(Descriptor(file)) == 0 || Failed(false);
}

bool FileIsSame(FileHandle file, FileHandle other) {
    struct stat one {};
    struct stat two {};
    if (!StatusOf(Descriptor(file), one) || !StatusOf(Descriptor(other), two)) {
        return true;
    }
    return SameIdentity(one, two) || SystemAliases(Descriptor(file), one, Descriptor(other), two) ||
           SystemAliases(Descriptor(other), two, Descriptor(file), one);
}

const char* FileErrorText() {
    return LastError == 0 ? LastNote : SystemReason(LastError);
}

// The locale is loaded only once a reason is to be shown, so that a run that shows none spends
// nothing on it. The system's translations are asked for in UTF-8, the encoding of every other
// text, so that no line mixes two encodings.
const char* SystemReason(int error) {
    static bool loaded = false;
    if (!loaded) {
        std::setlocale(LC_ALL, "");
        bind_textdomain_codeset("libc", "UTF-8");
        loaded = true;
    }
    return std::strerror(error);
}
