// Where a system shows one file under two identities that device and inode numbers do not tell
// apart. Part of the POSIX file layer; each system has its own, chosen by the build.
#pragma once

#include <sys/stat.h>

// One side of a comparison: an open file, or a path not yet opened (fd -1), with its status.
struct FileSide {
    int fd;
    const char* path;
    const struct stat& status;
};

// True when the two sides may be one file.
bool SystemAliases(const FileSide& one, const FileSide& other);
