// The floor of bench/run: the typical job's reads and writes and nothing more, so that korvane's
// time over this program's is what korvane's own checks and start-up cost. It is only correct for
// a firmware that fills its image exactly (no cut, no fill), as the typical job's does; a failed
// call still gives a non-zero status, so that a broken floor cannot pass for a fast one.
// Usage: floor FIRMWARE CALIBRATION OUTPUT
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace {

// Static rather than allocated, as malloc's first call costs system calls of its own; one buffer
// for the fill, the calibration and the firmware, as each page touched costs a fault.
char chunk[65536];
const ssize_t kHalf = sizeof chunk / 2;
const unsigned char kPrefix[16] = {0x90, 0x48, 0x24, 0x42, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

bool WriteAll(int fd, const void* data, ssize_t size) {
    return write(fd, data, size) == size;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    int firmware = open(argv[1], O_RDONLY);
    int calibration = open(argv[2], O_RDONLY);
    if (firmware < 0 || calibration < 0 ||
        read(calibration, chunk + kHalf, kHalf) != kHalf) {
        return 1;
    }
    int output = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    std::memset(chunk, 0xFF, kHalf);
    if (output < 0 || !WriteAll(output, chunk, kHalf) || !WriteAll(output, chunk + kHalf, kHalf) ||
        !WriteAll(output, kPrefix, sizeof kPrefix)) {
        return 1;
    }
    for (;;) {
        ssize_t count = read(firmware, chunk, sizeof chunk);
        if (count == 0) {
            break;
        }
        if (count < 0 || !WriteAll(output, chunk, count)) {
            return 1;
        }
    }
    close(firmware);
    close(calibration);
    // A write the file system defers can still fail here.
    return close(output) == 0 ? 0 : 1;
}
