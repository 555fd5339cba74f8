// The one option parser of the three programs. Options count only as the first argument; every
// other argument is a path, and a first "--" makes every argument a path.
#pragma once

#include <cstdint>

enum class Command { Convert, Check, ExtractCalibration, Help, Version };

// What a program takes: the terminal program alone makes images the size of a chip, and the
// Windows program takes an empty path as one not given, as it always did.
enum class Program { Terminal, Desktop, Windows };

struct Options {
    Program program;
    Command command;
    int pathCount;  // the paths given, at most as many as the command takes
    char** paths;
    std::int64_t chipSize;  // "--pad-to", or 0
};

// Stops with the catalogue's text on a path that is empty (where the program refuses one) or
// longer than a path buffer holds, on a chip size that is none, and on an option with too few or
// too many paths.
Options ParseOptions(int argumentCount, char** arguments, Program program);

// The Windows program has always taken the firmware as its own calibration too; the native
// programs refuse it, since a dialog that pre-selects the firmware makes that an easy mistake.
bool FirmwareMayBeCalibration(Program program);

// "524288", "512K", "4M": bytes, KiB or MiB; -1 for anything else or a size no image reaches.
std::int64_t ParseChipSize(const char* text);
