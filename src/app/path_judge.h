// What the terminal prompts and the desktop dialogs judge of a chosen path, the same in both, and
// by the rules the command line's paths are opened by.
#pragma once

#include "app/front_end.h"

// What the user reads of a refused path: a note, with the system's reason beneath it where it
// gave one. No note: the path may be taken.
struct Judgement {
    const char* note;
    const char* reason;
};

// A firmware or an image must be a file with a length that this user may read, a calibration a
// file this user may read, and not the firmware (firstInput, where given); an output a place
// this user may write, and none of the inputs.
Judgement JudgePath(PathRole role, const char* path, const char* firstInput,
                    const char* secondInput);
