// Texts the stream front end writes to its log (standard error unless the caller says otherwise).
#pragma once

namespace brisko::msg {

inline constexpr const char* kNoSyncword = "No Syncword found";
inline constexpr const char* kUnrecognizedLayer = "Unrecognized layer value";
inline constexpr const char* kNoHeaderInfo = "Could not get header info";
inline constexpr const char* kInvalidSampleRate = "Invalid sample rate";
inline constexpr const char* kInvalidChannelsMode = "Invalid number of channels mode";
inline constexpr const char* kReadError = "error reading file";
inline constexpr const char* kFrameSkipped = "Undecodable frame skipped";
inline constexpr const char* kFormatChanged = "Stream format changed";

}  // namespace brisko::msg
