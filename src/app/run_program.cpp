#include "app/run_program.h"

#include <cstring>

#include "core/message_catalogue.h"
#include "image/convert_image.h"
#include "image/image_files.h"

namespace {

PathBuffer FirmwarePath;
PathBuffer CalibrationPath;
PathBuffer OutputPath;

int RunConversion(const ProgramRules& rules, const Options& options) {
    if (options.pathCount == 0) {
        ShowInfo(MessageCatalogue::kAboutText, MessageCatalogue::kAboutCaption);
    }
    TakePath(options, 0, PathRole::Firmware, FirmwarePath, MessageCatalogue::kFirmwareDialogTitle,
             nullptr, nullptr);
    if (FirmwarePath[0] == '\0') {
        EndProcess();
    }
    TakeCalibration(rules, options, 1, CalibrationPath, FirmwarePath);
    TakePath(options, 2, PathRole::Output, OutputPath, MessageCatalogue::kOutputDialogTitle,
             FirmwarePath, CalibrationPath);
    if (OutputPath[0] == '\0') {
        EndProcess();
    }
    Conversion conversion =
        OpenConversion(FirmwarePath, CalibrationPath, options.chipSize, rules.calibration);
    OutputFile output = TakeOutput(OutputPath, conversion.firmware, conversion.calibration,
                                   conversion.outputSize, WaitsForBusyOutput);
    ShowCompletion(WriteImage(conversion, output));
    return 0;
}

}  // namespace

void TakePath(const Options& options, int index, PathRole role, PathBuffer path, const char* title,
              const char* firstInput, const char* secondInput) {
    if (options.pathCount > index) {
        // The parser let no longer path through.
        CopyPath(path, options.paths[index]);
    } else {
        PickFile(role, path, title, firstInput, secondInput);
    }
}

// Where the firmware may be the calibration, the calibration's dialog is not told of it.
void TakeCalibration(const ProgramRules& rules, const Options& options, int index, PathBuffer path,
                     const char* firmware) {
    bool refusesFirmware = rules.calibration == CalibrationRule::NotTheFirmware;
    TakePath(options, index, PathRole::Calibration, path, MessageCatalogue::kCalibrationDialogTitle,
             refusesFirmware ? firmware : nullptr, nullptr);
    if (options.pathCount > index && std::strcmp(path, "-") == 0) {
        path[0] = '\0';
    }
}

int RunCommand(const ProgramRules& rules, const Options& options) {
    switch (options.command) {
        case Command::Check:
            return RunCheck(rules, options);
        case Command::ExtractCalibration:
            return RunExtraction(options);
        case Command::Help:
            ShowText(rules.helpText);
            return 0;
        case Command::Version:
            ShowText(MessageCatalogue::kVersionText);
            return 0;
        default:
            return RunConversion(rules, options);
    }
}
