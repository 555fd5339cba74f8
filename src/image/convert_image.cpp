#include "image/convert_image.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "image/file_access.h"
#include "image/image_files.h"
#include "image/image_layout.h"

namespace {

// Until the output is open, TransferBuffer holds the calibration area in its first half and the
// blank area in its second, where the firmware's head is looked at first.
constexpr std::int32_t kBufferedCalibrationOffset = 0;
constexpr std::int32_t kBufferedBlankOffset = kCalibrationAreaSize;
static_assert(kBufferedBlankOffset + kBlankAreaSize <= kTransferBufferSize);
static_assert(kSizeByteOffset < kBlankAreaSize, "the firmware's head fits in the blank half");
static_assert(kSmallImageSize - kFirmwareAreaOffset >= kTransferBufferSize,
              "a size class never cuts into the first chunk");

// The image goes into a file, or is compared byte for byte with an existing one.
struct Sink {
    FileHandle file;
    bool compares;
    bool writesFill;           // the zero fill goes out as bytes, where no length may be set
    std::int64_t offset;       // of the next image byte
    std::int64_t firmwareEnd;  // image offset where the firmware's bytes end and the fill begins
};

Sink Target;
FileHandle Firmware;
FileHandle Calibration;
std::int32_t FirmwareSize;
std::int32_t FirmwareSizeClass;

const char* AreaAt(std::int64_t offset) {
    if (offset < kCalibrationAreaOffset) {
        return MessageCatalogue::kAreaBlank;
    }
    if (offset < kFirmwarePrefixOffset) {
        return MessageCatalogue::kAreaCalibration;
    }
    if (offset < kFirmwareAreaOffset) {
        return MessageCatalogue::kAreaPrefix;
    }
    return offset < Target.firmwareEnd ? MessageCatalogue::kAreaFirmware
                                       : MessageCatalogue::kAreaFill;
}

void Compare(const std::uint8_t* bytes, std::int32_t size) {
    std::int32_t read = FileRead(Target.file, CompareBuffer, size);
    if (std::memcmp(bytes, CompareBuffer, static_cast<std::size_t>(read)) != 0) {
        std::int32_t at = 0;
        while (bytes[at] == CompareBuffer[at]) {
            ++at;
        }
        StopAtOffset(MessageCatalogue::kImageDiffers, Target.offset + at,
                     AreaAt(Target.offset + at));
    }
    if (read < size) {
        if (FileErrorText() != nullptr) {
            FatalStop(MessageCatalogue::kImageReadError, FileErrorText());
        }
        StopAtOffset(MessageCatalogue::kImageLengthDiffers, Target.offset + read);
    }
}

void Emit(const std::uint8_t* bytes, std::int32_t size) {
    if (Target.compares) {
        Compare(bytes, size);
    } else if (FileWrite(Target.file, bytes, size) != size) {
        FatalStop(MessageCatalogue::kWriteError, FileErrorText());
    }
    Target.offset += size;
}

// Lengths are 32-bit signed from here on, so anything that does not fit is refused up front. Only
// a file with a length can be checked before the output is touched, so nothing else is taken.
void OpenFirmware(const char* firmwarePath) {
    if (!FileKindHasLength(firmwarePath)) {
        FatalStop(MessageCatalogue::kFirmwareReadError);
    }
    Firmware = FileOpenForReading(firmwarePath);
    if (Firmware == kNoFile) {
        FatalStop(MessageCatalogue::kFirmwareOpenError, FileErrorText());
    }
    std::int64_t size = FileLength(Firmware);
    if (size < 0) {
        FatalStop(MessageCatalogue::kFirmwareReadError, FileErrorText());
    }
    if (size > std::numeric_limits<std::int32_t>::max()) {
        FatalStop(MessageCatalogue::kFirmwareTooLarge);
    }
    FirmwareSize = static_cast<std::int32_t>(size);
}

// The calibration area is read whole before the output is opened, so that a short one leaves
// the output as it was.
void TakeCalibration(const char* calibrationPath, bool firmwareMayBeCalibration) {
    std::uint8_t* area = TransferBuffer + kBufferedCalibrationOffset;
    Calibration = kNoFile;
    if (calibrationPath[0] == '\0') {
        std::memset(area, kErasedByte, kCalibrationAreaSize);
        return;
    }
    Calibration = FileOpenForReading(calibrationPath);
    if (Calibration == kNoFile) {
        FatalStop(MessageCatalogue::kCalibrationOpenError, FileErrorText());
    }
    // A calibration dialog offers the firmware, whose head would then become the calibration.
    if (!firmwareMayBeCalibration && FileIsSame(Firmware, Calibration)) {
        FatalStop(MessageCatalogue::kCalibrationIsFirmware);
    }
    if (FileRead(Calibration, area, kCalibrationAreaSize) != kCalibrationAreaSize) {
        FatalStop(MessageCatalogue::kCalibrationReadError, FileErrorText());
    }
}

// head holds the first headSize bytes of the firmware.
std::int32_t DecideSizeClass(const std::uint8_t* head, std::int32_t headSize) {
    if (headSize <= kMarkerOffset || head[kMarkerOffset] != kMarkerByte) {
        FatalStop(MessageCatalogue::kInterruptTableMissing);
    }
    if (headSize <= kSizeByteOffset) {
        return kSizeClassNone;
    }
    return SizeClassFromByte(head[kSizeByteOffset]);
}

// The first chunk decides again when it is copied: it is what the image holds.
void CheckFirmwareHead() {
    std::uint8_t* head = TransferBuffer + kBufferedBlankOffset;
    std::int32_t headSize = FirmwareSize < kSizeByteOffset + 1 ? FirmwareSize : kSizeByteOffset + 1;
    if (FilePeek(Firmware, head, headSize) != headSize) {
        FatalStop(MessageCatalogue::kFirmwareReadError, FileErrorText());
    }
    FirmwareSizeClass = DecideSizeClass(head, headSize);
}

void OpenInputs(const char* firmwarePath, const char* calibrationPath,
                bool firmwareMayBeCalibration) {
    OpenFirmware(firmwarePath);
    TakeCalibration(calibrationPath, firmwareMayBeCalibration);
    CheckFirmwareHead();
}

// Once the size class is known, firmware bytes past the class length are neither read nor
// written. Returns the size class and leaves the count of firmware bytes copied in copied.
std::int32_t CopyFirmware(std::int32_t& copied) {
    std::int32_t sizeClass = kSizeClassUndecided;
    std::int32_t toCopy = FirmwareSize;
    copied = 0;
    while (copied < toCopy) {
        std::int32_t chunkSize = toCopy - copied;
        if (chunkSize > kTransferBufferSize) {
            chunkSize = kTransferBufferSize;
        }
        if (FileRead(Firmware, TransferBuffer, chunkSize) != chunkSize) {
            FatalStop(MessageCatalogue::kFirmwareReadError, FileErrorText());
        }
        if (sizeClass == kSizeClassUndecided) {
            sizeClass = DecideSizeClass(TransferBuffer, chunkSize);
            if (sizeClass != kSizeClassNone && sizeClass - kFirmwareAreaOffset < toCopy) {
                toCopy = sizeClass - kFirmwareAreaOffset;
            }
            Target.firmwareEnd = kFirmwareAreaOffset + toCopy;
        }
        Emit(TransferBuffer, chunkSize);
        copied += chunkSize;
    }
    return sizeClass;
}

// Emits byte until the image reaches the offset end.
void FillTo(std::uint8_t byte, std::int64_t end) {
    if (Target.offset >= end) {
        return;
    }
    std::memset(TransferBuffer, byte, sizeof TransferBuffer);
    while (Target.offset < end) {
        std::int64_t rest = end - Target.offset;
        Emit(TransferBuffer,
             rest < kTransferBufferSize ? static_cast<std::int32_t>(rest) : kTransferBufferSize);
    }
}

// An output whose length cannot be set, and an image being compared, get the fill as bytes.
void FinishLength(std::int32_t sizeClass) {
    if (sizeClass == kSizeClassNone || Target.offset == sizeClass) {
        return;
    }
    if (Target.writesFill) {
        FillTo(0x00, sizeClass);
    } else if (!FileSetLength(Target.file, sizeClass)) {
        FatalStop(MessageCatalogue::kWriteError, FileErrorText());
    }
}

// The one sequence behind both the conversion and the comparison, once the sink is open; the
// calibration, kept open until then for the same-file check, is done with. Returns the count of
// firmware bytes that the size class left out.
std::int32_t WriteImage(FileHandle sink, bool compares, bool writesFill) {
    if (Calibration != kNoFile) {
        FileClose(Calibration);
    }
    Target = {sink, compares, writesFill, 0, kFirmwareAreaOffset + std::int64_t{FirmwareSize}};
    std::memset(TransferBuffer + kBufferedBlankOffset, kErasedByte, kBlankAreaSize);
    Emit(TransferBuffer + kBufferedBlankOffset, kBlankAreaSize);
    Emit(TransferBuffer + kBufferedCalibrationOffset, kCalibrationAreaSize);
    std::memcpy(TransferBuffer, kFirmwarePrefix, sizeof kFirmwarePrefix);
    Emit(TransferBuffer, kFirmwarePrefixSize);
    std::int32_t copied = 0;
    FinishLength(CopyFirmware(copied));
    return FirmwareSize - copied;
}

}  // namespace

