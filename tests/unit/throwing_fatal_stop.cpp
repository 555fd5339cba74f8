#include "unit/throwing_fatal_stop.h"

void FatalStop(const char* text) {
    throw StopSignal{text};
}
