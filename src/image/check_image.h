// Judging a flash image by its layout alone, and taking its calibration out.
#pragma once

#include <cstdint>

#include "image/file_access.h"

struct ImageReport {
    std::int64_t length;
    bool calibrated;        // the calibration area holds anything but 0xFF
    std::int32_t sizeByte;  // -1 when the firmware ends at its marker
    std::int32_t sizeClass;
    std::int64_t firmwareSize;  // with the zero fill, where the size class added one
    std::int64_t erasedTail;    // erased bytes after the image, as a larger chip holds them
};

// Reads the whole image once. Returns only for a sound image; the first fault found stops with
// its offset. With a size class the image ends at its class length, and what follows it, such as
// the rest of a larger chip, must be erased.
ImageReport CheckImage(const char* imagePath);

// An image whose calibration is to be taken out, judged by its layout up to its marker: the image
// may be longer than an image, such as a dump of a larger chip.
struct Extraction {
    FileHandle image;  // open, so that the output can be told from it
    const std::uint8_t* calibrationArea;
};
Extraction ReadCalibration(const char* imagePath);
// Writes the calibration area to an output claimed for it, and closes both.
void WriteCalibration(const Extraction& extraction, const OutputFile& output);
