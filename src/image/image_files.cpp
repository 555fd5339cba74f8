#include "image/image_files.h"

#include <cstdio>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

std::uint8_t TransferBuffer[kTransferBufferSize];

namespace {

// "смещение 0x10210, микропрограмма": room for the word, 16 digits and the longest area name.
char OffsetDetail[128];

}  // namespace

OutputFile OpenOutput(const char* path, FileHandle input, FileHandle other) {
    OutputFile output = FileOpenForWriting(path);
    if (output.handle == kNoFile) {
        FatalStop(MessageCatalogue::kOutputOpenError, FileErrorText());
    }
    if (FileIsSame(output.handle, input) ||
        (other != kNoFile && FileIsSame(output.handle, other))) {
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

void StopAtOffset(const char* text, std::int64_t offset, const char* area) {
    std::snprintf(OffsetDetail, sizeof OffsetDetail, "%s 0x%05llX%s%s",
                  MessageCatalogue::kOffsetWord, static_cast<unsigned long long>(offset),
                  area == nullptr ? "" : ", ", area == nullptr ? "" : area);
    FatalStop(text, OffsetDetail);
}
