// The system's file dialogs and message boxes. The catalogue's texts arrive in Windows-1251, paths
// in the system's code page: each part of a box is converted from its own.
#include <windows.h>
// windows.h must come first.
#include <cderr.h>
#include <commdlg.h>

#include <cstring>
#include <cwchar>

#include "app/front_end.h"
#include "app/front_end_windows.h"
#include "core/message_catalogue.h"

namespace {

constexpr UINT kCatalogueCodePage = 1251;
// Room for the longest box: the help text, or a refused argument as long as a command line.
constexpr int kBoxTextSize = kCommandLineUnits + 1024;
constexpr int kCaptionSize = 128;
// The help's lines are broken at blanks before the box breaks them anywhere, as in ".\--check";
// the usage line, the longest that must stay whole, fits a box on a screen 800 pixels wide.
constexpr int kHelpLineLength = 74;

OPENFILENAMEW DialogRecord;
// The dialog's answer in UTF-16, which alone tells whether the ANSI code page holds it.
wchar_t DialogPath[kPathBufferSize];
wchar_t DialogTitle[kCaptionSize];
wchar_t BoxText[kBoxTextSize];
int BoxLength = 0;
wchar_t BoxCaption[kCaptionSize];
wchar_t RoundTrip[kCommandLineUnits + 1];
const char* NamedImage = nullptr;
// The current folder as the first dialog found it, which every dialog gives back, so that each
// starts where the program started.
wchar_t StartFolder[MAX_PATH];
bool StartFolderRemembered = false;

static_assert(sizeof(OPENFILENAMEW) == 88, "the record must include its reserved trailing fields");

void Widen(const char* text, wchar_t* wide, int size) {
    if (MultiByteToWideChar(kCatalogueCodePage, 0, text, -1, wide, size) == 0) {
        wide[0] = L'\0';
    }
}

// Adds text, held in codePage, to the box; what does not fit is left out.
void Add(const char* text, UINT codePage) {
    int added =
        MultiByteToWideChar(codePage, 0, text, -1, BoxText + BoxLength, kBoxTextSize - BoxLength);
    BoxLength += added > 0 ? added - 1 : 0;
    BoxText[BoxLength] = L'\0';
}

void AddText(const char* text) {
    Add(text, kCatalogueCodePage);
}

void AddPath(const char* path) {
    Add(path, CP_ACP);
}

void AddWide(const wchar_t* text) {
    while (*text != L'\0' && BoxLength < kBoxTextSize - 1) {
        BoxText[BoxLength++] = *text++;
    }
    BoxText[BoxLength] = L'\0';
}

// A box's text begins with the path it is about, where there is one.
void StartBox(const char* path) {
    BoxLength = 0;
    BoxText[0] = L'\0';
    if (path != nullptr) {
        AddPath(path);
        AddWide(L"\n");
    }
}

void ShowBox(const char* caption, UINT style) {
    Widen(caption, BoxCaption, kCaptionSize);
    MessageBoxW(nullptr, BoxText, BoxCaption, style);
}

void BreakLongLines() {
    int lineStart = 0;
    int blank = -1;
    for (int i = 0; i < BoxLength; ++i) {
        if (BoxText[i] == L'\n') {
            lineStart = i + 1;
            blank = -1;
            continue;
        }
        if (BoxText[i] == L' ') {
            blank = i;
        }
        if (i - lineStart >= kHelpLineLength && blank > lineStart) {
            BoxText[blank] = L'\n';
            lineStart = blank + 1;
            blank = -1;
        }
    }
}

void SayNotInCodePage(const wchar_t* name) {
    StartBox(nullptr);
    AddText(MessageCatalogue::kNameNotInCodePage);
    if (name != nullptr) {
        AddWide(L"\n");
        AddWide(name);
    }
    ShowBox(MessageCatalogue::kErrorCaption, MB_ICONERROR);
}

void Say(const char* text) {
    StartBox(nullptr);
    AddText(text);
    ShowBox(MessageCatalogue::kErrorCaption, MB_ICONERROR);
}

void RememberStartFolder() {
    static bool asked = false;
    if (!asked) {
        asked = true;
        DWORD length = GetCurrentDirectoryW(MAX_PATH, StartFolder);
        StartFolderRemembered = length > 0 && length < MAX_PATH;
    }
}

// The system's dialog, once; false when it was cancelled or failed, with the failure's code.
BOOL RunDialog(PathRole role, const char* title, DWORD& failure) {
    std::memset(&DialogRecord, 0, sizeof DialogRecord);
    std::memset(DialogPath, 0, sizeof DialogPath);
    Widen(title, DialogTitle, kCaptionSize);
    DialogRecord.lStructSize = sizeof DialogRecord;
    DialogRecord.nFilterIndex = 0xFFFFFFFF;
    DialogRecord.lpstrFile = DialogPath;
    DialogRecord.nMaxFile = kPathMaxLength;
    DialogRecord.lpstrInitialDir = L".\\";
    DialogRecord.lpstrTitle = DialogTitle;
    BOOL chosen = FALSE;
    if (role != PathRole::Output) {
        DialogRecord.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameW(&DialogRecord);
    } else {
        DialogRecord.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
        chosen = GetSaveFileNameW(&DialogRecord);
    }
    failure = chosen == FALSE ? CommDlgExtendedError() : 0;
    return chosen;
}

}  // namespace

