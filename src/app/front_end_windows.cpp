// The system's file dialogs and message boxes. Texts arrive in Windows-1251.
#include <windows.h>
// windows.h must come first.
#include <commdlg.h>

#include <cstring>

#include "app/front_end.h"
#include "core/message_catalogue.h"

namespace {

constexpr UINT kCatalogueCodePage = 1251;
// Room for the longest catalogue text in UTF-16.
constexpr int kWideTextSize = 256;

// No code page that Windows takes for ANSI gives a character more than three bytes.
constexpr int kTitleSize = kWideTextSize * 3;

OPENFILENAMEA DialogRecord;
wchar_t WideText[kWideTextSize];
wchar_t WideCaption[kWideTextSize];
wchar_t WideTitle[kWideTextSize];
char SystemTitle[kTitleSize];
// The current folder as the dialog found it: where the program started, as every dialog gives
// it back.
wchar_t StartFolder[MAX_PATH];

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

}  // namespace

// A dialog leaves the current folder wherever the user went, and the relative paths of the
// command line are opened after the last dialog; so each dialog is given the folder it found.
// Every dialog starts there, and the firmware may serve as the calibration too.
void PickFile(FileDialogKind kind, PathBuffer path, const char* title,
              const char* /*firmwarePath*/) {
    DWORD folderLength = GetCurrentDirectoryW(MAX_PATH, StartFolder);
    if (folderLength == 0 || folderLength >= MAX_PATH) {
        FatalStop(MessageCatalogue::kStartFolderLost);
    }
    std::memset(&DialogRecord, 0, sizeof DialogRecord);
    DialogRecord.lStructSize = sizeof DialogRecord;
    DialogRecord.nFilterIndex = 0xFFFFFFFF;
    DialogRecord.lpstrFile = path;
    DialogRecord.nMaxFile = kPathMaxLength;
    DialogRecord.lpstrInitialDir = ".\\";
    DialogRecord.lpstrTitle = TitleForSystem(title);
    BOOL chosen = FALSE;
    if (kind == FileDialogKind::Open) {
        DialogRecord.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&DialogRecord);
    } else {
        DialogRecord.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
        chosen = GetSaveFileNameA(&DialogRecord);
    }
    if (SetCurrentDirectoryW(StartFolder) == FALSE) {
        FatalStop(MessageCatalogue::kStartFolderLost);
    }
    if (chosen == FALSE) {
        std::memset(path, 0, kPathBufferSize);
    }
}

void ShowInfo(const char* text, const char* caption) {
    ShowBox(text, caption, MB_ICONINFORMATION);
}

void ShowCompletion(std::int32_t /*cutFirmwareSize*/) {
    ShowInfo(MessageCatalogue::kCompletionText, MessageCatalogue::kCompletionCaption);
}

void EndProcess() {
    ExitProcess(0);
}

// The boxes show the catalogue text alone.
void FatalStop(const char* text, const char* /*detail*/) {
    ShowBox(text, MessageCatalogue::kErrorCaption, MB_ICONERROR);
    ExitProcess(0);
}
