#pragma once
// The readers of the sound-file formats (WAV, AU, VOC, AIFF/AIFC, IFF 8SVX), each behind one
// operations record, and the choice of reader by file name or by the first bytes of the data.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plimsa/readers/ByteSource.h"
#include "plimsa/readers/SoundStream.h"

namespace plimsa {

// Results of the header tests and stream builders.
enum ReaderResult : int {
    kAccepted = 0,
    kNotThisFormat = 2,    // or the header could not be read
    kUnsupported = 3,      // a code, sample size or header value the reader cannot play
    kTooManyChannels = 4,  // more than 2
    kNoSampleData = 5,
};

// Called by play for each decoded piece; a non-zero result stops the play step.
using SoundWriter = int (*)(SoundStream& stream, const uint8_t* data, uint32_t length);

struct SoundDecoder {
    char identifier[4];  // the file-name extension that selects the reader
    // Builds a stream from the header at the source's start and leaves the source at the first
    // sample byte; null when the header is refused. A stream with `message` set cannot play.
    std::unique_ptr<SoundStream> (*read)(ByteSource& source);
    // Opens the file and builds a stream from it; the file stays open in the stream. Null on failure.
    std::unique_ptr<SoundStream> (*open)(const char* path);
    // Positions the stream at ms; returns the file offset to continue reading from.
    uint64_t (*seek)(SoundStream& stream, uint32_t ms);
    // Decodes the current input (stream.input, stream.inputLength) read unit by read unit and hands
    // each piece to the writer; returns the last writer result, 0 when nothing was written.
    int (*play)(SoundStream& stream, SoundWriter writer);
    // Closes the file and frees the stream and its texts.
    void (*close)(std::unique_ptr<SoundStream> stream);
    // The header test over the first bytes of the data: 0 when the format is recognised.
    int (*test)(const uint8_t* head, size_t length);
};

extern const SoundDecoder wavfile_decoder;
extern const SoundDecoder aufile_decoder;
extern const SoundDecoder vocfile_decoder;
extern const SoundDecoder aiffile_decoder;
extern const SoundDecoder iffile_decoder;

// The readers in probe order, ended by a null entry.
extern const SoundDecoder* const decoders[6];

// Bytes the header tests look at.
inline constexpr size_t kProbeBytes = 36;

// Header tests; each returns a ReaderResult.
int IsWav(const uint8_t* head, size_t length);
int IsAu(const uint8_t* head, size_t length);
int IsVoc(const uint8_t* head, size_t length);
int IsAiff(const uint8_t* head, size_t length);
int IsIff(const uint8_t* head, size_t length);

// The reader for a file: by its extension (exact case), else by probing its content. Null: none.
const SoundDecoder* find_decoder(const char* path);
// The reader whose header test accepts these first bytes of a stream. Null: none.
const SoundDecoder* FindDecoder(const uint8_t* head, size_t length);

}  // namespace plimsa
