#include "image/convert_image.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "image/file_access.h"
#include "image/image_layout.h"

namespace {

std::uint8_t TransferBuffer[kTransferBufferSize];

void WriteFromBuffer(FileHandle output, std::int32_t size) {
    if (FileWrite(output, TransferBuffer, size) != size) {
        FatalStop(MessageCatalogue::kWriteError);
    }
}

// Lengths are 32-bit signed from here on, so anything that does not fit is refused up front.
std::int32_t TakeFirmwareSize(FileHandle firmware) {
    std::int64_t size = FileLength(firmware);
    if (size < 0) {
        FatalStop(MessageCatalogue::kFirmwareReadError);
    }
    if (size > std::numeric_limits<std::int32_t>::max()) {
        FatalStop(MessageCatalogue::kFirmwareTooLarge);
    }
    return static_cast<std::int32_t>(size);
}

FileHandle OpenCalibration(const char* calibrationPath) {
    if (calibrationPath[0] == '\0') {
        return kNoFile;
    }
    FileHandle calibration = FileOpenForReading(calibrationPath);
    if (calibration == kNoFile) {
        FatalStop(MessageCatalogue::kCalibrationOpenError);
    }
    return calibration;
}

// Opening the output cuts it, so it must not be one of the inputs under another name.
FileHandle CreateOutput(const char* outputPath, FileHandle firmware, FileHandle calibration) {
    if (FileIsSameAs(firmware, outputPath) ||
        (calibration != kNoFile && FileIsSameAs(calibration, outputPath))) {
        FatalStop(MessageCatalogue::kOutputIsInput);
    }
    FileHandle output = FileCreateForWriting(outputPath);
    if (output == kNoFile) {
        FatalStop(MessageCatalogue::kOutputOpenError);
    }
    return output;
}

void WriteCalibrationArea(FileHandle output, FileHandle calibration) {
    if (calibration != kNoFile) {
        if (FileRead(calibration, TransferBuffer, kCalibrationAreaSize) != kCalibrationAreaSize) {
            FatalStop(MessageCatalogue::kCalibrationReadError);
        }
        FileClose(calibration);
    }
    WriteFromBuffer(output, kCalibrationAreaSize);
}

std::int32_t SizeClassFromByte(std::uint8_t sizeByte) {
    if (sizeByte >= kLargeSizeByteFirst && sizeByte <= kLargeSizeByteLast) {
        return kLargeImageSize;
    }
    if (sizeByte >= kSmallSizeByteFirst && sizeByte < kLargeSizeByteFirst) {
        return kSmallImageSize;
    }
    return kSizeClassNone;
}

// Runs on the first chunk, which sits at the start of TransferBuffer.
std::int32_t DecideSizeClass(std::int32_t chunkSize) {
    if (chunkSize <= kMarkerOffset || TransferBuffer[kMarkerOffset] != kMarkerByte) {
        FatalStop(MessageCatalogue::kInterruptTableMissing);
    }
    if (chunkSize <= kSizeByteOffset) {
        return kSizeClassNone;
    }
    return SizeClassFromByte(TransferBuffer[kSizeByteOffset]);
}

std::int32_t CopyFirmware(FileHandle firmware, FileHandle output, std::int32_t firmwareSize) {
    std::int32_t sizeClass = kSizeClassUndecided;
    std::int32_t copied = 0;
    while (copied < firmwareSize) {
        std::int32_t chunkSize = firmwareSize - copied;
        if (chunkSize > kTransferBufferSize) {
            chunkSize = kTransferBufferSize;
        }
        if (FileRead(firmware, TransferBuffer, chunkSize) != chunkSize) {
            FatalStop(MessageCatalogue::kFirmwareReadError);
        }
        if (sizeClass == kSizeClassUndecided) {
            sizeClass = DecideSizeClass(chunkSize);
        }
        WriteFromBuffer(output, chunkSize);
        copied += chunkSize;
    }
    return sizeClass;
}

}  // namespace

void ConvertImage(const char* firmwarePath, const char* calibrationPath, const char* outputPath) {
    FileHandle firmware = FileOpenForReading(firmwarePath);
    if (firmware == kNoFile) {
        FatalStop(MessageCatalogue::kFirmwareOpenError);
    }
    std::int32_t firmwareSize = TakeFirmwareSize(firmware);
    FileHandle calibration = OpenCalibration(calibrationPath);
    FileHandle output = CreateOutput(outputPath, firmware, calibration);

    std::memset(TransferBuffer, kErasedByte, sizeof TransferBuffer);
    WriteFromBuffer(output, kBlankAreaSize);
    WriteCalibrationArea(output, calibration);
    std::memcpy(TransferBuffer, kFirmwarePrefix, sizeof kFirmwarePrefix);
    WriteFromBuffer(output, kFirmwarePrefixSize);

    if (firmwareSize == 0) {
        FatalStop(MessageCatalogue::kInterruptTableMissing);
    }
    std::int32_t sizeClass = CopyFirmware(firmware, output, firmwareSize);

    // The writes go straight to the file, so nothing is pending when the length is set. A
    // length or close that fails would leave a wrong image behind a success message.
    if (sizeClass != kSizeClassNone && !FileSetLength(output, sizeClass)) {
        FatalStop(MessageCatalogue::kWriteError);
    }
    if (!FileClose(output)) {
        FatalStop(MessageCatalogue::kWriteError);
    }
    FileClose(firmware);
}
