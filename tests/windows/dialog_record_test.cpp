// Checks the record the front end hands to the file dialogs, field by field, and what it leaves in
// the path buffer and the current folder. Run with the argument "failing", it checks that a dialog
// failing for another reason than a path too long for the buffer stops the run. The
// program's calls go through the import pointers, so pointing those at the stand-ins below keeps
// comdlg32 out of this executable altogether.
#include <windows.h>
// windows.h must come first.
#include <cderr.h>
#include <commdlg.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "app/front_end.h"
#include "core/message_catalogue.h"

namespace {

std::string Problems;

void Expect(bool condition, const char* what) {
    if (!condition) {
        Problems += Problems.empty() ? ": " : ", ";
        Problems += what;
    }
}

OPENFILENAMEW Seen;
wchar_t SeenTitle[64];
wchar_t SeenFolder[8];
bool StartsEmpty = false;
const char* Called = nullptr;
BOOL Result = FALSE;
wchar_t Written[kPathBufferSize];
wchar_t StartFolder[MAX_PATH];
wchar_t OtherFolder[MAX_PATH];
bool RemoveStartFolder = false;
// The error the next dialog fails with, once; what CommDlgExtendedError then says.
DWORD FailOnce = 0;
DWORD DialogError = 0;
// The stop that ends the run, its name, and whether the run has come to the call that must stop.
const char* FinalStop = MessageCatalogue::kDialogFailed;
const char* FinalName = "dialog failed";
bool StopDue = false;

// Like the real dialogs: writes the buffer and the offsets, so that the next call must reset them,
// and leaves the current folder where the user went.
BOOL Answer(LPOPENFILENAMEW record, const char* name) {
    Seen = *record;
    Called = name;
    lstrcpynW(SeenTitle, record->lpstrTitle ? record->lpstrTitle : L"", 64);
    lstrcpynW(SeenFolder, record->lpstrInitialDir ? record->lpstrInitialDir : L"", 8);
    StartsEmpty = record->lpstrFile && record->lpstrFile[0] == L'\0';
    SetCurrentDirectoryW(OtherFolder);
    if (RemoveStartFolder) {
        RemoveDirectoryW(StartFolder);
    }
    DialogError = FailOnce;
    FailOnce = 0;
    if (DialogError != 0) {
        // The size the path would need, as the real dialog leaves it.
        record->lpstrFile[0] = 3;
        record->lpstrFile[1] = 1;
        return FALSE;
    }
    std::wmemset(Written, L'R', kPathBufferSize);
    std::wcscpy(Written, L"Z:\\chosen.bin");
    std::memcpy(record->lpstrFile, Written, record->nMaxFile * sizeof(wchar_t));
    record->nFileOffset = 3;
    record->nFileExtension = 10;
    record->Flags |= OFN_READONLY;
    return Result;
}

#define FIELD(name) \
    { #name, offsetof(OPENFILENAMEW, name), sizeof(OPENFILENAMEW::name) }
const struct {
    const char* name;
    std::size_t offset;
    std::size_t size;
} Fields[] = {
    FIELD(lStructSize),       FIELD(hwndOwner),      FIELD(hInstance),     FIELD(lpstrFilter),
    FIELD(lpstrCustomFilter), FIELD(nMaxCustFilter), FIELD(nFilterIndex),  FIELD(lpstrFile),
    FIELD(nMaxFile),          FIELD(lpstrFileTitle), FIELD(nMaxFileTitle), FIELD(lpstrInitialDir),
    FIELD(lpstrTitle),        FIELD(Flags),          FIELD(nFileOffset),   FIELD(nFileExtension),
    FIELD(lpstrDefExt),       FIELD(lCustData),      FIELD(lpfnHook),      FIELD(lpTemplateName),
    FIELD(pvReserved),        FIELD(dwReserved),     FIELD(FlagsEx)};
#undef FIELD

}  // namespace

extern "C" {
BOOL WINAPI StandInOpen(LPOPENFILENAMEW record) {
    return Answer(record, "open");
}
BOOL WINAPI StandInSave(LPOPENFILENAMEW record) {
    return Answer(record, "save");
}
DWORD WINAPI StandInError() {
    return DialogError;
}
extern DWORD(WINAPI* const ImportedError)() __asm__("__imp__CommDlgExtendedError@0");
DWORD(WINAPI* const ImportedError)() = StandInError;
extern BOOL(WINAPI* const ImportedOpen)(LPOPENFILENAMEW) __asm__("__imp__GetOpenFileNameW@4");
extern BOOL(WINAPI* const ImportedSave)(LPOPENFILENAMEW) __asm__("__imp__GetSaveFileNameW@4");
BOOL(WINAPI* const ImportedOpen)(LPOPENFILENAMEW) = StandInOpen;
BOOL(WINAPI* const ImportedSave)(LPOPENFILENAMEW) = StandInSave;

// Only the stop ever shows a box here, and the process ends right after it.
int WINAPI StandInBox(HWND /*owner*/, LPCWSTR text, LPCWSTR /*caption*/, UINT /*style*/) {
    char said[256] = "";
    WideCharToMultiByte(1251, 0, text, -1, said, sizeof said, nullptr, nullptr);
    std::printf("%s dialog record, %s: stop\n",
                StopDue && std::strcmp(said, FinalStop) == 0 ? "ok  " : "FAIL", FinalName);
    std::fflush(stdout);
    return IDOK;
}
extern int(WINAPI* const ImportedBox)(HWND, LPCWSTR, LPCWSTR,
                                      UINT) __asm__("__imp__MessageBoxW@16");
int(WINAPI* const ImportedBox)(HWND, LPCWSTR, LPCWSTR, UINT) = StandInBox;
}

int main(int argc, char** argv) {
    const struct {
        PathRole role;
        BOOL result;
        const char* function;
        DWORD flags;
    } rows[] = {
        {PathRole::Output, TRUE, "save", 0x8802},
        {PathRole::Firmware, FALSE, "open", 0x1800},
        {PathRole::Calibration, TRUE, "open", 0x1800},
        {PathRole::Output, FALSE, "save", 0x8802},
    };
    GetTempPathW(MAX_PATH, OtherFolder);
    std::wcscpy(StartFolder, OtherFolder);
    std::wcscat(StartFolder, L"korvane-record");
    CreateDirectoryW(StartFolder, nullptr);
    if (!SetCurrentDirectoryW(StartFolder)) {
        std::printf("FAIL dialog record: no folder to start in\n");
        return 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "failing") == 0) {
        FailOnce = CDERR_INITIALIZATION;
        PathBuffer path;
        StopDue = true;
        PickFile(PathRole::Output, path, "title", nullptr, nullptr);
        std::printf("FAIL dialog record, dialog failed: taken as %s\n",
                    path[0] == '\0' ? "a cancel" : "a choice");
        return 1;
    }
    int failed = 0;
    for (const auto& r : rows) {
        Problems.clear();
        // One byte on each side shows that nothing outside the 260 bytes is touched.
        char buffer[kPathBufferSize + 2];
        std::memset(buffer, 'Q', sizeof buffer);
        char* path = buffer + 1;
        const char title[] = "title";
        Called = nullptr;
        Result = r.result;
        PickFile(r.role, path, title, nullptr, nullptr);

        Expect(Called && std::strcmp(Called, r.function) == 0, "wrong dialog or none");
        Expect(std::wcscmp(SeenFolder, L".\\") == 0, "initial folder is not .\\");
        Expect(std::wcscmp(SeenTitle, L"title") == 0, "title");
        Expect(StartsEmpty, "no empty path to start with");
        OPENFILENAMEW expected;
        std::memset(&expected, 0, sizeof expected);
        expected.lStructSize = 88;
        expected.nFilterIndex = 0xFFFFFFFF;
        expected.lpstrFile = Seen.lpstrFile;
        expected.nMaxFile = 259;
        expected.lpstrInitialDir = Seen.lpstrInitialDir;
        expected.lpstrTitle = Seen.lpstrTitle;
        expected.Flags = r.flags;
        std::size_t covered = 0;
        for (const auto& field : Fields) {
            covered += field.size;
            Expect(std::memcmp(reinterpret_cast<char*>(&Seen) + field.offset,
                               reinterpret_cast<char*>(&expected) + field.offset, field.size) == 0,
                   field.name);
        }
        Expect(covered == 88, "the field list does not cover the whole record");

        char wanted[kPathBufferSize] = {};
        if (r.result) {
            std::strcpy(wanted, "Z:\\chosen.bin");
        }
        Expect(std::memcmp(path, wanted, kPathBufferSize) == 0, "path buffer");
        Expect(buffer[0] == 'Q' && buffer[kPathBufferSize + 1] == 'Q', "bytes beside the buffer");
        wchar_t current[MAX_PATH] = L"";
        GetCurrentDirectoryW(MAX_PATH, current);
        Expect(lstrcmpiW(current, StartFolder) == 0, "current folder not given back");
        std::printf("%s dialog record, %s dialog %s%s\n", Problems.empty() ? "ok  " : "FAIL",
                    r.function, r.result ? "chosen" : "cancelled", Problems.c_str());
        failed += Problems.empty() ? 0 : 1;
    }
    if (failed != 0) {
        return 1;
    }
    // Gone while the dialog was open, the folder cannot be given back; the chosen full path serves
    // all the same, since the command line's paths were made full before any dialog.
    RemoveStartFolder = true;
    Result = TRUE;
    PathBuffer path;
    PickFile(PathRole::Firmware, path, "title", nullptr, nullptr);
    bool kept = std::strcmp(path, "Z:\\chosen.bin") == 0;
    std::printf("%s dialog record, start folder gone: the chosen path %s\n", kept ? "ok  " : "FAIL",
                kept ? "kept" : "lost");
    return kept ? 0 : 1;
}
