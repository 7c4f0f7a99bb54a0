#pragma once
// Direct PCM output through the plug-in's audio module, without the plug-in interface: open the
// playback device, set its format, write, drain, ask how much is queued, close. Exported by
// Plimsa_rave for callers that play raw PCM; the core itself uses the two sample-format helpers.

#include <cstdint>

#include "media/Audio.h"

#define PLIMSA_EXPORT __attribute__((visibility("default")))

// Sample format codes, as the sound library numbers them.
enum MvAudioSampleFormat : uint16_t {
    MV_AUDIO_U8 = 0,
    MV_AUDIO_S8 = 1,
    MV_AUDIO_U16_LE = 2,
    MV_AUDIO_U16_BE = 3,
    MV_AUDIO_S16_LE = 4,
    MV_AUDIO_S16_BE = 5,
};

// One open direct output; the audio device record comes last and is what the wrappers use.
struct MvAudioHandle {
    int pcmFd;     // descriptor of the playback channel
    int secondFd;  // -1
    uint32_t word1, word2;
    uint32_t reserved;  // 0
    AudioDevice device;
};

// The format of MvAudioPcmSetParams: sample format code, channels, rate in Hz.
struct MvAudioPcmFormat {
    uint16_t format;
    uint16_t channels;
    uint32_t rate;
};

extern "C" {

// Opens the playback device the plug-in core would choose. The record, or null when it cannot be
// allocated (a device that cannot be opened leaves the record without a channel).
PLIMSA_EXPORT MvAudioHandle* MvAudioOpen();
// Closes the device (when the record is not null) and frees the record.
PLIMSA_EXPORT void MvAudioClose(MvAudioHandle* handle);
// Sets rate, channels and sample format, 4096-byte fragments, 2 of them. The audio module's result.
PLIMSA_EXPORT int MvAudioPcmSetParams(MvAudioHandle* handle, const MvAudioPcmFormat* format);
// Writes PCM; returns `length` whatever the device took.
PLIMSA_EXPORT int MvAudioPcmWrite(MvAudioHandle* handle, const void* data, int length);
// Drains the channel; the sound library's result.
PLIMSA_EXPORT int MvAudioPcmDrain(MvAudioHandle* handle);
PLIMSA_EXPORT int MvGetAudioTimeInBuffer(MvAudioHandle* handle);
PLIMSA_EXPORT int MvGetAudioBytesInBuffer(MvAudioHandle* handle);
// 8 for codes 0 and 1, 16 for codes 2 to 5, else -1.
PLIMSA_EXPORT int MvAudioBitsPerSample(int format);
// The device's sample format for a code (codes 0 to 5 are their own), else -1.
PLIMSA_EXPORT int MvAudioFormat(int format);
// Opens AUDIO/name (AUDIO unset: /dev/name) with the open flags; -1 (ENAMETOOLONG when the path
// would be 1022 characters or longer).
PLIMSA_EXPORT int opendev(const char* name, int flags);
// opendev("pcm00"), then says so on standard output.
PLIMSA_EXPORT int openpcm(int flags);
}
