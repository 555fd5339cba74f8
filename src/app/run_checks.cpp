// Checking an image, comparing it with its inputs and taking its calibration out.
#include <cstdio>
#include <cstring>

#include "app/run_program.h"
#include "core/message_catalogue.h"
#include "core/translation.h"
#include "image/check_image.h"
#include "image/convert_image.h"
#include "image/image_files.h"
#include "image/image_layout.h"

namespace {

PathBuffer ImagePath;
PathBuffer FirmwarePath;
PathBuffer CalibrationPath;
// Room for every line of a report. The lines are joined, with no line end after the last.
char Report[1024];

// No count here exceeds kLargestImageSize, so each goes out as a long: every C library knows %ld,
// and XP's msvcrt knows no %lld.
// Adds the count of erased bytes after the image, where there are any, to Report.
void AddErasedTail(std::int64_t erasedTail) {
    if (erasedTail > 0) {
        std::size_t used = std::strlen(Report);
        std::snprintf(Report + used, sizeof Report - used, "\n%s: %ld %s",
                      Tr(MessageCatalogue::kReportErasedTail), static_cast<long>(erasedTail),
                      Tr(MessageCatalogue::kReportBytes));
    }
}

void DescribeImage(const ImageReport& report) {
    namespace text = MessageCatalogue;
    char sizeByte[128];
    if (report.sizeByte < 0) {
        std::snprintf(sizeByte, sizeof sizeByte, "%s", Tr(text::kReportNoSizeByte));
    } else {
        std::snprintf(sizeByte, sizeof sizeByte, "0x%02X, %s",
                      static_cast<unsigned>(report.sizeByte),
                      Tr(report.sizeClass > 0 ? text::kReportClassLength : text::kReportClassNone));
    }
    std::snprintf(Report, sizeof Report, "%s: %ld %s\n%s: %s\n%s: %s\n%s: %ld %s",
                  Tr(text::kReportLength), static_cast<long>(report.length), Tr(text::kReportBytes),
                  Tr(text::kReportCalibration),
                  Tr(report.calibrated ? text::kReportPresent : text::kReportAbsent),
                  Tr(text::kReportSizeByte), sizeByte,
                  Tr(report.sizeClass > 0 ? text::kReportFirmwareAndFill : text::kReportFirmware),
                  static_cast<long>(report.firmwareSize), Tr(text::kReportBytes));
    AddErasedTail(report.erasedTail);
}

}  // namespace

// "--check IMAGE" judges the layout; with the inputs after it, the image must be theirs. Asked
// for in full, the check asks for the image, then for its firmware and calibration, each of which
// may be left out.
int RunCheck(const ProgramRules& rules, const Options& options) {
    bool asksForInputs = options.pathCount == 0;
    TakePath(options, 0, PathRole::Firmware, ImagePath, MessageCatalogue::kImageDialogTitle,
             nullptr, nullptr);
    if (ImagePath[0] == '\0') {
        EndProcess();
    }
    FirmwarePath[0] = '\0';
    if (asksForInputs || options.pathCount > 1) {
        TakePath(options, 1, PathRole::Firmware, FirmwarePath,
                 MessageCatalogue::kFirmwareDialogTitle, ImagePath, nullptr);
    }
    if (FirmwarePath[0] == '\0') {
        NameImage(ImagePath);
        DescribeImage(CheckImage(ImagePath));
        ShowReport(ImagePath, Report);
        return 0;
    }
    CalibrationPath[0] = '\0';
    if (asksForInputs || options.pathCount > 2) {
        TakeCalibration(rules, options, 2, CalibrationPath, FirmwarePath);
    }
    Conversion conversion = OpenConversion(FirmwarePath, CalibrationPath, 0, rules.calibration);
    NameImage(ImagePath);
    std::int64_t erasedTail = CompareImage(conversion, ImagePath);
    std::snprintf(Report, sizeof Report, "%s", Tr(MessageCatalogue::kImageMatches));
    AddErasedTail(erasedTail);
    ShowReport(ImagePath, Report);
    return 0;
}

// The dump is judged before the user is asked where its calibration goes, as an output is. A stop
// about that output is not the image's.
int RunExtraction(const Options& options) {
    TakePath(options, 0, PathRole::Firmware, ImagePath, MessageCatalogue::kImageDialogTitle,
             nullptr, nullptr);
    if (ImagePath[0] == '\0') {
        EndProcess();
    }
    NameImage(ImagePath);
    Extraction extraction = ReadCalibration(ImagePath);
    NameImage(nullptr);
    TakePath(options, 1, PathRole::Output, CalibrationPath, MessageCatalogue::kCalibrationSaveTitle,
             ImagePath, nullptr);
    if (CalibrationPath[0] == '\0') {
        EndProcess();
    }
    WriteCalibration(extraction, TakeOutput(CalibrationPath, extraction.image, kNoFile,
                                            kCalibrationAreaSize, WaitsForBusyOutput));
    ShowCalibrationWritten(ImagePath, CalibrationPath);
    return 0;
}
