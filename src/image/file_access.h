// The little the conversion needs of the operating system: binary files, no text translation.
// Reads and writes run until the whole count is moved, the input ends or a real error occurs,
// so a count below the one asked for always means failure.
#pragma once

#include <cstdint>

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// A folder is never opened as a file.
FileHandle FileOpenForReading(const char* path);
// Creates the file or cuts an existing one to length 0.
FileHandle FileCreateForWriting(const char* path);

std::int32_t FileRead(FileHandle file, void* buffer, std::int32_t size);
std::int32_t FileWrite(FileHandle file, const void* buffer, std::int32_t size);

// -1 when the length cannot be taken.
std::int64_t FileLength(FileHandle file);
// Cuts the file, or extends it with zero bytes.
bool FileSetLength(FileHandle file, std::int64_t size);
bool FileClose(FileHandle file);

// True when path names an existing file that is the very file behind the handle,
// however it is spelled or linked.
bool FileIsSameAs(FileHandle file, const char* path);
