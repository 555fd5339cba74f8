#pragma once

// Writes the flash image to outputPath. An empty calibrationPath means no calibration.
// Returns only when the image is complete; every failure ends in FatalStop.
void ConvertImage(const char* firmwarePath, const char* calibrationPath, const char* outputPath);
