// What a native program does before its run, whichever front end it has.
#pragma once

// Gives each closed standard descriptor to /dev/null, so that no file the program opens can take
// its place, turns the signals of a failed write into errors the write itself reports, and lets
// the system give its reasons in the user's language.
void PrepareProcess();
// True when the standard descriptor fd was closed when the program started.
bool WasClosedAtStart(int fd);

// Stops on a path that is empty, a caller's mistake on a command line, or that a PathBuffer
// could only hold cut: here a cut path names another file, not a shorter spelling of the same.
void RefuseBadPaths(int count, char** paths);
// The same for the run's path arguments, and a calibration argument that is the firmware itself.
void CheckPathArguments(int argumentCount, char** arguments);
