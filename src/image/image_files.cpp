#include "image/image_files.h"

#include <cstdio>

#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

std::uint8_t TransferBuffer[kTransferBufferSize];

namespace {

// "смещение 0x10210, микропрограмма": room for the word, 16 digits and the longest area name.
char OffsetDetail[128];

}  // namespace

FileHandle OpenOutput(const char* path, FileHandle input, FileHandle other) {
    FileHandle output = FileOpenForWriting(path);
    if (output == kNoFile) {
        FatalStop(MessageCatalogue::kOutputOpenError, FileErrorText());
    }
    if (FileIsSame(output, input) || (other != kNoFile && FileIsSame(output, other))) {
        FatalStop(MessageCatalogue::kOutputIsInput);
    }
    if (!FileClaim(output)) {
        FatalStop(MessageCatalogue::kOutputOpenError, FileErrorText());
    }
    return output;
}

void StopAtOffset(const char* text, std::int64_t offset, const char* area) {
    std::snprintf(OffsetDetail, sizeof OffsetDetail, "%s 0x%05llX%s%s",
                  MessageCatalogue::kOffsetWord, static_cast<unsigned long long>(offset),
                  area == nullptr ? "" : ", ", area == nullptr ? "" : area);
    FatalStop(text, OffsetDetail);
}
