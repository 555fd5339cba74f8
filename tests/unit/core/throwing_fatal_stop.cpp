#include "unit/core/throwing_fatal_stop.h"

void FatalStop(const char* text) {
    throw StopSignal{text};
}
