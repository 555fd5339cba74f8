// What the conversion, the checks and the calibration copy share: the buffer every transfer
// passes through, the one way of opening an output, and the one way of opening an image.
#pragma once

#include <cstdint>

#include "image/file_access.h"
#include "image/image_layout.h"

extern std::uint8_t TransferBuffer[kTransferBufferSize];

// Opens the output, refuses it when it is one of the inputs under another name, and claims it.
// The output is only cut once it is known to be none of them. other may be kNoFile.
OutputFile OpenOutput(const char* path, FileHandle input, FileHandle other);

// Opens an image to be read, as cat would: a FIFO waits for its writer. An image whose length is
// known and too large for any image is refused at once.
FileHandle OpenImage(const char* path);

// Stops with a text that names where in an image the fault lies, and its area if given.
[[noreturn]] void StopAtOffset(const char* text, std::int64_t offset, const char* area = nullptr);