std::int32_t ConvertImage(const char* firmwarePath, const char* calibrationPath,
                          const char* outputPath, std::int64_t chipSize,
                          bool firmwareMayBeCalibration) {
    OpenInputs(firmwarePath, calibrationPath, firmwareMayBeCalibration);
    std::int64_t imageSize = FirmwareSizeClass != kSizeClassNone
                                 ? FirmwareSizeClass
                                 : kFirmwareAreaOffset + std::int64_t{FirmwareSize};
    if (chipSize > 0 && chipSize < imageSize) {
        FatalStop(MessageCatalogue::kChipSmallerThanImage);
    }
    OutputFile output = OpenOutput(outputPath, Firmware, Calibration);
    // The erased bytes after the image follow its zero fill, so that fill is written too.
    std::int32_t cut =
        WriteImage(output.handle, false, output.kind != OutputKind::File || chipSize > 0);
    FillTo(kErasedByte, chipSize);
    // The writes go straight to the file, so nothing is pending when the length is set. A
    // close that fails would leave a wrong image behind a success message.
    if (!FileClose(output.handle)) {
        FatalStop(MessageCatalogue::kWriteError, FileErrorText());
    }
    FileClose(Firmware);
    return cut;
}

std::int64_t VerifyImage(const char* imagePath, const char* firmwarePath,
                         const char* calibrationPath, bool firmwareMayBeCalibration) {
    OpenInputs(firmwarePath, calibrationPath, firmwareMayBeCalibration);
    FileHandle image = OpenImage(imagePath);
    WriteImage(image, true, true);
    std::int64_t erased = ReadErasedTail(image, Target.offset);
    FileClose(image);
    FileClose(Firmware);
    return erased;
}
