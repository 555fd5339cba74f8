#pragma once

// Shows the error text and ends the process at once: no clean-up, open files are left to the
// system, whatever was written stays written. A detail, where there is one, says more: the
// system's own reason for a failed call, or where in an image the fault lies.
[[noreturn]] void FatalStop(const char* text, const char* detail = nullptr);
