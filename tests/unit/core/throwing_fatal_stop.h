#pragma once

#include <string>

#include "core/fatal_stop.h"

// What the test build's FatalStop throws, so that the test process lives on.
struct StopSignal {
    std::string text;
    std::string detail;
};
