// What the conversion, the checks and the calibration copy share: the buffer every transfer
// passes through, the one way of opening an output, and the one way of opening an image.
#pragma once

#include <cstdint>

#include "image/file_access.h"
#include "image/image_layout.h"

extern std::uint8_t TransferBuffer[kTransferBufferSize];
// The image bytes a comparison reads beside TransferBuffer.
extern std::uint8_t CompareBuffer[kTransferBufferSize];

// Opens the output, refuses it when it is one of the inputs under another name, and claims it.
// The output is only cut once it is known to be none of them. other may be kNoFile.
OutputFile OpenOutput(const char* path, FileHandle input, FileHandle other);

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
