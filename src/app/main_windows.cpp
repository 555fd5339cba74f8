#include <windows.h>

#include <cstring>

#include "app/command_line.h"
#include "app/options.h"
#include "app/path_buffer.h"
#include "app/run_program.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

namespace {

// The system's command line holds at most 32,767 UTF-16 units. In the ANSI code page each becomes
// at most two bytes in the two-byte code pages (932, 936, 949, 950) and three in UTF-8 (65001),
// the most of any code page Windows takes for ANSI; so the arguments with their terminators
// always fit.
constexpr int kCommandLineUnits = 32767;
constexpr int kBytesPerUnit = 3;
constexpr int kCommandLineLimit = kCommandLineUnits * kBytesPerUnit;
constexpr int kMaxArguments = kCommandLineLimit / 2 + 1;

char ProgramPath[MAX_PATH + 1];
char ArgumentStorage[kCommandLineLimit + 1];
char* Arguments[kMaxArguments + 1];
LeadByteTable LeadBytes;
PathBuffer FullPaths[3];

// The program has always taken an empty path as one not given, and the firmware as its own
// calibration too; it makes no images the size of a chip.
constexpr ProgramRules kRules{false, true, CalibrationRule::MayBeTheFirmware,
                              MessageCatalogue::kWindowsHelpText};

// The dialogs move the current folder, so each relative path of the command line is made full
// first, in the folder the program started in. An empty path and the "-" of no calibration mean
// no file.
void MakePathsFull(const Options& options) {
    for (int i = 0; i < options.pathCount; ++i) {
        if (options.paths[i][0] == '\0' || std::strcmp(options.paths[i], "-") == 0) {
            continue;
        }
        DWORD length = GetFullPathNameA(options.paths[i], kPathBufferSize, FullPaths[i], nullptr);
        if (length >= kPathBufferSize) {
            FatalStop(MessageCatalogue::kPathTooLong);
        }
        if (length > 0) {
            options.paths[i] = FullPaths[i];
        }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*line*/, int /*show*/) {
    for (int byte = 0; byte < 256; ++byte) {
        LeadBytes[byte] = IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE;
    }
    GetModuleFileNameA(nullptr, ProgramPath, MAX_PATH);
    Arguments[0] = ProgramPath;
    int count = SplitArguments(SkipProgramName(GetCommandLineA()), LeadBytes, ArgumentStorage,
                               sizeof ArgumentStorage, Arguments + 1, kMaxArguments - 1);
    Options options = ParseOptions(count + 1, Arguments, kRules);
    MakePathsFull(options);
    return RunCommand(kRules, options);
}
