// The little the conversion needs of the operating system: binary files, no text translation.
// Reads and writes run until the whole count is moved, the input ends or a real error occurs,
// so a count below the one asked for always means failure.
#pragma once

#include <cstdint>

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// How an output is written, decided once when it is opened.
enum class OutputKind {
    File,    // locked, cut to length 0, given its final length by the system
    Device,  // locked, written where it starts, every byte past the image kept
    Stream,  // a pipe, terminal, character device or standard stream: written where it stands
};

struct OutputFile {
    FileHandle handle;
    OutputKind kind;
    bool made = false;  // by this run, under a name that was free: it can be none of the inputs
};

// False when path names a file that has no length to take, such as a pipe or a terminal; known
// from its kind, before it is opened.
bool FileKindHasLength(const char* path);

// A folder is never opened as a file. The inputs of a conversion never wait for a partner, so a
// FIFO without a writer reads as empty; an image to be checked waits for its writer, as cat does.
FileHandle FileOpenForReading(const char* path, bool waitsForWriter = false);

// Why this user may not have an output at path, or null: a missing folder, a folder, a link that
// leads nowhere, or a place the system says this user may not write (then FileErrorText gives
// its reason). A file without any write permission is refused even to root. Native programs only:
// on Windows the system's dialogs and its open judge.
const char* FileOutputRefusal(const char* path);
// Opens the output without cutting it, creating it when it is missing, so that it can be told
// apart from the inputs first; refuses what FileOutputRefusal refuses. An output that is one of
// the process's standard streams is written through that stream, where it stands. A block device
// is opened only when nobody holds it exclusively, so a mounted disk is never written.
OutputFile FileOpenForWriting(const char* path);
// Holds the output for this run alone, then cuts it to length 0 where it may be cut.
bool FileClaim(const OutputFile& output);

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

// The system's own words for why the last call failed, or null when it only came up short; empty
// words in the Windows program, which shows no reasons.
const char* FileErrorText();
// The system's words for an error number, in the user's language and in UTF-8, whatever the
// locale's character set (native programs; the Windows program shows its texts alone).
const char* SystemReason(int error);
