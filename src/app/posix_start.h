// What a native program does before its run, whichever front end it has.
#pragma once

// Gives each closed standard descriptor to /dev/null, so that no file the program opens can take
// its place, and turns the signals of a failed write into errors the write itself reports.
void PrepareProcess();
// True when the standard descriptor fd was closed when the program started.
bool WasClosedAtStart(int fd);
// Writes text on standard output, which carries only what the user asked to read there; so a
// failure to write it stops, and so does a standard output that was closed at start. Returns 0,
// the exit status.
int PrintText(const char* text);
