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
bool OnOverlay(const FileSide& side) {
    struct statfs system {};
    int result = side.fd >= 0 ? fstatfs(side.fd, &system) : statfs(side.path, &system);
    return result == 0 && system.f_type == OVERLAYFS_SUPER_MAGIC;
}

// A loop device is the file behind it; two loop devices on one file are that file twice. Only an
// open device can be asked.
bool LoopBacking(const FileSide& side, loop_info64& backing) {
    return side.fd >= 0 && S_ISBLK(side.status.st_mode) &&
           major(side.status.st_rdev) == LOOP_MAJOR &&
           ioctl(side.fd, LOOP_GET_STATUS64, &backing) == 0;
}

// The file behind a loop device against a file, or against the file behind another loop device.
bool LoopAliases(const FileSide& device, const FileSide& other) {
    loop_info64 backing{};
    if (!LoopBacking(device, backing)) {
        return false;
    }
    loop_info64 otherBacking{};
    if (LoopBacking(other, otherBacking)) {
        return backing.lo_device == otherBacking.lo_device &&
               backing.lo_inode == otherBacking.lo_inode;
    }
    return backing.lo_device == other.status.st_dev && backing.lo_inode == other.status.st_ino;
}

}  // namespace

bool SystemAliases(const FileSide& one, const FileSide& other) {
    return (one.status.st_ino == other.status.st_ino && (OnOverlay(one) || OnOverlay(other))) ||
           LoopAliases(one, other) || LoopAliases(other, one);
}
