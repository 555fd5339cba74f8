#pragma once

#include <cstring>

// A zero-terminated path in the system's code page; empty means not given.
constexpr int kPathBufferSize = 260;
constexpr int kPathMaxLength = kPathBufferSize - 1;
using PathBuffer = char[kPathBufferSize];

// A path is taken whole or not at all: cut, it would name another file.
inline bool FitsPathBuffer(const char* text) {
    return strnlen(text, kPathBufferSize) <= kPathMaxLength;
}

// Copies text into path when it fits; otherwise leaves path empty.
inline bool CopyPath(PathBuffer path, const char* text) {
    std::memset(path, 0, kPathBufferSize);
    if (!FitsPathBuffer(text)) {
        return false;
    }
    std::memcpy(path, text, std::strlen(text));
    return true;
}
