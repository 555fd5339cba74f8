#include <windows.h>

#include <cstring>

#include "app/command_line.h"
#include "app/front_end_windows.h"
#include "app/options.h"
#include "app/path_buffer.h"
#include "app/run_program.h"
#include "core/fatal_stop.h"
#include "core/message_catalogue.h"

namespace {

// In the ANSI code page each UTF-16 unit becomes at most two bytes in the two-byte code pages
// (932, 936, 949, 950) and three in UTF-8 (65001), the most of any code page Windows takes for
// ANSI; so the arguments with their terminators always fit.
constexpr int kBytesPerUnit = 3;
constexpr int kCommandLineLimit = kCommandLineUnits * kBytesPerUnit;
constexpr int kMaxArguments = kCommandLineLimit / 2 + 1;

char ProgramPath[MAX_PATH + 1];
char ArgumentStorage[kCommandLineLimit + 1];
char* Arguments[kMaxArguments + 1];
wchar_t WideStorage[kCommandLineUnits + 1];
wchar_t* WideArguments[kMaxArguments + 1];
char Converted[kCommandLineLimit + 1];
wchar_t FullPath[kCommandLineUnits + 1];
LeadByteTable LeadBytes;
PathBuffer FullPaths[3];

// The program has always taken an empty path as one not given, and the firmware as its own
// calibration too; it makes no images the size of a chip.
constexpr ProgramRules kRules{false, true, CalibrationRule::MayBeTheFirmware,
                              MessageCatalogue::kWindowsHelpText,
                              MessageCatalogue::kWindowsBadOptionArguments};

// The ANSI line is the system's conversion of the UTF-16 one, which puts a look-alike or a
// question mark for each character the code page lacks, and may even move a quote or a blank. An
// argument is taken only as the user gave it.
void RefuseChangedArguments(int count, int wideCount) {
    for (int i = 1; i <= count || i <= wideCount; ++i) {
        const wchar_t* wide = i <= wideCount ? WideArguments[i] : nullptr;
        if (i > count || wide == nullptr ||
            ToAnsi(wide, Converted, sizeof Converted) != AnsiName::Same ||
            std::strcmp(Converted, Arguments[i]) != 0) {
            StopNotInCodePage(wide);
        }
    }
}

// The dialogs move the current folder, so each relative path of the command line is made full
// first, in the folder the program started in, whose own name must survive the code page too. An
// empty path and the "-" of no calibration mean no file.
void MakePathsFull(const Options& options) {
    const int first = static_cast<int>(options.paths - Arguments);
    for (int i = 0; i < options.pathCount; ++i) {
        if (options.paths[i][0] == '\0' || std::strcmp(options.paths[i], "-") == 0) {
            continue;
        }
        DWORD length =
            GetFullPathNameW(WideArguments[first + i], kCommandLineUnits + 1, FullPath, nullptr);
        if (length == 0) {
            continue;
        }
        AnsiName name = length > kCommandLineUnits
                            ? AnsiName::TooLong
                            : ToAnsi(FullPath, FullPaths[i], kPathBufferSize);
        if (name == AnsiName::TooLong) {
            FatalStop(MessageCatalogue::kPathTooLong);
        }
        if (name == AnsiName::NotInCodePage) {
            StopNotInCodePage(FullPath);
        }
        options.paths[i] = FullPaths[i];
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
    int wideCount = SplitArguments(SkipProgramName(GetCommandLineW()), WideStorage,
                                   sizeof WideStorage / sizeof WideStorage[0], WideArguments + 1,
                                   kMaxArguments - 1);
    RefuseChangedArguments(count, wideCount);
    Options options = ParseOptions(count + 1, Arguments, kRules);
    MakePathsFull(options);
    return RunCommand(kRules, options);
}
