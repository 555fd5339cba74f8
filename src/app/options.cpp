#include "app/options.h"

#include <cstring>

#include "app/path_buffer.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "image/image_layout.h"

namespace {

// The conversion takes firmware, calibration and output; any later argument is ignored.
constexpr int kConversionPaths = 3;

bool Is(const char* argument, const char* option) {
    return std::strcmp(argument, option) == 0;
}

// Here a cut path names another file, not a shorter spelling of the same.
void RefuseBadPaths(const Options& options, Program program) {
    for (int i = 0; i < options.pathCount; ++i) {
        if (options.paths[i][0] == '\0' && program != Program::Windows) {
            FatalStop(MessageCatalogue::kEmptyPathArgument);
        }
        if (strnlen(options.paths[i], kPathBufferSize) > kPathMaxLength) {
            FatalStop(MessageCatalogue::kPathTooLong);
        }
    }
}

// The paths after an option, of which there must be at most most.
Options After(Program program, Command command, int argumentCount, char** arguments, int most) {
    int count = argumentCount - 2;
    if (count > most) {
        FatalStop(MessageCatalogue::kBadOptionArguments);
    }
    return {program, command, count, arguments + 2, 0};
}

Options Select(int argumentCount, char** arguments, Program program) {
    if (argumentCount < 2) {
        return {program, Command::Convert, 0, arguments + 1, 0};
    }
    const char* first = arguments[1];
    if (argumentCount == 2 && Is(first, "--help")) {
        return {program, Command::Help, 0, arguments + 2, 0};
    }
    if (argumentCount == 2 && Is(first, "--version")) {
        return {program, Command::Version, 0, arguments + 2, 0};
    }
    if (Is(first, "--check")) {
        return After(program, Command::Check, argumentCount, arguments, 3);
    }
    if (Is(first, "--extract-calibration")) {
        return After(program, Command::ExtractCalibration, argumentCount, arguments, 2);
    }
    if (Is(first, "--pad-to") && program == Program::Terminal) {
        // The size and the firmware at least.
        if (argumentCount < 4) {
            FatalStop(MessageCatalogue::kBadOptionArguments);
        }
        std::int64_t chipSize = ParseChipSize(arguments[2]);
        if (chipSize < 0) {
            FatalStop(MessageCatalogue::kChipSizeWrong);
        }
        return {program, Command::Convert, argumentCount - 3, arguments + 3, chipSize};
    }
    if (Is(first, "--")) {
        return {program, Command::Convert, argumentCount - 2, arguments + 2, 0};
    }
    return {program, Command::Convert, argumentCount - 1, arguments + 1, 0};
}

}  // namespace

bool FirmwareMayBeCalibration(Program program) {
    return program == Program::Windows;
}

std::int64_t ParseChipSize(const char* text) {
    std::int64_t size = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) {
        size = size * 10 + (*p - '0');
        if (size > kLargestImageSize) {
            return -1;
        }
    }
    if (p == text) {
        return -1;
    }
    std::int64_t unit = 1;
    if (*p == 'K' || *p == 'k') {
        unit = 1024;
        ++p;
    } else if (*p == 'M' || *p == 'm') {
        unit = 1024 * 1024;
        ++p;
    }
    return *p == '\0' && size > 0 && size <= kLargestImageSize / unit ? size * unit : -1;
}

Options ParseOptions(int argumentCount, char** arguments, Program program) {
    Options options = Select(argumentCount, arguments, program);
    if (options.command == Command::Convert && options.pathCount > kConversionPaths) {
        options.pathCount = kConversionPaths;
    }
    RefuseBadPaths(options, program);
    return options;
}
