// check-image.exe and extract-calibration.exe: a file dropped on one in Explorer goes to
// korvane.exe beside it, after the launcher's option, with no command interpreter between them to
// read anything into its name. Several files go one at a time, each once the run before it has
// ended; started without a file, korvane.exe asks for one.
#include <windows.h>

#include <cwchar>

#include "app/command_line.h"
#include "core/message_catalogue.h"

namespace {

constexpr int kCommandLineUnits = 32767;
constexpr int kMaxPaths = kCommandLineUnits / 2 + 1;
constexpr int kTextSize = 128;

// Room for the launcher's folder and korvane.exe's name after it.
wchar_t Program[MAX_PATH + 16];
wchar_t Storage[kCommandLineUnits + 1];
wchar_t* Paths[kMaxPaths];
wchar_t Line[kCommandLineUnits + 1];
int LineLength = 0;
wchar_t Text[kTextSize];
wchar_t Caption[kTextSize];

// The catalogue's texts are in Windows-1251.
void Widen(const char* text, wchar_t* wide) {
    if (MultiByteToWideChar(1251, 0, text, -1, wide, kTextSize) == 0) {
        wide[0] = L'\0';
    }
}

[[noreturn]] void Stop(const char* text) {
    Widen(text, Text);
    Widen(MessageCatalogue::kErrorCaption, Caption);
    MessageBoxW(nullptr, Text, Caption, MB_ICONERROR);
    ExitProcess(1);
}

// korvane.exe would refuse a path that fills a command line.
void Put(wchar_t unit) {
    if (LineLength >= kCommandLineUnits) {
        Stop(MessageCatalogue::kPathTooLong);
    }
    Line[LineLength++] = unit;
    Line[LineLength] = L'\0';
}

void PutAll(const wchar_t* text) {
    while (*text != L'\0') {
        Put(*text++);
    }
}

// By korvane.exe's splitting rules a backslash matters only before a quote: a quote in the path
// is escaped, and the backslashes that end it, as a folder's do, go after the closing quote.
void PutQuoted(const wchar_t* path) {
    const wchar_t* end = path + std::wcslen(path);
    while (end > path && end[-1] == L'\\') {
        --end;
    }
    Put(L'"');
    for (const wchar_t* unit = path; unit < end; ++unit) {
        if (*unit == L'"') {
            Put(L'\\');
        }
        Put(*unit);
    }
    Put(L'"');
    PutAll(end);
}

void Run() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(Program, Line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process) == FALSE) {
        Stop(MessageCatalogue::kLaunchFailed);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*line*/, int /*show*/) {
    DWORD length = GetModuleFileNameW(nullptr, Program, MAX_PATH);
    wchar_t* name = Program + length;
    while (name > Program && name[-1] != L'\\') {
        --name;
    }
    if (length == 0 || length >= MAX_PATH || name == Program) {
        Stop(MessageCatalogue::kLaunchFailed);
    }
    std::wcscpy(name, L"korvane.exe");
    int count = SplitArguments(SkipProgramName(GetCommandLineW()), Storage, kCommandLineUnits + 1,
                               Paths, kMaxPaths);
    for (int i = 0; i == 0 || i < count; ++i) {
        LineLength = 0;
        PutQuoted(Program);
        PutAll(L" " KORVANE_OPTION);
        if (count > 0) {
            Put(L' ');
            PutQuoted(Paths[i]);
        }
        Run();
    }
    return 0;
}
