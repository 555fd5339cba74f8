#include "app/command_line.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

}  // namespace

const char* SkipProgramName(const char* line) {
    const char* p = SkipBlanks(line);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        return *p == '"' ? p + 1 : p;
    }
    while (*p != '\0' && !IsBlank(*p)) {
        ++p;
    }
    return p;
}

int SplitArguments(const char* line, const LeadByteTable leadBytes, char* storage,
                   std::size_t storageSize, char** arguments, int maxArguments) {
    const char* p = SkipBlanks(line);
    char* out = storage;
    char* const end = storage + storageSize;
    int count = 0;
    bool full = false;
    while (*p != '\0' && count < maxArguments && !full) {
        char* argument = out;
        bool quoted = false;
        while (*p != '\0' && (quoted || !IsBlank(*p))) {
            if (*p == '"') {
                quoted = !quoted;
                ++p;
                continue;
            }
            bool escapedQuote = p[0] == '\\' && p[1] == '"';
            bool pair = !escapedQuote && leadBytes[static_cast<unsigned char>(*p)] && p[1] != '\0';
            // The bytes of this step and the terminator must fit.
            if (end - out < (pair ? 3 : 2)) {
                full = true;
                break;
            }
            if (escapedQuote) {
                *out++ = '"';
                p += 2;
                continue;
            }
            *out++ = *p++;
            if (pair) {
                *out++ = *p++;
            }
        }
        // An argument that does not fit is dropped with all after it, never cut.
        if (full || out == end) {
            break;
        }
        *out++ = '\0';
        arguments[count++] = argument;
        p = SkipBlanks(p);
    }
    return count;
}
