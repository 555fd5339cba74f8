#include "image/check_image.h"

#include <algorithm>
#include <cstring>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "core/translation.h"
#include "image/file_access.h"
#include "image/image_files.h"
#include "image/image_layout.h"

namespace {

constexpr std::int64_t kMarkerImageOffset = kFirmwareAreaOffset + kMarkerOffset;
constexpr std::int64_t kSizeByteImageOffset = kFirmwareAreaOffset + kSizeByteOffset;
// The image is read as the blank and calibration areas, then chunks from the prefix on; every
// byte with a meaning after the calibration lies in the first of those. The chunks meet both
// class lengths at a chunk's end.
constexpr std::int32_t kAreasSize = kFirmwarePrefixOffset;
constexpr std::int32_t kHeadOffset = kFirmwarePrefixOffset;
constexpr std::int32_t kHeadSize = kSizeByteImageOffset - kHeadOffset + 1;
static_assert(kAreasSize <= kTransferBufferSize);
static_assert(kHeadSize < kTransferBufferSize);
static_assert((kSmallImageSize - kHeadOffset) % kTransferBufferSize == 0 &&
              (kLargeImageSize - kHeadOffset) % kTransferBufferSize == 0);

// The faults are found in the order of their offsets; a missing byte lies where the image ends.
void JudgeAreas(std::int32_t size, ImageReport& report) {
    std::int64_t unerased =
        FirstUnerased(TransferBuffer, kBlankAreaOffset, std::min(size, kCalibrationAreaOffset));
    if (unerased >= 0) {
        StopAtOffset(MessageCatalogue::kBlankAreaNotErased, unerased);
    }
    if (size < kAreasSize) {
        StopAtOffset(MessageCatalogue::kImageLengthWrong, size);
    }
    report.calibrated =
        FirstUnerased(TransferBuffer, kCalibrationAreaOffset, kFirmwarePrefixOffset) >= 0;
}

// The head starts at the prefix and holds size bytes.
void JudgeHead(std::int32_t size, ImageReport& report) {
    for (std::int32_t i = 0; i < kFirmwarePrefixSize && i < size; ++i) {
        if (TransferBuffer[i] != kFirmwarePrefix[i]) {
            StopAtOffset(MessageCatalogue::kPrefixWrong, kHeadOffset + i);
        }
    }
    if (kHeadOffset + size <= kMarkerImageOffset) {
        StopAtOffset(MessageCatalogue::kImageLengthWrong, kHeadOffset + size);
    }
    FirmwareHead head =
        ReadFirmwareHead(TransferBuffer + kFirmwarePrefixSize, size - kFirmwarePrefixSize);
    if (!head.marked) {
        StopAtOffset(MessageCatalogue::kInterruptTableMissing, kMarkerImageOffset);
    }
    report.sizeByte = head.sizeByte;
    report.sizeClass = head.sizeClass;
}

}  // namespace

ImageReport CheckImage(const char* imagePath) {
    FileHandle image = OpenImage(imagePath);
    ImageReport report{};
    JudgeAreas(ReadImage(image, 0, kAreasSize), report);
    std::int32_t chunkSize = ReadImage(image, kAreasSize, kTransferBufferSize);
    JudgeHead(chunkSize, report);
    report.length = kAreasSize + chunkSize;
    std::int64_t end =
        report.sizeClass > 0 ? report.sizeClass : std::int64_t{kLargestImageSize} + 1;
    while (chunkSize == kTransferBufferSize && report.length < end) {
        chunkSize = ReadImage(image, report.length, kTransferBufferSize);
        report.length += chunkSize;
    }
    if (report.sizeClass > 0 && report.length < report.sizeClass) {
        StopAtOffset(MessageCatalogue::kImageLengthWrong, report.length);
    }
    if (report.sizeClass > 0) {
        report.erasedTail = ReadErasedTail(image, report.length);
    }
    FileClose(image);
    report.firmwareSize = report.length - kFirmwareAreaOffset;
    return report;
}

Extraction ReadCalibration(const char* imagePath) {
    FileHandle image = OpenImage(imagePath);
    ImageReport report{};
    JudgeAreas(ReadImage(image, 0, kAreasSize), report);
    std::memcpy(CalibrationArea, TransferBuffer + kCalibrationAreaOffset, kCalibrationAreaSize);
    JudgeHead(ReadImage(image, kAreasSize, kHeadSize), report);
    if (!report.calibrated) {
        FatalStop(MessageCatalogue::kImageHoldsNoCalibration);
    }
    return {image, CalibrationArea};
}

void WriteCalibration(const Extraction& extraction, const OutputFile& output) {
    Moved written = FileWrite(output.handle, extraction.calibrationArea, kCalibrationAreaSize);
    int error = written.count == kCalibrationAreaSize ? FileClose(output.handle) : written.error;
    if (written.count != kCalibrationAreaSize || error != 0) {
        FatalStop(MessageCatalogue::kWriteError, SystemReason(error));
    }
    FileClose(extraction.image);
}
