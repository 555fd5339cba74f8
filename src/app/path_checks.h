// What the terminal prompts and the desktop dialogs judge of a chosen path, the same in both:
// each gives the note to show, or null when the path may be taken.
#pragma once

#include "app/front_end.h"

// A firmware or an image must be a file with a length that this user may read, a calibration a
// file this user may read; an output must be a place this user may write, by the rule the
// command line's output is judged by, and none of the inputs. The calibration may not be the
// firmware (firstInput) either.
const char* PathRefusal(PathRole role, const char* path, const char* firstInput,
                        const char* secondInput);
// The system's reason for the last refusal, or null where the note says it all.
const char* RefusalReason();
// True when a file is there, which the user is then asked to replace.
bool NamesExistingFile(const char* path);
