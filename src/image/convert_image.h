#pragma once

#include <cstdint>

// Writes the flash image to outputPath. An empty calibrationPath means no calibration. Returns
// only when the image is complete, with the count of firmware bytes that its size class left
// out; every failure ends in FatalStop. Every fault that the inputs show before they are copied
// stops before the output is touched.
std::int32_t ConvertImage(const char* firmwarePath, const char* calibrationPath,
                          const char* outputPath);

// Compares the image at imagePath byte for byte with the one ConvertImage would write from
// these inputs, writing nothing. Returns only when the two are equal.
void VerifyImage(const char* imagePath, const char* firmwarePath, const char* calibrationPath);
