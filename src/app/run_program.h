// The run sequences the three programs share: the conversion and the two checks. Each gathers
// its paths from the command line or the user, does its work and shows its result; each returns
// the exit status.
#pragma once

#include "app/front_end.h"
#include "app/options.h"
#include "app/path_buffer.h"

// What the options ask for: the conversion, a check, an extraction, or the help or version text.
int RunCommand(const ProgramRules& rules, const Options& options);
int RunCheck(const ProgramRules& rules, const Options& options);
int RunExtraction(const Options& options);

// Fills path from the command line's path at index when it was given, else from the user.
void TakePath(const Options& options, int index, PathRole role, PathBuffer path, const char* title,
              const char* firstInput, const char* secondInput);
// The same for a calibration, which "-" on the command line leaves empty: no calibration. A "-"
// chosen at a prompt names a file. The firmware is refused here where the rules say so.
void TakeCalibration(const ProgramRules& rules, const Options& options, int index, PathBuffer path,
                     const char* firmware);
