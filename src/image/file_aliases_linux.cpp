#include <linux/loop.h>
#include <linux/magic.h>
#include <linux/major.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include "image/file_aliases.h"

namespace {

// An overlay reports the inode number of the file below it under a device number of its own.
// Equal inode numbers there count as one file: a false refusal costs far less than a firmware.
bool OnOverlay(int fd) {
    struct statfs system {};
    return fstatfs(fd, &system) == 0 && system.f_type == OVERLAYFS_SUPER_MAGIC;
}

// A loop device is the file behind it; two loop devices on one file are that file twice.
bool LoopBacking(int fd, const struct stat& status, loop_info64& backing) {
    return S_ISBLK(status.st_mode) && major(status.st_rdev) == LOOP_MAJOR &&
           ioctl(fd, LOOP_GET_STATUS64, &backing) == 0;
}

// The file behind a loop device against a file, or against the file behind another loop device.
bool LoopAliases(int fd, const struct stat& status, int otherFd, const struct stat& other) {
    loop_info64 backing{};
    if (!LoopBacking(fd, status, backing)) {
        return false;
    }
    loop_info64 otherBacking{};
    if (LoopBacking(otherFd, other, otherBacking)) {
        return backing.lo_device == otherBacking.lo_device &&
               backing.lo_inode == otherBacking.lo_inode;
    }
    return backing.lo_device == other.st_dev && backing.lo_inode == other.st_ino;
}

}  // namespace

bool SystemAliases(int fd, const struct stat& status, int otherFd, const struct stat& other) {
    return (status.st_ino == other.st_ino && (OnOverlay(fd) || OnOverlay(otherFd))) ||
           LoopAliases(fd, status, otherFd, other) || LoopAliases(otherFd, other, fd, status);
}
