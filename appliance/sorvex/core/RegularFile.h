#pragma once
// Files the jukebox opens only when they are regular files: opening or reading a named pipe or
// a device would hold its one thread (window and command port) until someone else writes to it.

#include <sys/types.h>

#include <cstdio>
#include <string>

namespace sorvex {

// A descriptor opened with `flags` (O_CLOEXEC and, for the open itself, O_NONBLOCK added) when
// the file opened is a regular file; else -1, with errno EINVAL for a file of another kind.
// The kind is checked on the opened descriptor, so a pipe put in place after a caller's check is
// refused too.
int OpenRegular(const std::string& path, int flags, mode_t mode = 0);
// The same as a stream with fdopen's `mode`.
std::FILE* OpenRegularStream(const std::string& path, int flags, const char* mode);
// True when the path (links followed) names a regular file.
bool IsRegularFile(const std::string& path);

}  // namespace sorvex
