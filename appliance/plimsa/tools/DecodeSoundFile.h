#pragma once
// Decodes a whole sound file through the readers, read unit by read unit as the plug-in core feeds
// them from its ring buffer: from the open file, or (fromStream) with the header and samples taken
// from memory as from a network stream. Shared by plimsa-decode and the decoding benchmark.

#include <string>

#include "plimsa/readers/SoundDecoder.h"

namespace plimsa::tools {

enum DecodeStatus {
    kPlayed = 0,
    kNotRecognised = 2,  // no reader knows the file
    kRefused = 3,        // the reader refused the file; `error` says why
};

struct DecodedFile {
    uint16_t sampleFormat = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t duration = 0;
    std::string title;
    std::string error;
};

// The writer gets every decoded piece; `owner` is handed to it as the stream's owner.
int DecodeSoundFile(const char* path, bool fromStream, SoundWriter writer, void* owner, DecodedFile& decoded);

}  // namespace plimsa::tools
