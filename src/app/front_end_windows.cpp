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

OPENFILENAMEA DialogRecord;
wchar_t WideText[kWideTextSize];
wchar_t WideCaption[kWideTextSize];

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

}  // namespace

void PickFile(FileDialogKind kind, PathBuffer path, const char* title) {
    std::memset(&DialogRecord, 0, sizeof DialogRecord);
    DialogRecord.lStructSize = sizeof DialogRecord;
    DialogRecord.nFilterIndex = 0xFFFFFFFF;
    DialogRecord.lpstrFile = path;
    DialogRecord.nMaxFile = kPathMaxLength;
    DialogRecord.lpstrInitialDir = ".\\";
    DialogRecord.lpstrTitle = title;
    BOOL chosen = FALSE;
    if (kind == FileDialogKind::Open) {
        DialogRecord.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&DialogRecord);
    } else {
        DialogRecord.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
        chosen = GetSaveFileNameA(&DialogRecord);
    }
    if (chosen == FALSE) {
        std::memset(path, 0, kPathBufferSize);
    }
}

void ShowInfo(const char* text, const char* caption) {
    ShowBox(text, caption, MB_ICONINFORMATION);
}

void EndProcess() {
    ExitProcess(0);
}

void FatalStop(const char* text) {
    ShowBox(text, MessageCatalogue::kErrorCaption, MB_ICONERROR);
    ExitProcess(0);
}
