#include "core/translation.h"

// The Windows program speaks Russian alone, in the texts of its catalogue alone.
const char* Tr(const char* text) {
    return text;
}

const char* SystemReason(int error) {
    return error == 0 ? nullptr : "";
}
