#pragma once
// The stream record of one open sound file: what the host is told of it, how its samples are
// laid out, where they start, and the codec that turns each read unit into device samples.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "plimsa/decoders/Codecs.h"

namespace plimsa {

// Device sample formats the readers choose (the sound library's codes).
enum SampleFormat : uint16_t {
    kFormatUnsigned8 = 0,
    kFormatSigned16LittleEndian = 4,
};

// Media type of a file: audio, seekable.
inline constexpr uint32_t kMediaAudioSeekable = 5;

// The most bytes one decoder call takes: a PCM block, or one ADPCM or GSM block alignment. Kept
// below what the smallest ring buffer of the plug-in core can hand out in one piece.
inline constexpr uint32_t kMaxReadUnit = 4096;

struct SoundStream {
    SoundStream() = default;
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;
    ~SoundStream();

    // What the host is told: type, duration in ms, title and second line (the core adds url).
    uint32_t type = kMediaAudioSeekable;
    uint32_t duration = 0;
    std::optional<std::string> title;
    std::optional<std::string> moreinfo;

    uint16_t sampleFormat = kFormatSigned16LittleEndian;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t blockSize = 0;  // bytes per second / 2560 * 256, at most 4096

    std::FILE* file = nullptr;           // the open file of a file stream, closed with the stream
    void* owner = nullptr;               // the plug-in's control record, set by the core
    std::optional<std::string> message;  // why the stream is refused; unset when it can play

    const uint8_t* input = nullptr;  // the bytes of the current read, set by the core
    uint32_t inputLength = 0;
    uint32_t readUnit = 0;  // bytes given to one decoder call

    std::vector<uint8_t> output;  // decoded piece handed to the writer; sized for one read unit

    uint64_t dataStart = 0;      // offset of the first sample byte
    uint64_t currentOffset = 0;  // offset chosen by the last seek
    uint32_t byteRate = 0;
    uint16_t bytesPerFrame = 0;

    CodecState codec;
    uint32_t codecId = 0;
    uint8_t fill = 0;  // 128 for 8-bit output (silence)

    uint32_t dataSize = 0;
    int64_t remaining = 0;  // sample bytes not yet played (WAV, AIFF, IFF)
    bool ended = false;     // undecodable data met; nothing more plays until a seek
};

}  // namespace plimsa
