#pragma once

// The whole run: gathers the three paths from the arguments or the user, builds the image and
// announces it. Returns the exit status.
int RunProgram(int argumentCount, char** arguments);
