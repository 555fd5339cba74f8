#pragma once

// Shows the error text and ends the process at once: no clean-up, open files are left to the
// system, whatever was written stays written.
[[noreturn]] void FatalStop(const char* text);
