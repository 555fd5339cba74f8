#include "image/check_image.h"

#include <algorithm>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "image/file_access.h"
#include "image/image_files.h"
#include "image/image_layout.h"

namespace {

constexpr std::int64_t kMarkerImageOffset = kFirmwareAreaOffset + kMarkerOffset;
constexpr std::int64_t kSizeByteImageOffset = kFirmwareAreaOffset + kSizeByteOffset;
// The image is read as the blank and calibration areas, then chunks from the prefix on; every
// byte with a meaning after the calibration lies in the first of those.
constexpr std::int32_t kAreasSize = kFirmwarePrefixOffset;
constexpr std::int32_t kHeadOffset = kFirmwarePrefixOffset;
static_assert(kAreasSize <= kTransferBufferSize);
static_assert(kSizeByteImageOffset - kHeadOffset < kTransferBufferSize);

FileHandle OpenImage(const char* imagePath) {
    FileHandle image = FileOpenForReading(imagePath);
    if (image == kNoFile) {
        FatalStop(MessageCatalogue::kImageOpenError, FileErrorText());
    }
    return image;
}

// Reads up to size bytes; a failed read stops, a short one means the image ends there.
std::int32_t ReadImage(FileHandle image, std::int32_t size) {
    std::int32_t read = FileRead(image, TransferBuffer, size);
    if (FileErrorText() != nullptr) {
        FatalStop(MessageCatalogue::kImageReadError, FileErrorText());
    }
    return read;
}

// The offset of the first byte in [from, to) of the buffer that is not erased, or -1.
std::int64_t FirstUnerased(const std::uint8_t* bytes, std::int64_t from, std::int64_t to) {
    for (std::int64_t offset = from; offset < to; ++offset) {
        if (bytes[offset] != kErasedByte) {
            return offset;
        }
    }
    return -1;
}

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
    if (TransferBuffer[kMarkerImageOffset - kHeadOffset] != kMarkerByte) {
        StopAtOffset(MessageCatalogue::kInterruptTableMissing, kMarkerImageOffset);
    }
    bool holdsSizeByte = kHeadOffset + size > kSizeByteImageOffset;
    report.sizeByte = holdsSizeByte ? TransferBuffer[kSizeByteImageOffset - kHeadOffset] : -1;
    report.sizeClass = holdsSizeByte ? SizeClassFromByte(static_cast<std::uint8_t>(report.sizeByte))
                                     : kSizeClassNone;
}

}  // namespace

ImageReport CheckImage(const char* imagePath) {
    FileHandle image = OpenImage(imagePath);
    ImageReport report{};
    JudgeAreas(ReadImage(image, kAreasSize), report);
    std::int32_t chunkSize = ReadImage(image, kTransferBufferSize);
    JudgeHead(chunkSize, report);
    report.length = kAreasSize + chunkSize;
    while (chunkSize == kTransferBufferSize) {
        chunkSize = ReadImage(image, kTransferBufferSize);
        report.length += chunkSize;
    }
    FileClose(image);
    report.firmwareSize = report.length - kFirmwareAreaOffset;
    if (report.sizeClass != kSizeClassNone && report.length != report.sizeClass) {
        StopAtOffset(MessageCatalogue::kImageLengthWrong,
                     std::min<std::int64_t>(report.length, report.sizeClass));
    }
    return report;
}

void ExtractCalibration(const char* imagePath, const char* calibrationPath) {
    FileHandle image = OpenImage(imagePath);
    if (ReadImage(image, kAreasSize) != kAreasSize) {
        FatalStop(MessageCatalogue::kImageTooShort);
    }
    const std::uint8_t* area = TransferBuffer + kCalibrationAreaOffset;
    if (FirstUnerased(area, 0, kCalibrationAreaSize) < 0) {
        FatalStop(MessageCatalogue::kImageHoldsNoCalibration);
    }
    FileHandle output = OpenOutput(calibrationPath, image, kNoFile);
    if (FileWrite(output, area, kCalibrationAreaSize) != kCalibrationAreaSize ||
        !FileClose(output)) {
        FatalStop(MessageCatalogue::kWriteError, FileErrorText());
    }
    FileClose(image);
}
