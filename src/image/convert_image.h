#pragma once

#include <cstdint>

#include "image/file_access.h"
#include "image/image_files.h"

// Whether the firmware may serve as its own calibration too.
enum class CalibrationRule { NotTheFirmware, MayBeTheFirmware };

// The inputs of one conversion, open and judged, with everything their heads decide.
struct Conversion {
    FileHandle firmware;
    std::int32_t firmwareSize;
    FirmwareHead head;                    // read once: the copy holds the firmware to it
    FileHandle calibration;               // kNoFile without one; open until the output is claimed
    const std::uint8_t* calibrationArea;  // its first bytes, or erased bytes without one
    std::int64_t imageSize;               // with its zero fill, where the size class asks for one
    std::int64_t chipSize;    // 0, or the size of the chip the image is padded to with 0xFF
    std::int64_t outputSize;  // what the output receives
};

// Opens the firmware and the calibration, reads the calibration's area and the firmware's head,
// and stops on every fault they show before an output is touched, a chip smaller than the image
// included. An empty calibrationPath means no calibration; chipSize 0 means no padding.
Conversion OpenConversion(const char* firmwarePath, const char* calibrationPath,
                          std::int64_t chipSize, CalibrationRule rule);

// Writes the image to an output that has been claimed for outputSize bytes, and closes both.
// Returns the count of firmware bytes that the size class left out.
std::int32_t WriteImage(const Conversion& conversion, const OutputFile& output);

// Compares the image at imagePath byte for byte with the one the conversion would write, writing
// nothing. Returns only when the two are equal, with the count of erased bytes that follow the
// image, as in the read-back of a larger chip.
std::int64_t CompareImage(const Conversion& conversion, const char* imagePath);
