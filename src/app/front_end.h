// What the run sequences need of the screen. Each platform has its own implementation.
#pragma once

#include <cstdint>

#include "app/path_buffer.h"
#include "core/fatal_stop.h"

// What a chosen path is for, which decides the dialog and what it refuses: a firmware or an image
// (a file with a length), a calibration (a file to read), an output (a place to write, asked
// before it is replaced).
enum class PathRole { Firmware, Calibration, Output };

// Leaves the chosen path in path, or clears all of it when the user gives none. firstInput is the
// first path already chosen, or null: the native programs start the later dialogs in its folder,
// refuse it as the calibration, and refuse it and secondInput as the output.
void PickFile(PathRole role, PathBuffer path, const char* title, const char* firstInput,
              const char* secondInput);
void ShowInfo(const char* text, const char* caption);
// Announces the finished image; cutFirmwareSize firmware bytes did not fit its size class.
void ShowCompletion(std::int32_t cutFirmwareSize);
// Shows what a check found in image: lines the user asked to read. The Windows program names the
// image above them; the native programs show the lines alone.
void ShowReport(const char* image, const char* text);
// Says that the calibration of image went to calibration: the catalogue's words, then its path.
// The Windows program names the image above them.
void ShowCalibrationWritten(const char* image, const char* calibration);
// Names the image that the stops from here on are about, or none with null; the Windows program
// shows it above a stop's text, the native programs leave their stops as they are.
void NameImage(const char* image);
// Shows the help or version text: on standard output where the program has one, which the
// desktop program has before it has a display.
void ShowText(const char* text);
// Another run holds the output this one is to write: says so and gives true where the program
// waits for it to let go, or false where a wait could not be seen.
bool WaitsForBusyOutput();
// Ends the process at once with status 0, showing nothing.
[[noreturn]] void EndProcess();
