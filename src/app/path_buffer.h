#pragma once

// A zero-terminated path in the system's code page; empty means not given.
constexpr int kPathBufferSize = 260;
constexpr int kPathMaxLength = kPathBufferSize - 1;
using PathBuffer = char[kPathBufferSize];
