#include <windows.h>

#include <initializer_list>

#include "image/file_access.h"
#include "image/transfer_loop.h"

namespace {

// Whether the last read or write failed in the system, rather than met the end of its input. A
// check must not take a read error for the end of an image, nor a dump's unread rest for erased.
bool LastTransferFailed = false;

HANDLE Handle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileHandle FromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(handle);
}

}  // namespace

// The kind of a Windows device is known only once it is open, and opening one never waits.
bool FileKindHasLength(const char* /*path*/) {
    return true;
}

// Without backup semantics a folder cannot be opened, which is what the callers want. Opening a
// pipe never waits for its writer.
FileHandle FileOpenForReading(const char* path, bool /*waitsForWriter*/) {
    return FromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Nobody else may write while the output is open, so a second run cannot tear the image. Only a
// disk file has a length to set; a device such as NUL or a serial port gets its fill written.
OutputFile FileOpenForWriting(const char* path) {
    FileHandle output = FromHandle(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool disk = output != kNoFile && GetFileType(Handle(output)) == FILE_TYPE_DISK;
    return {output, disk ? OutputKind::File : OutputKind::Stream};
}

// The open holds the output already; only a disk file is cut, and only when it holds anything.
bool FileClaim(const OutputFile& output) {
    LARGE_INTEGER size{};
    if (output.kind != OutputKind::File) {
        return true;
    }
    return GetFileSizeEx(Handle(output.handle), &size) &&
           (size.QuadPart == 0 || FileSetLength(output.handle, 0));
}

// A pipe whose writer has gone has ended, as a file ends.
std::int32_t FileRead(FileHandle file, void* buffer, std::int32_t size) {
    auto* bytes = static_cast<char*>(buffer);
    LastTransferFailed = false;
    return TransferAll(size, [&](std::int32_t done) {
        DWORD count = 0;
        BOOL ok =
            ReadFile(Handle(file), bytes + done, static_cast<DWORD>(size - done), &count, nullptr);
        LastTransferFailed = ok == FALSE && GetLastError() != ERROR_BROKEN_PIPE;
        return ok ? static_cast<std::int32_t>(count) : 0;
    });
}

// Only ever asked of a firmware just opened, which is a disk file or a block device.
std::int32_t FilePeek(FileHandle file, void* buffer, std::int32_t size) {
    std::int32_t count = FileRead(file, buffer, size);
    LARGE_INTEGER start{};
    return SetFilePointerEx(Handle(file), start, nullptr, FILE_BEGIN) ? count : 0;
}

std::int32_t FileWrite(FileHandle file, const void* buffer, std::int32_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    LastTransferFailed = false;
    return TransferAll(size, [&](std::int32_t done) {
        DWORD count = 0;
        BOOL ok =
            WriteFile(Handle(file), bytes + done, static_cast<DWORD>(size - done), &count, nullptr);
        LastTransferFailed = ok == FALSE;
        return ok ? static_cast<std::int32_t>(count) : 0;
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
bool FileSetLength(FileHandle file, std::int64_t size) {
    LARGE_INTEGER position{};
    position.QuadPart = size;
    return SetFilePointerEx(Handle(file), position, nullptr, FILE_BEGIN) &&
           SetEndOfFile(Handle(file));
}

bool FileClose(FileHandle file) {
    return CloseHandle(Handle(file)) != FALSE;
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

// The Windows program shows its catalogue texts alone: a failure is told by a reason without words.
const char* FileErrorText() {
    return LastTransferFailed ? "" : nullptr;
}
