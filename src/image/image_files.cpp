#include "image/image_files.h"

#include <algorithm>
#include <cstdio>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "core/translation.h"

std::uint8_t TransferBuffer[kTransferBufferSize];
// Beside TransferBuffer, so that the little state of a run does not land on a page of its own
// between the two.
std::uint8_t CompareBuffer[kTransferBufferSize];
std::uint8_t CalibrationArea[kCalibrationAreaSize];

namespace {

// "смещение 0x10210, микропрограмма": room for the word, 16 digits and the longest area name.
char OffsetDetail[128];

}  // namespace

FirmwareHead ReadFirmwareHead(const std::uint8_t* firmware, std::int64_t size) {
    if (size <= kMarkerOffset || firmware[kMarkerOffset] != kMarkerByte) {
        return {false, -1, kSizeClassNone};
    }
    if (size <= kSizeByteOffset) {
        return {true, -1, kSizeClassNone};
    }
    return {true, firmware[kSizeByteOffset], SizeClassFromByte(firmware[kSizeByteOffset])};
}

const char* RefusalNote(Refusal refusal) {
    namespace text = MessageCatalogue;
    static const char* const kNotes[] = {nullptr,
                                         text::kNoteFileNotFound,
                                         text::kNoteFolderNotFound,
                                         text::kNoteIsFolder,
                                         text::kNoteNotAFile,
                                         text::kNoteReadOnly,
                                         text::kNoteDanglingLink,
                                         text::kNoteCannotRead,
                                         text::kNoteCannotWrite,
                                         text::kOutputIsInput};
    return kNotes[static_cast<int>(refusal)];
}

const char* RefusalDetail(const Verdict& verdict) {
    return verdict.error != 0 ? SystemReason(verdict.error) : RefusalNote(verdict.refusal);
}

namespace {

OutputFile OpenOutput(const char* path, FileHandle input, FileHandle other) {
    OutputFile output = FileOpenForWriting(path, input, other);
    if (output.verdict.refusal == Refusal::IsInput) {
        FatalStop(MessageCatalogue::kOutputIsInput);
    }
    if (output.handle == kNoFile) {
        FatalStop(MessageCatalogue::kOutputOpenError, RefusalDetail(output.verdict));
    }
    return output;
}

void Hold(const OutputFile& output, bool (*waitsForBusyOutput)()) {
    int error = FileLock(output, Lock::Try);
    if (error == kBusy) {
        if (!waitsForBusyOutput()) {
            FatalStop(MessageCatalogue::kOutputOpenError, MessageCatalogue::kOutputBusy);
        }
        error = FileLock(output, Lock::Wait);
    }
    if (error != 0) {
        FatalStop(MessageCatalogue::kOutputOpenError, SystemReason(error));
    }
}

// An empty file is not cut: ext4 takes a cut to length 0 for a file being replaced and writes it
// all out when it is closed, which doubles the time of a large image.
void Claim(const OutputFile& output, std::int64_t size) {
    std::int64_t length = output.kind == OutputKind::Stream ? 0 : FileLength(output.handle);
    if (length < 0) {
        FatalStop(MessageCatalogue::kOutputOpenError);
    }
    if (output.kind == OutputKind::Device && length < size) {
        FatalStop(MessageCatalogue::kImageLargerThanDevice);
    }
    int error = output.kind == OutputKind::File && length > 0 ? FileSetLength(output.handle, 0) : 0;
    if (error != 0) {
        FatalStop(MessageCatalogue::kOutputOpenError, SystemReason(error));
    }
}

}  // namespace

OutputFile TakeOutput(const char* path, FileHandle input, FileHandle other, std::int64_t size,
                      bool (*waitsForBusyOutput)()) {
    OutputFile output = OpenOutput(path, input, other);
    Hold(output, waitsForBusyOutput);
    Claim(output, size);
    return output;
}

FileHandle OpenImage(const char* path) {
    Opened image = FileOpenForReading(path, Partner::Wait);
    if (image.handle == kNoFile) {
        FatalStop(MessageCatalogue::kImageOpenError, SystemReason(image.error));
    }
    if (FileLength(image.handle) > kLargestImageSize) {
        FatalStop(MessageCatalogue::kImageTooLarge);
    }
    return image.handle;
}

std::int32_t ReadImage(FileHandle image, std::int64_t offset, std::int32_t size) {
    std::int64_t room = std::int64_t{kLargestImageSize} + 1 - offset;
    Moved read = FileRead(image, TransferBuffer,
                          static_cast<std::int32_t>(std::min<std::int64_t>(size, room)));
    if (read.error != 0) {
        FatalStop(MessageCatalogue::kImageReadError, SystemReason(read.error));
    }
    if (offset + read.count > kLargestImageSize) {
        FatalStop(MessageCatalogue::kImageTooLarge);
    }
    return read.count;
}

std::int64_t FirstUnerased(const std::uint8_t* bytes, std::int64_t from, std::int64_t to) {
    for (std::int64_t offset = from; offset < to; ++offset) {
        if (bytes[offset] != kErasedByte) {
            return offset;
        }
    }
    return -1;
}

std::int64_t ReadErasedTail(FileHandle image, std::int64_t offset) {
    std::int64_t end = offset;
    std::int32_t chunkSize = kTransferBufferSize;
    while (chunkSize == kTransferBufferSize) {
        chunkSize = ReadImage(image, end, kTransferBufferSize);
        std::int64_t unerased = FirstUnerased(TransferBuffer, 0, chunkSize);
        if (unerased >= 0) {
            StopAtOffset(MessageCatalogue::kTailNotErased, end + unerased);
        }
        end += chunkSize;
    }
    return end - offset;
}

// No offset passes kLargestImageSize, so a long holds it; XP's msvcrt knows no %llX.
void StopAtOffset(const char* text, std::int64_t offset, const char* area) {
    std::snprintf(OffsetDetail, sizeof OffsetDetail, "%s 0x%05lX%s%s",
                  Tr(MessageCatalogue::kOffsetWord), static_cast<unsigned long>(offset),
                  area == nullptr ? "" : ", ", area == nullptr ? "" : Tr(area));
    FatalStop(text, OffsetDetail);
}
