#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/posix_start.h"
#include "app/run_program.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"
#include "image/check_image.h"
#include "image/convert_image.h"

namespace {

char Report[512];

bool IsSoleArgument(int argumentCount, char** arguments, const char* option) {
    return argumentCount == 2 && std::strcmp(arguments[1], option) == 0;
}

bool IsFirstArgument(int argumentCount, char** arguments, const char* option) {
    return argumentCount > 1 && std::strcmp(arguments[1], option) == 0;
}

// Standard output carries what the user asked to read there, so a failure to write it counts,
// and so does a standard output that was closed before the program started.
int Print(const char* text) {
    if (WasClosedAtStart(STDOUT_FILENO)) {
        FatalStop(MessageCatalogue::kWriteError, std::strerror(EBADF));
    }
    if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0) {
        FatalStop(MessageCatalogue::kWriteError, std::strerror(errno));
    }
    return 0;
}

// The paths after an option, at least fewest and at most most of them.
char** OptionPaths(int argumentCount, char** arguments, int fewest, int most) {
    int count = argumentCount - 2;
    if (count < fewest || count > most) {
        FatalStop(MessageCatalogue::kBadOptionArguments);
    }
    RefuseBadPaths(count, arguments + 2);
    return arguments + 2;
}

int PrintReport(const ImageReport& report) {
    namespace text = MessageCatalogue;
    char sizeByte[128];
    if (report.sizeByte < 0) {
        std::snprintf(sizeByte, sizeof sizeByte, "%s", text::kReportNoSizeByte);
    } else {
        std::snprintf(sizeByte, sizeof sizeByte, "0x%02X, %s",
                      static_cast<unsigned>(report.sizeByte),
                      report.sizeClass > 0 ? text::kReportClassLength : text::kReportClassNone);
    }
    std::snprintf(
        Report, sizeof Report, "%s: %lld %s\n%s: %s\n%s: %s\n%s: %lld %s\n", text::kReportLength,
        static_cast<long long>(report.length), text::kReportBytes, text::kReportCalibration,
        report.calibrated ? text::kReportPresent : text::kReportAbsent, text::kReportSizeByte,
        sizeByte, report.sizeClass > 0 ? text::kReportFirmwareAndFill : text::kReportFirmware,
        static_cast<long long>(report.firmwareSize), text::kReportBytes);
    return Print(Report);
}

// "--check IMAGE" judges the layout; with the inputs after it, the image must be theirs.
int Check(int argumentCount, char** arguments) {
    char** paths = OptionPaths(argumentCount, arguments, 1, 3);
    if (argumentCount == 3) {
        return PrintReport(CheckImage(paths[0]));
    }
    const char* calibration = argumentCount == 5 && std::strcmp(paths[2], "-") != 0 ? paths[2] : "";
    VerifyImage(paths[0], paths[1], calibration);
    std::snprintf(Report, sizeof Report, "%s\n", MessageCatalogue::kImageMatches);
    return Print(Report);
}

int ExtractCalibrationOf(int argumentCount, char** arguments) {
    char** paths = OptionPaths(argumentCount, arguments, 2, 2);
    ExtractCalibration(paths[0], paths[1]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    PrepareProcess();
    if (IsSoleArgument(argc, argv, "--help")) {
        return Print(MessageCatalogue::kHelpText);
    }
    if (IsSoleArgument(argc, argv, "--version")) {
        return Print(MessageCatalogue::kVersionText);
    }
    if (IsFirstArgument(argc, argv, "--check")) {
        return Check(argc, argv);
    }
    if (IsFirstArgument(argc, argv, "--extract-calibration")) {
        return ExtractCalibrationOf(argc, argv);
    }
    // After "--" every argument is a path, even one that looks like an option.
    if (argc > 1 && std::strcmp(argv[1], "--") == 0) {
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    CheckPathArguments(argc, argv);
    return RunProgram(argc, argv);
}
