// What korvane-gtk's start-up needs of its front end beside the shared one.
#pragma once

// Connects to the display and sets up GTK as this program needs it; false without a display. An
// error found before, on the command line, opens the display for its box.
bool OpenDisplay();
