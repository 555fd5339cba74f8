#pragma once

#include <string>

#include "core/fatal_stop.h"
#include "core/output_wait.h"

// What the test build's FatalStop throws, so that the test process lives on.
struct StopSignal {
    std::string text;
    std::string detail;
};

// How often the test build was told that another run holds the output; it waits without a word.
extern int OutputWaits;
