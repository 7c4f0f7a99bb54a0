// Texts the MPEG plug-in core prints on standard error or reports to its host as error texts.
#pragma once

namespace brisko::core::messages {

// Printed.
inline constexpr const char* kMunlockallFailed = "brisko: munlockall failed: %s\n";
inline constexpr const char* kUsage = "usage: brisko briskofilename\n";
inline constexpr const char* kUnrecognizedUrl = "Unrecognized URL. Not file:// nor http://\n";
inline constexpr const char* kUnknownState = "qnx_start: unable to identify current state pd->stat.state %d\n";
inline constexpr const char* kMutexLockFailed = "pthread_mutex_lock failed!\n";
inline constexpr const char* kMutexUnlockFailed = "pthread_mutex_unlock failed!\n";
inline constexpr const char* kCondSignalFailed = "pthread_cond_signal failed!\n";
inline constexpr const char* kFopenFailed = "fopen failed: %s\n";
inline constexpr const char* kNotEnoughData = " not enough data to initialize decoder\n";
inline constexpr const char* kHeaderParseError = "error in parsing frame header\n";
inline constexpr const char* kNullFramePointer = "passed in a null frame pointer\n";
inline constexpr const char* kDecodeError = "Decode Error\n";
inline constexpr const char* kSocketReadError = "socket read error\n";

// Reported to the host (and printed too where a user at the console needs to see them).
inline constexpr const char* kNoHttpConnection = "MPEG Audio Plugin: Could not connect to Http address";
inline constexpr const char* kCannotOpenFile = "brisko.so: unable to open specified file";
inline constexpr const char* kBufferInsufficient =
    "MPEG Audio Plugin: Buffer size/percent insufficient to decode stream";
inline constexpr const char* kStreamRefused = "MPEG Audio Plugin: error in parsing frame header";
inline constexpr const char* kNoFrames = "MPEG Audio Plugin: no MPEG audio frames in the stream";
inline constexpr const char* kOutOfMemory = "MPEG Audio Plugin: Out of memory";
inline constexpr const char* kFileReadError = "GetData: File Read error: %s";
inline constexpr const char* kBuffersText = "Buffers (%d/%d)";

}  // namespace brisko::core::messages
