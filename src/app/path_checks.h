// What the terminal prompts and the desktop dialogs judge of a chosen path, the same in both:
// each gives the note to show, or null when the path may be taken.
#pragma once

// The file must exist and be no folder.
const char* OpenRefusal(const char* path);
// The folder must exist, the path must be no folder and no symbolic link that leads nowhere,
// and this user must be allowed to write there.
const char* SaveRefusal(const char* path);
// True when a file is there, which the user is then asked to replace.
bool NamesExistingFile(const char* path);
// True when both paths reach one file by the rules the output is told from the inputs by.
bool IsFirmwareItself(const char* firmwarePath, const char* calibrationPath);
