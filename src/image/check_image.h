// Judging a flash image by its layout alone, and taking its calibration out.
#pragma once

#include <cstdint>

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

// Writes the image's calibration area to calibrationPath, as the conversion writes an output,
// once the image has passed the layout checks up to its marker. The image may be longer than an
// image, such as a dump of a larger chip.
void ExtractCalibration(const char* imagePath, const char* calibrationPath);
