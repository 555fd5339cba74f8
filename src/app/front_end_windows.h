// What korvane.exe's start-up needs of its front end beside the shared one.
#pragma once

// The system's command line holds at most 32,767 UTF-16 units.
constexpr int kCommandLineUnits = 32767;

enum class AnsiName { Same, TooLong, NotInCodePage };

// Writes name in the system's code page into ansi, which holds size bytes, when it fits and
// converts back to the very same UTF-16; the system's own conversion would put a look-alike or a
// question mark for a character that the code page lacks, naming another file.
AnsiName ToAnsi(const wchar_t* name, char* ansi, int size);

// Says that name, or the name given where it is null, cannot be written in the system's code
// page, and ends the process.
[[noreturn]] void StopNotInCodePage(const wchar_t* name);
