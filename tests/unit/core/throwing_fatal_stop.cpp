#include "unit/core/throwing_fatal_stop.h"

int OutputWaits = 0;

void FatalStop(const char* text, const char* detail) {
    throw StopSignal{text, detail == nullptr ? "" : detail};
}

void AnnounceOutputWait() {
    ++OutputWaits;
}
