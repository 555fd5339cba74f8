#include "app/run_program.h"

#include <cstring>
#include <initializer_list>

#include "core/message_catalogue.h"
#include "image/convert_image.h"

namespace {

PathBuffer FirmwarePath;
PathBuffer CalibrationPath;
PathBuffer OutputPath;

}  // namespace

void TakePath(const Options& options, int index, PathRole role, PathBuffer path, const char* title,
              const char* firstInput, const char* secondInput) {
    std::memset(path, 0, kPathBufferSize);
    if (options.pathCount > index) {
        // The parser let no longer path through.
        std::memcpy(path, options.paths[index], std::strlen(options.paths[index]));
    } else {
        PickFile(role, path, title, firstInput, secondInput);
    }
}

void TakeCalibration(const Options& options, int index, PathBuffer path, const char* firmware) {
    TakePath(options, index, PathRole::Calibration, path, MessageCatalogue::kCalibrationDialogTitle,
             firmware, nullptr);
    if (options.pathCount > index && std::strcmp(path, "-") == 0) {
        path[0] = '\0';
    }
}

int RunProgram(const Options& options) {
    if (options.pathCount == 0) {
        ShowInfo(MessageCatalogue::kAboutText, MessageCatalogue::kAboutCaption);
    }
    TakePath(options, 0, PathRole::Firmware, FirmwarePath, MessageCatalogue::kFirmwareDialogTitle,
             nullptr, nullptr);
    if (FirmwarePath[0] == '\0') {
        EndProcess();
    }
    TakeCalibration(options, 1, CalibrationPath, FirmwarePath);
    TakePath(options, 2, PathRole::Output, OutputPath, MessageCatalogue::kOutputDialogTitle,
             FirmwarePath, CalibrationPath);
    if (OutputPath[0] == '\0') {
        EndProcess();
    }
    for (const char* path : {FirmwarePath, CalibrationPath, OutputPath}) {
        RequireStartFolder(path);
    }
    ShowCompletion(ConvertImage(FirmwarePath, CalibrationPath, OutputPath, options.chipSize,
                                FirmwareMayBeCalibration(options.program)));
    return 0;
}

int RunCommand(const Options& options) {
    switch (options.command) {
        case Command::Check:
            return RunCheck(options);
        case Command::ExtractCalibration:
            return RunExtraction(options);
        case Command::Help:
            ShowText(HelpText());
            return 0;
        case Command::Version:
            ShowText(MessageCatalogue::kVersionText);
            return 0;
        default:
            return RunProgram(options);
    }
}