AnsiName ToAnsi(const wchar_t* name, char* ansi, int size) {
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, size, nullptr, nullptr) == 0) {
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? AnsiName::TooLong
                                                           : AnsiName::NotInCodePage;
    }
    bool same = MultiByteToWideChar(CP_ACP, 0, ansi, -1, RoundTrip, kCommandLineUnits + 1) != 0 &&
                std::wcscmp(RoundTrip, name) == 0;
    return same ? AnsiName::Same : AnsiName::NotInCodePage;
}

void StopNotInCodePage(const wchar_t* name) {
    SayNotInCodePage(name);
    ExitProcess(0);
}

// A dialog leaves the current folder wherever the user went; each gives back the folder the first
// one found, so every dialog starts there. The firmware may serve as the calibration too. A
// dialog that fails is no cancel: a path too long for its buffer or for a path buffer, or one
// that the code page cannot hold, is said and asked for again.
void PickFile(PathRole role, PathBuffer path, const char* title, const char* /*firstInput*/,
              const char* /*secondInput*/) {
    RememberStartFolder();
    for (;;) {
        DWORD failure = 0;
        BOOL chosen = RunDialog(role, title, failure);
        if (StartFolderRemembered) {
            SetCurrentDirectoryW(StartFolder);
        }
        std::memset(path, 0, kPathBufferSize);
        if (chosen != FALSE) {
            AnsiName name = ToAnsi(DialogPath, path, kPathBufferSize);
            if (name == AnsiName::Same) {
                return;
            }
            std::memset(path, 0, kPathBufferSize);
            if (name == AnsiName::TooLong) {
                Say(MessageCatalogue::kPathTooLong);
            } else {
                SayNotInCodePage(DialogPath);
            }
            continue;
        }
        if (failure == 0) {
            return;
        }
        if (failure != FNERR_BUFFERTOOSMALL) {
            FatalStop(MessageCatalogue::kDialogFailed);
        }
        Say(MessageCatalogue::kDialogPathTooLong);
    }
}

void ShowInfo(const char* text, const char* caption) {
    StartBox(nullptr);
    AddText(text);
    ShowBox(caption, MB_ICONINFORMATION);
}

void ShowCompletion(std::int32_t /*cutFirmwareSize*/) {
    ShowInfo(MessageCatalogue::kCompletionText, MessageCatalogue::kCompletionCaption);
}

void ShowReport(const char* image, const char* text) {
    StartBox(image);
    AddText(text);
    ShowBox(MessageCatalogue::kCompletionCaption, MB_ICONINFORMATION);
}

void ShowCalibrationWritten(const char* image, const char* calibration) {
    StartBox(image);
    AddText(MessageCatalogue::kCalibrationWritten);
    AddWide(L": ");
    AddPath(calibration);
    ShowBox(MessageCatalogue::kCompletionCaption, MB_ICONINFORMATION);
}

void NameImage(const char* image) {
    NamedImage = image;
}

// A program without a console shows the help and version texts in a box.
void ShowText(const char* text) {
    StartBox(nullptr);
    AddText(text);
    BreakLongLines();
    ShowBox(MessageCatalogue::kAboutCaption, MB_ICONINFORMATION);
}

// The system's open refuses an output that another run holds.
bool WaitsForBusyOutput() {
    return false;
}

void EndProcess() {
    ExitProcess(0);
}

// The file layer gives no words for its reasons here, so a detail only ever says where in an image
// a fault lies.
void FatalStop(const char* text, const char* detail) {
    StartBox(NamedImage);
    AddText(text);
    if (detail != nullptr && detail[0] != '\0') {
        AddWide(L"\n");
        AddText(detail);
    }
    ShowBox(MessageCatalogue::kErrorCaption, MB_ICONERROR);
    ExitProcess(0);
}
