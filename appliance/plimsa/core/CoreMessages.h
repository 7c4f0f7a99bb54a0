#pragma once
// The texts the sound-file plug-in prints or reports to its host.

namespace plimsa::core::messages {

inline constexpr const char* kUnrecognizedUrl = "Unrecognized URL. Not file:// nor http://\n";
inline constexpr const char* kBadUrlType = "Bad URL type for this plugin";
inline constexpr const char* kNotRecognized = "File format not recognized";
inline constexpr const char* kInvalidFile = "Invalid file: '%s'\n";
inline constexpr const char* kCouldNotReadHeader = "Couldn't read header\n";
inline constexpr const char* kRefused = "%s";
inline constexpr const char* kFopenFailed = "fopen failed:";
inline constexpr const char* kUnableToOpen = "plimsa.so: unable to open specified file";
inline constexpr const char* kCouldNotConnect = "MPEG Audio Plugin: Could not connect to Http address";
inline constexpr const char* kSocketReadError = "socket read error\n";
inline constexpr const char* kFileReadError = "GetData: File Read error";
inline constexpr const char* kReadErrorReport = "GetData: File Read error: %s";
inline constexpr const char* kBuffers = "Buffers (%d/%d)";
inline constexpr const char* kOpenPcmCalled = "openpcm called\n";
// A write the device refused without a reason of its own (a second short write after a recovery).
inline constexpr const char* kAudioDeviceFailed = "snd_pcm_plugin_write error: Input/output error";

inline constexpr const char* kFilePrefix = "file://";
inline constexpr const char* kHttpPrefix = "http://";

}  // namespace plimsa::core::messages
