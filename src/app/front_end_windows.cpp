// The system's file dialogs and message boxes. Texts arrive in Windows-1251.
#include <windows.h>
// windows.h must come first.
#include <cderr.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "app/front_end.h"
#include "core/message_catalogue.h"

namespace {

constexpr UINT kCatalogueCodePage = 1251;
// Room for the longest catalogue text in UTF-16, the help text.
constexpr int kWideTextSize = 2048;

// No code page that Windows takes for ANSI gives a character more than three bytes.
constexpr int kTitleSize = kWideTextSize * 3;

OPENFILENAMEA DialogRecord;
wchar_t WideText[kWideTextSize];
wchar_t WideCaption[kWideTextSize];
wchar_t WideTitle[kWideTextSize];
char SystemTitle[kTitleSize];
// An error text with what it names beneath it, such as an offset in an image.
char ErrorText[512];
// The current folder as the first dialog found it, which every dialog gives back, so that each
// starts where the program started.
wchar_t StartFolder[MAX_PATH];
bool StartFolderRemembered = false;

static_assert(sizeof(OPENFILENAMEA) == 88, "the record must include its reserved trailing fields");

// Where the system's code page is not 1251, the ANSI box would garble the Russian texts.
void ShowBox(const char* text, const char* caption, UINT style) {
    if (GetACP() == kCatalogueCodePage) {
        MessageBoxA(nullptr, text, caption, style);
        return;
    }
    if (MultiByteToWideChar(kCatalogueCodePage, 0, text, -1, WideText, kWideTextSize) == 0 ||
        MultiByteToWideChar(kCatalogueCodePage, 0, caption, -1, WideCaption, kWideTextSize) == 0) {
        MessageBoxA(nullptr, text, caption, style);
        return;
    }
    MessageBoxW(nullptr, WideText, WideCaption, style);
}

// The dialog shows its title in the system's code page. Where that is not 1251 but holds every
// character of the title (932, 936, 949, 950, 65001 do), the title is converted; where it does
// not (1252 and the like), no conversion could make it readable.
const char* TitleForSystem(const char* title) {
    UINT codePage = GetACP();
    if (codePage == kCatalogueCodePage ||
        MultiByteToWideChar(kCatalogueCodePage, 0, title, -1, WideTitle, kWideTextSize) == 0) {
        return title;
    }
    // UTF-8 holds every character, and takes neither the flag nor the question.
    bool utf8 = codePage == CP_UTF8;
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(codePage, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, WideTitle, -1, SystemTitle,
                            kTitleSize, nullptr, utf8 ? nullptr : &lossy) == 0 ||
        lossy != FALSE) {
        return title;
    }
    return SystemTitle;
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
BOOL RunDialog(PathRole role, PathBuffer path, const char* title, DWORD& failure) {
    std::memset(&DialogRecord, 0, sizeof DialogRecord);
    DialogRecord.lStructSize = sizeof DialogRecord;
    DialogRecord.nFilterIndex = 0xFFFFFFFF;
    DialogRecord.lpstrFile = path;
    DialogRecord.nMaxFile = kPathMaxLength;
    DialogRecord.lpstrInitialDir = ".\\";
    DialogRecord.lpstrTitle = TitleForSystem(title);
    BOOL chosen = FALSE;
    if (role != PathRole::Output) {
        DialogRecord.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&DialogRecord);
    } else {
        DialogRecord.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
        chosen = GetSaveFileNameA(&DialogRecord);
    }
    failure = chosen == FALSE ? CommDlgExtendedError() : 0;
    return chosen;
}

}  // namespace

// A dialog leaves the current folder wherever the user went; each gives back the folder the first
// one found, so every dialog starts there. The firmware may serve as the calibration too. A
// dialog that fails is no cancel: a path too long for the buffer is said and asked for again.
void PickFile(PathRole role, PathBuffer path, const char* title, const char* /*firstInput*/,
              const char* /*secondInput*/) {
    RememberStartFolder();
    for (;;) {
        DWORD failure = 0;
        BOOL chosen = RunDialog(role, path, title, failure);
        if (StartFolderRemembered) {
            SetCurrentDirectoryW(StartFolder);
        }
        if (chosen != FALSE) {
            return;
        }
        std::memset(path, 0, kPathBufferSize);
        if (failure == 0) {
            return;
        }
        if (failure != FNERR_BUFFERTOOSMALL) {
            FatalStop(MessageCatalogue::kDialogFailed);
        }
        ShowBox(MessageCatalogue::kPathTooLong, MessageCatalogue::kErrorCaption, MB_ICONERROR);
    }
}

void ShowInfo(const char* text, const char* caption) {
    ShowBox(text, caption, MB_ICONINFORMATION);
}

void ShowCompletion(std::int32_t /*cutFirmwareSize*/) {
    ShowInfo(MessageCatalogue::kCompletionText, MessageCatalogue::kCompletionCaption);
}

void ShowReport(const char* text) {
    ShowInfo(text, MessageCatalogue::kCompletionCaption);
}

// A program without a console shows the help and version texts in a box.
void ShowText(const char* text) {
    ShowInfo(text, MessageCatalogue::kAboutCaption);
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
    if (detail != nullptr && detail[0] != '\0') {
        std::snprintf(ErrorText, sizeof ErrorText, "%s\n%s", text, detail);
        text = ErrorText;
    }
    ShowBox(text, MessageCatalogue::kErrorCaption, MB_ICONERROR);
    ExitProcess(0);
}
