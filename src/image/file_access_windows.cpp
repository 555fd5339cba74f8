#include <windows.h>

#include "image/file_access.h"
#include "image/transfer_loop.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Handle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileHandle FromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(handle);
}

}  // namespace

// Without backup semantics a folder cannot be opened, which is what the callers want.
FileHandle FileOpenForReading(const char* path) {
    return FromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle FileCreateForWriting(const char* path) {
    return FromHandle(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::int32_t FileRead(FileHandle file, void* buffer, std::int32_t size) {
    auto* bytes = static_cast<char*>(buffer);
    return TransferAll(size, [&](std::int32_t done) {
        DWORD count = 0;
        BOOL ok =
            ReadFile(Handle(file), bytes + done, static_cast<DWORD>(size - done), &count, nullptr);
        return ok ? static_cast<std::int32_t>(count) : 0;
    });
}

std::int32_t FileWrite(FileHandle file, const void* buffer, std::int32_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    return TransferAll(size, [&](std::int32_t done) {
        DWORD count = 0;
        BOOL ok =
            WriteFile(Handle(file), bytes + done, static_cast<DWORD>(size - done), &count, nullptr);
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

// A device or a pipe is no file that opening the output could cut. A file that cannot be
// identified might be the named one, and opening that for writing would cut it, so it counts as
// the same.
bool FileIsSameAs(FileHandle file, const char* path) {
    DWORD type = GetFileType(Handle(file));
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION open{};
    if (!GetFileInformationByHandle(Handle(file), &open)) {
        return true;
    }
    HANDLE named = CreateFileA(path, 0, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION other{};
    bool same = GetFileInformationByHandle(named, &other) &&
                open.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
                open.nFileIndexHigh == other.nFileIndexHigh &&
                open.nFileIndexLow == other.nFileIndexLow;
    CloseHandle(named);
    return same;
}
