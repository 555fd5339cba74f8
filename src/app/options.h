// The one option parser of the three programs. Options count only as the first argument; every
// other argument is a path, and a first "--" makes every argument a path.
#pragma once

#include <cstdint>

#include "core/message_catalogue.h"
#include "image/convert_image.h"

enum class Command { Convert, Check, ExtractCalibration, Help, Version };

// What sets the three programs apart, filled in by each program's main and read by the shared
// parser and run sequences.
struct ProgramRules {
    bool takesChipSize;           // "--pad-to SIZE", which makes an image the size of a chip
    bool emptyPathIsNotGiven;     // an empty argument stands for a path not given
    CalibrationRule calibration;  // whether the firmware may serve as its own calibration
    const char* helpText;
    const char* badArgumentsText = MessageCatalogue::kBadOptionArguments;  // names the program
};

struct Options {
    Command command;
    int pathCount;  // the paths given, at most as many as the command takes
    char** paths;
    std::int64_t chipSize;  // "--pad-to", or 0
};

// Stops with the catalogue's text on a path that is empty (where the program refuses one) or
// longer than a path buffer holds, on a chip size that is none, and on an option with too few or
// too many paths.
Options ParseOptions(int argumentCount, char** arguments, const ProgramRules& rules);

// "524288", "512K", "4M": bytes, KiB or MiB; -1 for anything else or a size no image reaches.
std::int64_t ParseChipSize(const char* text);
