// What the native programs' prompts and dialogs ask of a path before anything is opened, part of
// the POSIX file layer; on Windows the system's dialogs and its open judge a path.
#pragma once

#include "image/file_access.h"

// What keeps path from serving as an input, before it is opened: nothing there, a folder, a file
// this user may not read, or a pipe, socket or character device where a length is needed.
enum class Needs { Bytes, Length };
Verdict FileInputVerdict(const char* path, Needs needs);
// True when something is there, even a link that leads nowhere.
bool FileExists(const char* path);
// True when path, which is not opened for it, names the open file, as FileIsSame tells them.
bool FileIsSameAsPath(const char* path, FileHandle file);

// What keeps path from becoming an output before anything is opened: a missing folder, a folder,
// a link that leads nowhere, a file nobody may write, a place this user may not write, a disk that
// another program holds.
Verdict FileOutputVerdict(const char* path);
