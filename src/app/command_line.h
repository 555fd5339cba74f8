// Splits the system's command line into arguments by the program's own rules rather than
// the runtime's: no wildcard expansion, and a backslash only matters right before a quote. The
// ANSI line and the UTF-16 one it was converted from split alike, so that they can be compared
// argument by argument.
#pragma once

#include <cstddef>

// True for each byte that begins a two-byte character in the system's code page.
using LeadByteTable = bool[256];

// Skips leading blanks and the program's own name; the arguments begin right behind it.
const char* SkipProgramName(const char* line);
const wchar_t* SkipProgramName(const wchar_t* line);

// Copies each argument of line into storage as a zero-terminated string and points arguments at
// them, in order. Stops early rather than run past either array. Returns the count.
int SplitArguments(const char* line, const LeadByteTable leadBytes, char* storage,
                   std::size_t storageSize, char** arguments, int maxArguments);
// The same for UTF-16, where no unit pairs with the next.
int SplitArguments(const wchar_t* line, wchar_t* storage, std::size_t storageSize,
                   wchar_t** arguments, int maxArguments);
