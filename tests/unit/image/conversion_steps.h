// The conversion as the programs run it, for the tests of the image layer, which wait without a
// word where another run holds the output.
#pragma once

#include <cstdint>

#include "image/convert_image.h"
#include "image/image_files.h"

inline std::int32_t ConvertImage(const char* firmware, const char* calibration, const char* output,
                                 std::int64_t chipSize = 0,
                                 CalibrationRule rule = CalibrationRule::NotTheFirmware) {
    Conversion conversion = OpenConversion(firmware, calibration, chipSize, rule);
    OutputFile out = TakeOutput(output, conversion.firmware, conversion.calibration,
                                conversion.outputSize, [] { return true; });
    return WriteImage(conversion, out);
}
