#include "app/run_program.h"

#include <cstring>

#include "app/front_end.h"
#include "app/path_buffer.h"
#include "core/message_catalogue.h"
#include "image/convert_image.h"

namespace {

PathBuffer FirmwarePath;
PathBuffer CalibrationPath;
PathBuffer OutputPath;

// A longer argument is cut; a two-byte character may be cut in half.
void CopyArgument(PathBuffer path, const char* argument) {
    std::size_t length = strnlen(argument, kPathMaxLength);
    std::memcpy(path, argument, length);
    path[length] = '\0';
}

void TakePath(int argumentCount, char** arguments, int index, FileDialogKind kind, PathBuffer path,
              const char* title, const char* firmwarePath) {
    if (argumentCount > index) {
        CopyArgument(path, arguments[index]);
    } else {
        PickFile(kind, path, title, firmwarePath);
    }
}

}  // namespace

int RunProgram(int argumentCount, char** arguments) {
    if (argumentCount < 2) {
        ShowInfo(MessageCatalogue::kAboutText, MessageCatalogue::kAboutCaption);
    }
    std::memset(FirmwarePath, 0, sizeof FirmwarePath);
    std::memset(CalibrationPath, 0, sizeof CalibrationPath);
    std::memset(OutputPath, 0, sizeof OutputPath);

    TakePath(argumentCount, arguments, 1, FileDialogKind::Open, FirmwarePath,
             MessageCatalogue::kFirmwareDialogTitle, nullptr);
    if (FirmwarePath[0] == '\0') {
        EndProcess();
    }
    TakePath(argumentCount, arguments, 2, FileDialogKind::Open, CalibrationPath,
             MessageCatalogue::kCalibrationDialogTitle, FirmwarePath);
    if (std::strcmp(CalibrationPath, "-") == 0) {
        CalibrationPath[0] = '\0';
    }
    TakePath(argumentCount, arguments, 3, FileDialogKind::Save, OutputPath,
             MessageCatalogue::kOutputDialogTitle, FirmwarePath);
    if (OutputPath[0] == '\0') {
        EndProcess();
    }

    ShowCompletion(ConvertImage(FirmwarePath, CalibrationPath, OutputPath));
    return 0;
}
