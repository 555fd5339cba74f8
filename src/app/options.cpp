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

void RefuseBadPaths(const Options& options, const ProgramRules& rules) {
    for (int i = 0; i < options.pathCount; ++i) {
        if (options.paths[i][0] == '\0' && !rules.emptyPathIsNotGiven) {
            FatalStop(MessageCatalogue::kEmptyPathArgument);
        }
        if (!FitsPathBuffer(options.paths[i])) {
            FatalStop(MessageCatalogue::kPathTooLong);
        }
    }
}

// The paths after an option, of which there must be at most most.
Options After(Command command, int argumentCount, char** arguments, int most,
              const ProgramRules& rules) {
    int count = argumentCount - 2;
    if (count > most) {
        FatalStop(rules.badArgumentsText);
    }
    return {command, count, arguments + 2, 0};
}

Options Select(int argumentCount, char** arguments, const ProgramRules& rules) {
    if (argumentCount < 2) {
        return {Command::Convert, 0, arguments + 1, 0};
    }
    const char* first = arguments[1];
    if (argumentCount == 2 && Is(first, "--help")) {
        return {Command::Help, 0, arguments + 2, 0};
    }
    if (argumentCount == 2 && Is(first, "--version")) {
        return {Command::Version, 0, arguments + 2, 0};
    }
    if (Is(first, "--check")) {
        return After(Command::Check, argumentCount, arguments, 3, rules);
    }
    if (Is(first, "--extract-calibration")) {
        return After(Command::ExtractCalibration, argumentCount, arguments, 2, rules);
    }
    if (Is(first, "--pad-to") && rules.takesChipSize) {
        // The size and the firmware at least.
        if (argumentCount < 4) {
            FatalStop(rules.badArgumentsText);
        }
        std::int64_t chipSize = ParseChipSize(arguments[2]);
        if (chipSize < 0) {
            FatalStop(MessageCatalogue::kChipSizeWrong);
        }
        return {Command::Convert, argumentCount - 3, arguments + 3, chipSize};
    }
    if (Is(first, "--")) {
        return {Command::Convert, argumentCount - 2, arguments + 2, 0};
    }
    return {Command::Convert, argumentCount - 1, arguments + 1, 0};
}

}  // namespace

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

Options ParseOptions(int argumentCount, char** arguments, const ProgramRules& rules) {
    Options options = Select(argumentCount, arguments, rules);
    if (options.command == Command::Convert && options.pathCount > kConversionPaths) {
        options.pathCount = kConversionPaths;
    }
    RefuseBadPaths(options, rules);
    return options;
}
