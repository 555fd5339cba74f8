#include "image/convert_image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "core/translation.h"
#include "image/file_access.h"
#include "image/image_files.h"
#include "image/image_layout.h"

namespace {

static_assert(kSmallImageSize - kFirmwareAreaOffset >= kTransferBufferSize,
              "a size class never cuts into the first chunk");
static_assert(kSizeByteOffset < kTransferBufferSize, "the first chunk holds the whole head");

// The image goes into a file, or is compared byte for byte with an existing one.
enum class SinkMode { Write, Compare };

struct Sink {
    FileHandle file;
    SinkMode mode;
    bool fillAsBytes;          // the zero fill goes out as bytes, where no length may be set
    std::int64_t offset;       // of the next image byte
    std::int64_t firmwareEnd;  // image offset where the firmware's bytes end and the fill begins
};

const char* AreaAt(const Sink& sink, std::int64_t offset) {
    if (offset < kCalibrationAreaOffset) {
        return MessageCatalogue::kAreaBlank;
    }
    if (offset < kFirmwarePrefixOffset) {
        return MessageCatalogue::kAreaCalibration;
    }
    if (offset < kFirmwareAreaOffset) {
        return MessageCatalogue::kAreaPrefix;
    }
    return offset < sink.firmwareEnd ? MessageCatalogue::kAreaFirmware
                                     : MessageCatalogue::kAreaFill;
}

void Compare(const Sink& sink, const std::uint8_t* bytes, std::int32_t size) {
    Moved read = FileRead(sink.file, CompareBuffer, size);
    if (std::memcmp(bytes, CompareBuffer, static_cast<std::size_t>(read.count)) != 0) {
        std::int32_t at = 0;
        while (bytes[at] == CompareBuffer[at]) {
            ++at;
        }
        StopAtOffset(MessageCatalogue::kImageDiffers, sink.offset + at,
                     AreaAt(sink, sink.offset + at));
    }
    if (read.error != 0) {
        FatalStop(MessageCatalogue::kImageReadError, SystemReason(read.error));
    }
    if (read.count < size) {
        StopAtOffset(MessageCatalogue::kImageLengthDiffers, sink.offset + read.count);
    }
}

void Emit(Sink& sink, const std::uint8_t* bytes, std::int32_t size) {
    if (sink.mode == SinkMode::Compare) {
        Compare(sink, bytes, size);
    } else {
        Moved written = FileWrite(sink.file, bytes, size);
        if (written.count != size) {
            FatalStop(MessageCatalogue::kWriteError, SystemReason(written.error));
        }
    }
    sink.offset += size;
}

// Lengths are 32-bit signed from here on, so anything that does not fit is refused up front; and
// only a file with a length can be judged before the output is touched.
void OpenFirmware(const char* firmwarePath, Conversion& conversion) {
    Opened firmware = FileOpenForReading(firmwarePath, Partner::DoNotWait);
    if (firmware.handle == kNoFile) {
        FatalStop(MessageCatalogue::kFirmwareOpenError, SystemReason(firmware.error));
    }
    std::int64_t size = FileLength(firmware.handle);
    if (size < 0) {
        FatalStop(MessageCatalogue::kFirmwareReadError);
    }
    if (size > std::numeric_limits<std::int32_t>::max()) {
        FatalStop(MessageCatalogue::kFirmwareTooLarge);
    }
    conversion.firmware = firmware.handle;
    conversion.firmwareSize = static_cast<std::int32_t>(size);
}

void TakeCalibration(const char* calibrationPath, CalibrationRule rule, Conversion& conversion) {
    conversion.calibration = kNoFile;
    conversion.calibrationArea = CalibrationArea;
    if (calibrationPath[0] == '\0') {
        std::memset(CalibrationArea, kErasedByte, kCalibrationAreaSize);
        return;
    }
    Opened calibration = FileOpenForReading(calibrationPath, Partner::DoNotWait);
    if (calibration.handle == kNoFile) {
        FatalStop(MessageCatalogue::kCalibrationOpenError, SystemReason(calibration.error));
    }
    // A calibration dialog offers the firmware, whose head would then become the calibration.
    if (rule == CalibrationRule::NotTheFirmware &&
        FileIsSame(conversion.firmware, calibration.handle)) {
        FatalStop(MessageCatalogue::kCalibrationIsFirmware);
    }
    Moved read = FileRead(calibration.handle, CalibrationArea, kCalibrationAreaSize);
    if (read.count != kCalibrationAreaSize) {
        FatalStop(MessageCatalogue::kCalibrationReadError, SystemReason(read.error));
    }
    conversion.calibration = calibration.handle;
}

// The head decides the image's length once; the copy only makes sure that it still says so.
void ReadHead(Conversion& conversion) {
    std::uint8_t head[kSizeByteOffset + 1];
    std::int32_t size = std::min(conversion.firmwareSize, kSizeByteOffset + 1);
    Moved read = FilePeek(conversion.firmware, head, size);
    if (read.count != size) {
        FatalStop(MessageCatalogue::kFirmwareReadError, SystemReason(read.error));
    }
    conversion.head = ReadFirmwareHead(head, size);
    if (!conversion.head.marked) {
        FatalStop(MessageCatalogue::kInterruptTableMissing);
    }
    conversion.imageSize = conversion.head.sizeClass != kSizeClassNone
                               ? conversion.head.sizeClass
                               : kFirmwareAreaOffset + std::int64_t{conversion.firmwareSize};
}

bool SameHead(const FirmwareHead& one, const FirmwareHead& other) {
    return one.marked == other.marked && one.sizeByte == other.sizeByte;
}

// Firmware bytes past the class length are neither read nor written. Returns the count of
// firmware bytes copied.
std::int32_t CopyFirmware(Sink& sink, const Conversion& conversion) {
    std::int64_t toCopy = std::min(sink.firmwareEnd, conversion.imageSize) - kFirmwareAreaOffset;
    std::int32_t copied = 0;
    while (copied < toCopy) {
        auto chunkSize =
            static_cast<std::int32_t>(std::min<std::int64_t>(toCopy - copied, kTransferBufferSize));
        Moved read = FileRead(conversion.firmware, TransferBuffer, chunkSize);
        if (read.count != chunkSize) {
            FatalStop(MessageCatalogue::kFirmwareReadError, SystemReason(read.error));
        }
        // A firmware rewritten while it is read would give an image for another chip.
        if (copied == 0 &&
            !SameHead(ReadFirmwareHead(TransferBuffer, chunkSize), conversion.head)) {
            FatalStop(MessageCatalogue::kFirmwareReadError);
        }
        Emit(sink, TransferBuffer, chunkSize);
        copied += chunkSize;
    }
    return copied;
}

// Emits byte until the image reaches the offset end.
void FillTo(Sink& sink, std::uint8_t byte, std::int64_t end) {
    if (sink.offset >= end) {
        return;
    }
    std::memset(TransferBuffer, byte, sizeof TransferBuffer);
    while (sink.offset < end) {
        std::int64_t rest = end - sink.offset;
        Emit(sink, TransferBuffer,
             rest < kTransferBufferSize ? static_cast<std::int32_t>(rest) : kTransferBufferSize);
    }
}

// An output whose length cannot be set, and an image being compared, get the fill as bytes.
void FinishLength(Sink& sink, const Conversion& conversion) {
    if (conversion.head.sizeClass == kSizeClassNone || sink.offset == conversion.imageSize) {
        return;
    }
    if (sink.fillAsBytes) {
        FillTo(sink, 0x00, conversion.imageSize);
        return;
    }
    int error = FileSetLength(sink.file, conversion.imageSize);
    if (error != 0) {
        FatalStop(MessageCatalogue::kWriteError, SystemReason(error));
    }
    sink.offset = conversion.imageSize;
}

// The one sequence behind both the conversion and the comparison; the calibration, kept open
// until the sink is claimed for the same-file check, is done with. Returns the count of firmware
// bytes that the size class left out.
std::int32_t EmitImage(Sink& sink, const Conversion& conversion) {
    if (conversion.calibration != kNoFile) {
        FileClose(conversion.calibration);
    }
    std::memset(TransferBuffer, kErasedByte, kBlankAreaSize);
    Emit(sink, TransferBuffer, kBlankAreaSize);
    Emit(sink, conversion.calibrationArea, kCalibrationAreaSize);
    Emit(sink, kFirmwarePrefix, kFirmwarePrefixSize);
    std::int32_t copied = CopyFirmware(sink, conversion);
    FinishLength(sink, conversion);
    return conversion.firmwareSize - copied;
}

}  // namespace

