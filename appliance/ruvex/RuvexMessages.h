#pragma once
// The texts Ruvex prints, all on standard error.

namespace ruvex::messages {

inline constexpr const char* kUsage = "%s: Invalid argument (%s): type 'use %s' for usage options\n";
inline constexpr const char* kCannotOpen = "%s: cannot open %s: %s\n";
// The plug-in's error text, after the program's name and, when the text does not name it, the file.
inline constexpr const char* kPluginError = "%s: %s\n";
inline constexpr const char* kPluginErrorOf = "%s: %s: %s\n";
inline constexpr const char* kFileLine = "file = %s\n";
inline constexpr const char* kYouPressed = "In %s UserInputThread() You pressed %s\n";
inline constexpr const char* kSourceName = "Ruvex_rave";
inline constexpr const char* kProgramName = "ruvex";

inline constexpr const char* kStateDead = "mpcallback() STATE = MV_DEAD\n";
inline constexpr const char* kStateClosed = "mpcallback() STATE = MV_CLOSED\n";
inline constexpr const char* kStateOpening = "mpcallback() STATE = MV_OPENING\n";
inline constexpr const char* kStateStopped = "mpcallback() STATE = MV_STOPPED\n";
inline constexpr const char* kStatePaused = "mpcallback() STATE = MV_PAUSED\n";
inline constexpr const char* kStatePrefetching = "mpcallback() STATE = MV_PREFETCHING\n";
inline constexpr const char* kStatePlaying = " mpcallback() STATE = MV_PLAYING\n";

inline constexpr const char* kPluginFile = "Plimsa_rave.so";
inline constexpr const char* kFilePrefix = "file://";
inline constexpr const char* kHttpPrefix = "http://";

}  // namespace ruvex::messages
