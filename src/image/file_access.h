// The little the conversion needs of the operating system: binary files, no text translation.
// Reads and writes run until the whole count is moved, the input ends or a real error occurs,
// so a count below the one asked for always means failure. No open ever waits for a partner.
#pragma once

#include <cstdint>

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// False when path names a file that has no length to take, such as a pipe or a terminal; known
// from its kind, before it is opened.
bool FileKindHasLength(const char* path);

// A folder is never opened as a file.
FileHandle FileOpenForReading(const char* path);
// Opens the output without cutting it, creating it when it is missing, so that it can be told
// apart from the inputs first. An output that is one of the process's standard streams is
// written through that stream, where it stands.
FileHandle FileOpenForWriting(const char* path);
// Holds the output for this run alone, then cuts it to length 0 where it may be cut.
bool FileClaim(FileHandle output);
// False for an output whose length cannot be set, such as a pipe, a device or a standard stream:
// that one gets its zero fill written.
bool FileCanSetLength(FileHandle output);

std::int32_t FileRead(FileHandle file, void* buffer, std::int32_t size);
// Reads the first size bytes of a file with a length and leaves the next read at its start.
std::int32_t FilePeek(FileHandle file, void* buffer, std::int32_t size);
std::int32_t FileWrite(FileHandle file, const void* buffer, std::int32_t size);

// -1 when the length cannot be taken.
std::int64_t FileLength(FileHandle file);
// Cuts the file, or extends it with zero bytes.
bool FileSetLength(FileHandle file, std::int64_t size);
bool FileClose(FileHandle file);

// True when both handles reach the very same file, however it was named or linked; also when
// either cannot be identified, since then writing one might destroy the other.
bool FileIsSame(FileHandle file, FileHandle other);

// The system's own words for why the last call failed, or null when it only came up short.
const char* FileErrorText();
