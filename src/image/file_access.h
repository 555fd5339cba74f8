// The little the programs need of the operating system: binary files, no text translation. Every
// call gives its result as a value, with the system's error number where it failed; the callers
// give the words. Reads and writes run until the whole count is moved, the input ends or a real
// error occurs, so a count below the one asked for always means an end or a failure.
#pragma once

#include <cstdint>

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// What keeps a path from serving as an input or an output; the image layer's notes follow its
// order.
enum class Refusal {
    None,
    NotFound,
    FolderNotFound,  // the folder a new file would be made in
    IsFolder,
    NotAFile,  // a pipe, socket or character device where a file with a length is needed
    ReadOnly,  // without any write permission, which is refused even to root
    DanglingLink,
    CannotRead,   // the error number says why
    CannotWrite,  // the error number says why
    IsInput,      // one of the run's inputs, under whatever name
};

struct Verdict {
    Refusal refusal;
    int error;  // the system's error number behind the refusal, or 0
};

struct Opened {
    FileHandle handle;  // kNoFile when the open failed
    int error;
};

// How an output is written, decided once when it is opened.
enum class OutputKind {
    File,    // locked, cut to length 0, given its final length by the system
    Device,  // held exclusively, written where it starts, every byte past the image kept
    Stream,  // a pipe, terminal, character device or standard stream: written where it stands
};

struct OutputFile {
    FileHandle handle;
    OutputKind kind;
    Verdict verdict;  // why there is no handle
};

struct Moved {
    std::int32_t count;
    int error;  // 0 when a count short of the size means that the input ended
};

// A folder is never opened as a file. An input of a conversion never waits for a partner, so a
// FIFO without a writer reads as empty; an image to be checked waits for its writer, as cat does.
enum class Partner { DoNotWait, Wait };
Opened FileOpenForReading(const char* path, Partner partner);

// Opens the output without cutting it, once the native programs' FileOutputVerdict (path_facts.h)
// has no objection and it is none of the inputs, which it is told from before it is opened for
// writing. A block device is held exclusively, however it is named, so a mounted disk is never
// written; any other output that is one of the process's standard streams is written through that
// stream.
OutputFile FileOpenForWriting(const char* path, FileHandle input, FileHandle other);
// Takes the output for this run alone: 0, the system's error number, or kBusy when another run
// holds it and Lock::Try was asked.
enum class Lock { Try, Wait };
constexpr int kBusy = -1;
int FileLock(const OutputFile& output, Lock lock);

Moved FileRead(FileHandle file, void* buffer, std::int32_t size);
// Reads the first size bytes of a file with a length and leaves the next read at its start.
Moved FilePeek(FileHandle file, void* buffer, std::int32_t size);
Moved FileWrite(FileHandle file, const void* buffer, std::int32_t size);

// -1 for a file that has no length to take, such as a pipe or a terminal.
std::int64_t FileLength(FileHandle file);
// Cuts the file, or extends it with zero bytes. 0 or the system's error number, as for close.
int FileSetLength(FileHandle file, std::int64_t size);
int FileClose(FileHandle file);

// True when both handles reach the very same file, however it was named or linked; also when
// either cannot be identified, since then writing one might destroy the other.
bool FileIsSame(FileHandle file, FileHandle other);
