// Where a system shows one file under two identities that device and inode numbers do not tell
// apart. Part of the POSIX file layer; each system has its own, chosen by the build.
#pragma once

#include <sys/stat.h>

// True when the files open on fd and otherFd, whose status is given, may be one file.
bool SystemAliases(int fd, const struct stat& status, int otherFd, const struct stat& other);
