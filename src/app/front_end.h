// What the run sequence needs of the screen. Each platform has its own implementation.
#pragma once

#include <cstdint>

#include "app/path_buffer.h"
#include "core/fatal_stop.h"

enum class FileDialogKind { Open, Save };

// Leaves the chosen path in path, or clears all of it when the user gives none. firmwarePath is
// the firmware already chosen, or null when the firmware itself is asked for: the native
// programs start the later dialogs in its folder and refuse it as the calibration.
void PickFile(FileDialogKind kind, PathBuffer path, const char* title, const char* firmwarePath);
void ShowInfo(const char* text, const char* caption);
// Announces the finished image; cutFirmwareSize firmware bytes did not fit its size class.
void ShowCompletion(std::int32_t cutFirmwareSize);
// Ends the process at once with status 0, showing nothing.
[[noreturn]] void EndProcess();
