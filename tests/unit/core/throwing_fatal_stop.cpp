#include "unit/core/throwing_fatal_stop.h"

void FatalStop(const char* text, const char* detail) {
    throw StopSignal{text, detail == nullptr ? "" : detail};
}
