#pragma once

#include <cstdint>

// Writes the flash image to outputPath. An empty calibrationPath means no calibration; a chipSize
// above 0 fills the image with erased bytes up to that size, as a chip larger than the image
// holds it. The firmware itself is refused as the calibration unless firmwareMayBeCalibration
// says otherwise. Returns only when the image is complete, with the count of firmware bytes that
// its size class left out; every failure ends in FatalStop. Every fault that the inputs show
// before they are copied stops before the output is touched.
std::int32_t ConvertImage(const char* firmwarePath, const char* calibrationPath,
                          const char* outputPath, std::int64_t chipSize = 0,
                          bool firmwareMayBeCalibration = false);

// Compares the image at imagePath byte for byte with the one ConvertImage would write from
// these inputs, writing nothing. Returns only when the two are equal, with the count of erased
// bytes that follow the image, as in the read-back of a larger chip.
std::int64_t VerifyImage(const char* imagePath, const char* firmwarePath,
                         const char* calibrationPath, bool firmwareMayBeCalibration = false);
