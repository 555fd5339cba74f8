// What the run sequence needs of the screen. Each platform has its own implementation.
#pragma once

#include "app/path_buffer.h"
#include "core/fatal_stop.h"

enum class FileDialogKind { Open, Save };

// Leaves the chosen path in path, or clears all of it when the user gives none.
void PickFile(FileDialogKind kind, PathBuffer path, const char* title);
void ShowInfo(const char* text, const char* caption);
// Ends the process at once with status 0, showing nothing.
[[noreturn]] void EndProcess();
