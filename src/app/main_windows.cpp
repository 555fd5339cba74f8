#include <windows.h>

#include "app/command_line.h"
#include "app/options.h"
#include "app/run_program.h"

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

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*line*/, int /*show*/) {
    for (int byte = 0; byte < 256; ++byte) {
        LeadBytes[byte] = IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE;
    }
    GetModuleFileNameA(nullptr, ProgramPath, MAX_PATH);
    Arguments[0] = ProgramPath;
    int count = SplitArguments(SkipProgramName(GetCommandLineA()), LeadBytes, ArgumentStorage,
                               sizeof ArgumentStorage, Arguments + 1, kMaxArguments - 1);
    return RunCommand(ParseOptions(count + 1, Arguments, Program::Windows));
}