Conversion OpenConversion(const char* firmwarePath, const char* calibrationPath,
                          std::int64_t chipSize, CalibrationRule rule) {
    Conversion conversion{};
    OpenFirmware(firmwarePath, conversion);
    TakeCalibration(calibrationPath, rule, conversion);
    ReadHead(conversion);
    if (chipSize > 0 && chipSize < conversion.imageSize) {
        FatalStop(MessageCatalogue::kChipSmallerThanImage);
    }
    conversion.chipSize = chipSize;
    conversion.outputSize = std::max(chipSize, conversion.imageSize);
    return conversion;
}

std::int32_t WriteImage(const Conversion& conversion, const OutputFile& output) {
    // The erased bytes of a larger chip follow the image's zero fill, so that fill is written.
    bool fillAsBytes = output.kind != OutputKind::File || conversion.chipSize > 0;
    Sink sink{output.handle, SinkMode::Write, fillAsBytes, 0,
              kFirmwareAreaOffset + std::int64_t{conversion.firmwareSize}};
    std::int32_t cut = EmitImage(sink, conversion);
    FillTo(sink, kErasedByte, conversion.chipSize);
    // The writes go straight to the file, so nothing is pending when the length is set. A close
    // that fails would leave a wrong image behind a success message.
    int error = FileClose(output.handle);
    if (error != 0) {
        FatalStop(MessageCatalogue::kWriteError, SystemReason(error));
    }
    FileClose(conversion.firmware);
    return cut;
}

std::int64_t CompareImage(const Conversion& conversion, const char* imagePath) {
    FileHandle image = OpenImage(imagePath);
    Sink sink{image, SinkMode::Compare, true, 0,
              kFirmwareAreaOffset + std::int64_t{conversion.firmwareSize}};
    EmitImage(sink, conversion);
    std::int64_t erased = ReadErasedTail(image, sink.offset);
    FileClose(image);
    FileClose(conversion.firmware);
    return erased;
}
