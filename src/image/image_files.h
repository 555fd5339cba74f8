// What the conversion, the checks and the calibration copy share: the buffers every transfer
// passes through, the reading of the firmware's head, the one way of opening an output, and the
// one way of opening and reading an image.
#pragma once

#include <cstdint>

#include "image/file_access.h"
#include "image/image_layout.h"

extern std::uint8_t TransferBuffer[kTransferBufferSize];
// The image bytes a comparison reads beside TransferBuffer.
extern std::uint8_t CompareBuffer[kTransferBufferSize];
// A calibration area, read whole before any output is opened, so that a fault in it leaves the
// output as it was: a calibration file's first bytes, or an image's area.
extern std::uint8_t CalibrationArea[kCalibrationAreaSize];

// What the firmware's first bytes say of it.
struct FirmwareHead {
    bool marked;             // the interrupt-table marker is in its place
    std::int32_t sizeByte;   // -1 where the firmware ends at its marker
    std::int32_t sizeClass;  // the length the size byte gives the image, or kSizeClassNone
};
// firmware holds the first size bytes of the firmware, or all of it.
FirmwareHead ReadFirmwareHead(const std::uint8_t* firmware, std::int64_t size);

// The catalogue's note for a refusal, or for one of the inputs taken as the output.
const char* RefusalNote(Refusal refusal);
// What follows an open error: the system's reason where it gave one, else the note.
const char* RefusalDetail(const Verdict& verdict);

// Opens the output, which may be none of the inputs (other may be kNoFile), and takes it for this
// run: where another run holds it, waits for it to let go if waitsForBusyOutput says so, and
// stops if not. Then makes sure that a device has room for size bytes, and cuts a file that
// holds anything.
OutputFile TakeOutput(const char* path, FileHandle input, FileHandle other, std::int64_t size,
                      bool (*waitsForBusyOutput)());

// Opens an image to be read, as cat would: a FIFO waits for its writer. An image whose length is
// known and too large for any image is refused at once.
FileHandle OpenImage(const char* path);
// Reads up to size bytes of an image at offset into TransferBuffer, never past the largest image
// and one byte more; a failed read stops, a short one means the image ends there.
std::int32_t ReadImage(FileHandle image, std::int64_t offset, std::int32_t size);
// The offset of the first byte in [from, to) of bytes that is not erased, or -1.
std::int64_t FirstUnerased(const std::uint8_t* bytes, std::int64_t from, std::int64_t to);
// Counts the bytes from offset to the end of image, which must all be erased, as the rest of a
// larger chip holds them; stops at the first that is not, and at an image longer than any image
// can be.
std::int64_t ReadErasedTail(FileHandle image, std::int64_t offset);

// Stops with a text that names where in an image the fault lies, and its area if given.
[[noreturn]] void StopAtOffset(const char* text, std::int64_t offset, const char* area = nullptr);
