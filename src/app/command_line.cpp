#include "app/command_line.h"

namespace {

template <typename Char>
bool IsBlank(Char c) {
    return c == ' ' || c == '\t';
}

template <typename Char>
const Char* SkipBlanks(const Char* p) {
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

template <typename Char>
const Char* SkipName(const Char* line) {
    const Char* p = SkipBlanks(line);
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

// leadBytes is null for UTF-16.
template <typename Char>
int Split(const Char* line, const bool* leadBytes, Char* storage, std::size_t storageSize,
          Char** arguments, int maxArguments) {
    const Char* p = SkipBlanks(line);
    Char* out = storage;
    Char* const end = storage + storageSize;
    int count = 0;
    bool full = false;
    while (*p != '\0' && count < maxArguments && !full) {
        Char* argument = out;
        bool quoted = false;
        while (*p != '\0' && (quoted || !IsBlank(*p))) {
            if (*p == '"') {
                quoted = !quoted;
                ++p;
                continue;
            }
            bool escapedQuote = p[0] == '\\' && p[1] == '"';
            bool pair = !escapedQuote && leadBytes != nullptr &&
                        leadBytes[static_cast<unsigned char>(*p)] && p[1] != '\0';
            // The units of this step and the terminator must fit.
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

}  // namespace

const char* SkipProgramName(const char* line) {
    return SkipName(line);
}

const wchar_t* SkipProgramName(const wchar_t* line) {
    return SkipName(line);
}

int SplitArguments(const char* line, const LeadByteTable leadBytes, char* storage,
                   std::size_t storageSize, char** arguments, int maxArguments) {
    return Split(line, leadBytes, storage, storageSize, arguments, maxArguments);
}

int SplitArguments(const wchar_t* line, wchar_t* storage, std::size_t storageSize,
                   wchar_t** arguments, int maxArguments) {
    return Split<wchar_t>(line, nullptr, storage, storageSize, arguments, maxArguments);
}
