// What a native program does before its run, whichever front end it has.
#pragma once

// Gives each closed standard descriptor to /dev/null, so that no file the program opens can take
// its place, and turns the signals of a failed write into errors the write itself reports.
void PrepareProcess();

// Stops on a path argument that a PathBuffer could only hold cut: here a cut path names another
// file, not a shorter spelling of the same one.
void RefuseLongArguments(int argumentCount, char** arguments);
