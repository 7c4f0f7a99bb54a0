// The stream front end: finds confirmed frame headers in a buffer while skipping tags and
// container headers, sets the decoder up from the first header and decodes one frame at a time.
// It works on whatever buffer the caller holds (a ring buffer's readable part, a file block).
#pragma once

#include <cstddef>
#include <cstdint>

#include "brisko/FrameHeader.h"
#include "brisko/MpegDecoder.h"

namespace brisko {

// Results of ScanForMPEG_l, ParseSequenceHeader and DecodeAudioFrame.
enum FrontResult : int {
    kFrontFormatChanged = 1,  // DecodeAudioFrame: decoded, and the output format changed (see info)
    kFrontOk = 0,
    kFrontNullBuffer = -1,  // ParseSequenceHeader: no buffer
    kFrontNoHeader = -1,    // ScanForMPEG_l: no confirmed header
    kFrontNoSync = -2,      // DecodeAudioFrame: no frame in the buffer; len = bytes that may go
    kFrontScanMore = -2,    // ScanForMPEG_l: a candidate's next header lies past the buffer
    kFrontScanSkip = -3,    // ScanForMPEG_l: a tag runs past the buffer; *skip = its end
    kFrontRefused = -3,     // ParseSequenceHeader: the decoder cannot decode the stream
    kFrontNeedData = -5,    // no complete frame (or header) in the buffer yet
    kFrontSkip = -6,        // drop len bytes (a tag larger than the buffer) and call again
    kFrontBadFrame = -8,    // a frame the decoder could not use; len = bytes to drop (>= 1)
};

// Front-end log sink; null discards.
using FrontLog = void (*)(const char* text);
void FrontLogStderr(const char* text);

struct DecoderFront {
    FrameHeader head;                         // header words of the stream's frames
    int reduction = 0;                        // 0 full rate, 1 half, 2 quarter
    int transform = 0;                        // transform bit code x 4 + transform channel code
    int convert = 0;                          // ConvertCode bits
    int freq_limit = 24000;                   // Hz
    std::uint32_t max_bitrate = 0xFFFFFFFFu;  // bit/s; 0xFFFFFFFF = no limit
    bool mode_set = false;                    // InitAudioDecoderMode was called
    bool ready = false;                       // ParseSequenceHeader succeeded
    int framebytes = 0;                       // frame length of the set-up, without padding
    std::uint8_t sync_bytes[2] = {0, 0};      // first two header bytes of the stream's frames
    std::uint64_t errors = 0;                 // frames skipped as undecodable
    std::int64_t skip_pending = 0;            // tag bytes still to drop
    bool end_of_data = false;                 // set by the caller: no more bytes will come, so the
                                              // last frame is decoded without a following header
    FrontLog log = FrontLogStderr;
    MpegDecoder decoder;
};

bool IsTag(const std::uint8_t* p, std::size_t avail);
// Size of an ID3v2 tag (header included) starting at p, or -1.
std::int64_t CheckID3(const std::uint8_t* p, std::size_t avail);
// Whether the bytes are whole tags and nothing else (ID3v1, extended ID3v1, ID3v2 and its footer),
// as a file may end with after its last frame.
bool OnlyTags(const std::uint8_t* p, std::size_t len);
// Whether the bytes may be the start of the tags a file ends with (ID3v1, extended ID3v1, an ID3v2
// footer), the last of them perhaps not yet whole: the reader may not have seen the end of the file.
bool MayBeEndTags(const std::uint8_t* p, std::size_t len);
// Offset past a RIFF header's "data" + 6, -1 when not RIFF, -2 when "data" is not in the buffer.
int CheckRIFF(const std::uint8_t* p, std::size_t len);

// Whether the data begin as a sound file of another kind: a RIFF WAVE whose samples are not MPEG
// audio, an AIFF or AIFC. Their samples can hold chains of frame headers by chance (a steady tone
// repeats its bytes), so no header in them is believed.
bool OtherSoundFile(const std::uint8_t* buf, std::size_t len);

// Offset of the first confirmed frame header, or kFrontNoHeader, kFrontScanMore, kFrontScanSkip.
int ScanForMPEG_l(const std::uint8_t* buf, std::size_t len, std::int64_t* skip = nullptr);

// At the end of the data: offset of the first header whose whole frame lies in the buffer and is
// the last of the data (only a few bytes, a frame cut short or end tags after it), or
// kFrontNoHeader (the last frame of a stream has no following header to confirm it). With a
// stream already set up, only its own frames count, and free-format frames take its frame length.
int ScanLastFrame(const std::uint8_t* buf, std::size_t len, const FrameHeader* setup = nullptr, int setupBytes = 0);

int InitAudioDecoderMode(DecoderFront& front, int reduction, int transformBit, int transformChannel, int convert,
                         int freqLimit, std::uint32_t maxBitrate);

// Finds the first frame and sets the decoder up. Returns the frame's offset (len = its frame
// size), or kFrontNullBuffer, kFrontNeedData, kFrontRefused, kFrontSkip (len = bytes to drop).
int ParseSequenceHeader(DecoderFront& front, const std::uint8_t* buf, std::size_t& len);

// Decodes the next frame into pcm (MpegDecoder::kMaxPcmBytes). Returns kFrontOk or
// kFrontFormatChanged (len = bytes consumed, outbytes = PCM bytes), kFrontNoSync, kFrontNeedData
// (outbytes 0), kFrontSkip or kFrontBadFrame (len = bytes to drop).
int DecodeAudioFrame(DecoderFront& front, const std::uint8_t* buf, std::size_t& len, void* pcm, int& outbytes);

// The output format of the current set-up.
DecodeInfo FrontInfo(const DecoderFront& front);

}  // namespace brisko
