// Judging a flash image by its layout alone, and taking its calibration out.
#pragma once

#include <cstdint>

struct ImageReport {
    std::int64_t length;
    bool calibrated;        // the calibration area holds anything but 0xFF
    std::int32_t sizeByte;  // -1 when the firmware ends at its marker
    std::int32_t sizeClass;
    std::int64_t firmwareSize;  // with the zero fill, where the size class added one
};

// Reads the whole image once. Returns only for a sound image; the first fault found stops with
// its offset.
ImageReport CheckImage(const char* imagePath);

// Writes the image's calibration area to calibrationPath, as the conversion writes an output.
// The image may be longer than an image, such as a dump of a larger chip.
void ExtractCalibration(const char* imagePath, const char* calibrationPath);
