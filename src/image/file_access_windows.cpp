#include <windows.h>

#include <initializer_list>

#include "image/file_access.h"
#include "image/transfer_loop.h"

namespace {

HANDLE Handle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

Opened OpenedOrNot(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        return {kNoFile, static_cast<int>(GetLastError())};
    }
    return {reinterpret_cast<FileHandle>(handle), 0};
}

// A pipe whose writer has gone has ended, as a file ends.
template <typename Call>
Moved Transfer(std::int32_t size, Call call) {
    int error = 0;
    std::int32_t count = TransferAll(size, [&](std::int32_t done) {
        DWORD moved = 0;
        BOOL ok = call(done, moved);
        DWORD failure = ok == FALSE ? GetLastError() : 0;
        error = failure == ERROR_BROKEN_PIPE ? 0 : static_cast<int>(failure);
        return ok ? static_cast<std::int32_t>(moved) : 0;
    });
    return {count, error};
}

}  // namespace

// Without backup semantics a folder cannot be opened, which is what the callers want. Opening a
// pipe never waits for its writer.
Opened FileOpenForReading(const char* path, Partner /*partner*/) {
    return OpenedOrNot(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Nobody else may write while the output is open, so a second run cannot tear the image. Only a
// disk file has a length to set; a device such as NUL or a serial port gets its fill written. The
// open cuts nothing, so the output is told from the inputs once it is open.
OutputFile FileOpenForWriting(const char* path, FileHandle input, FileHandle other) {
    Opened opened = OpenedOrNot(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (opened.handle == kNoFile) {
        return {kNoFile, OutputKind::Stream, {Refusal::CannotWrite, opened.error}};
    }
    if (FileIsSame(opened.handle, input) ||
        (other != kNoFile && FileIsSame(opened.handle, other))) {
        FileClose(opened.handle);
        return {kNoFile, OutputKind::Stream, {Refusal::IsInput, 0}};
    }
    bool disk = GetFileType(Handle(opened.handle)) == FILE_TYPE_DISK;
    return {opened.handle, disk ? OutputKind::File : OutputKind::Stream, {}};
}

// The open holds the output already.
int FileLock(const OutputFile& /*output*/, Lock /*lock*/) {
    return 0;
}

// A character device gives no bytes here: from a serial port such as COM1 the read, and the
// program with it, would wait for ever with nothing on screen.
Moved FileRead(FileHandle file, void* buffer, std::int32_t size) {
    if (GetFileType(Handle(file)) == FILE_TYPE_CHAR) {
        return {0, ERROR_NOT_SUPPORTED};
    }
    auto* bytes = static_cast<char*>(buffer);
    return Transfer(size, [&](std::int32_t done, DWORD& moved) {
        return ReadFile(Handle(file), bytes + done, static_cast<DWORD>(size - done), &moved,
                        nullptr);
    });
}

// Only ever asked of a firmware just opened, which is a disk file or a block device.
Moved FilePeek(FileHandle file, void* buffer, std::int32_t size) {
    Moved moved = FileRead(file, buffer, size);
    LARGE_INTEGER start{};
    if (SetFilePointerEx(Handle(file), start, nullptr, FILE_BEGIN) == FALSE) {
        return {0, static_cast<int>(GetLastError())};
    }
    return moved;
}

Moved FileWrite(FileHandle file, const void* buffer, std::int32_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    return Transfer(size, [&](std::int32_t done, DWORD& moved) {
        return WriteFile(Handle(file), bytes + done, static_cast<DWORD>(size - done), &moved,
                         nullptr);
    });
}

// Only a disk file has a length; whatever the system says of a device or a pipe is no length.
std::int64_t FileLength(FileHandle file) {
    LARGE_INTEGER size{};
    if (GetFileType(Handle(file)) != FILE_TYPE_DISK || !GetFileSizeEx(Handle(file), &size)) {
        return -1;
    }
    return size.QuadPart;
}

// The file grows with zero bytes past the old end.
int FileSetLength(FileHandle file, std::int64_t size) {
    LARGE_INTEGER position{};
    position.QuadPart = size;
    bool set =
        SetFilePointerEx(Handle(file), position, nullptr, FILE_BEGIN) && SetEndOfFile(Handle(file));
    return set ? 0 : static_cast<int>(GetLastError());
}

int FileClose(FileHandle file) {
    return CloseHandle(Handle(file)) != FALSE ? 0 : static_cast<int>(GetLastError());
}

// A device or a pipe is no file that writing the output could destroy. A file that cannot be
// identified might be the other one, so it counts as the same.
bool FileIsSame(FileHandle file, FileHandle other) {
    for (FileHandle handle : {file, other}) {
        DWORD type = GetFileType(Handle(handle));
        if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
            return false;
        }
    }
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION two{};
    if (!GetFileInformationByHandle(Handle(file), &one) ||
        !GetFileInformationByHandle(Handle(other), &two)) {
        return true;
    }
    return one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
           one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
}
