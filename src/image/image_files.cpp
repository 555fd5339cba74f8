#include "image/image_files.h"

#include <algorithm>
#include <cstdio>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

std::uint8_t TransferBuffer[kTransferBufferSize];
// Beside TransferBuffer, so that the little state of a run does not land on a page of its own
// between the two.
std::uint8_t CompareBuffer[kTransferBufferSize];

namespace {

// "смещение 0x10210, микропрограмма": room for the word, 16 digits and the longest area name.
char OffsetDetail[128];

}  // namespace

OutputFile OpenOutput(const char* path, FileHandle input, FileHandle other) {
    OutputFile output = FileOpenForWriting(path);
    if (output.handle == kNoFile) {
        FatalStop(MessageCatalogue::kOutputOpenError, FileErrorText());
    }
    if (!output.made && (FileIsSame(output.handle, input) ||
                         (other != kNoFile && FileIsSame(output.handle, other)))) {
        FatalStop(MessageCatalogue::kOutputIsInput);
    }
    if (!FileClaim(output)) {
        FatalStop(MessageCatalogue::kOutputOpenError, FileErrorText());
    }
    return output;
}

FileHandle OpenImage(const char* path) {
    FileHandle image = FileOpenForReading(path, true);
    if (image == kNoFile) {
        FatalStop(MessageCatalogue::kImageOpenError, FileErrorText());
    }
    if (FileLength(image) > kLargestImageSize) {
        FatalStop(MessageCatalogue::kImageTooLarge);
    }
    return image;
}

std::int32_t ReadImage(FileHandle image, std::int64_t offset, std::int32_t size) {
    std::int64_t room = std::int64_t{kLargestImageSize} + 1 - offset;
    std::int32_t read = FileRead(image, TransferBuffer,
                                 static_cast<std::int32_t>(std::min<std::int64_t>(size, room)));
    if (FileErrorText() != nullptr) {
        FatalStop(MessageCatalogue::kImageReadError, FileErrorText());
    }
    if (offset + read > kLargestImageSize) {
        FatalStop(MessageCatalogue::kImageTooLarge);
    }
    return read;
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

void StopAtOffset(const char* text, std::int64_t offset, const char* area) {
    std::snprintf(OffsetDetail, sizeof OffsetDetail, "%s 0x%05llX%s%s",
                  MessageCatalogue::kOffsetWord, static_cast<unsigned long long>(offset),
                  area == nullptr ? "" : ", ", area == nullptr ? "" : area);
    FatalStop(text, OffsetDetail);
}
